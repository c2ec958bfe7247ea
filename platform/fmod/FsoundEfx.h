#pragma once
// The EFX entry points, looked up once the context exists.

#include "platform/fmod/FsoundInternal.h"

#include <AL/efx.h>

namespace FsoundLayer {

struct Efx {
  LPALGENEFFECTS GenEffects = nullptr;
  LPALDELETEEFFECTS DeleteEffects = nullptr;
  LPALEFFECTI Effecti = nullptr;
  LPALEFFECTF Effectf = nullptr;
  LPALEFFECTFV Effectfv = nullptr;
  LPALGENAUXILIARYEFFECTSLOTS GenAuxiliaryEffectSlots = nullptr;
  LPALDELETEAUXILIARYEFFECTSLOTS DeleteAuxiliaryEffectSlots = nullptr;
  LPALAUXILIARYEFFECTSLOTI AuxiliaryEffectSloti = nullptr;
};

}  // namespace FsoundLayer
