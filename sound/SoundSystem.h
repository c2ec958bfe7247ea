#pragma once
// The process-wide sound system: output and driver choice, the library's lifetime,
// and the 3D features (listener, reverb, per-frame update), which work only when
// Init found hardware 3D mixing with EAX.

#include "platform/fmod/Fmod.h"

#include <string>
#include <vector>

namespace KOR {

struct SoundVector {
  float x, y, z;
};

class SoundSystem {
public:
  // Creates the system on first call (DirectSound output), later returns the same one.
  static SoundSystem* Get();
  // Closes the library and destroys the system; the next Get creates a new one.
  static void Release();

  std::vector<std::string> GetDriverNames() const;
  // True when the named driver (empty: driver 0) mixes in hardware with EAX 2 or 3.
  bool SupportsHardware3D(const std::string& driverName) const;
  void Init(const std::string& driverName, int mixRate, int maxChannels, bool want3D);
  void Update();
  void SetListener(const SoundVector& position, const SoundVector& forward, const SoundVector& up);
  void SetReverb(const FSOUND_REVERB_PROPERTIES& properties);
  // Holds or resumes every playing channel and stream (a game that lost the focus).
  void SetPaused(bool paused);

  bool IsHardware3D() const { return hardware3D; }

private:
  SoundSystem();
  ~SoundSystem();
  SoundSystem(const SoundSystem&) = delete;
  SoundSystem& operator=(const SoundSystem&) = delete;

  bool hardware3D = false;
};

}  // namespace KOR
