#include "sound/SoundSystem.h"

#include "core/DebugConsole.h"
#include "core/Exception.h"

namespace KOR {
namespace {

const char* const kModule = "KORSound (SoundSystem)";

SoundSystem* instance = nullptr;

// The index of the driver with exactly this name, or -1.
int FindDriver(const std::string& driverName) {
  const int count = FSOUND_GetNumDrivers();
  for (int i = 0; i < count; ++i) {
    const char* name = FSOUND_GetDriverName(i);
    if (name && driverName == name)
      return i;
  }
  return -1;
}

}  // namespace

SoundSystem::SoundSystem() { FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND); }

SoundSystem::~SoundSystem() = default;

SoundSystem* SoundSystem::Get() {
  if (!instance)
    instance = new SoundSystem();
  return instance;
}

void SoundSystem::Release() {
  FSOUND_Close();
  delete instance;
  instance = nullptr;
}

std::vector<std::string> SoundSystem::GetDriverNames() const {
  std::vector<std::string> names;
  const int count = FSOUND_GetNumDrivers();
  for (int i = 0; i < count; ++i) {
    const char* name = FSOUND_GetDriverName(i);
    names.emplace_back(name ? name : "");
  }
  return names;
}

bool SoundSystem::SupportsHardware3D(const std::string& driverName) const {
  int driver = 0;
  if (!driverName.empty()) {
    driver = FindDriver(driverName);
    if (driver < 0)
      throw Exception(kModule, "Driver not found", "The driver requested is not a valid drivers");
  }
  unsigned int caps = 0;
  FSOUND_GetDriverCaps(driver, &caps);
  return (caps & FSOUND_CAPS_HARDWARE) && (caps & (FSOUND_CAPS_EAX2 | FSOUND_CAPS_EAX3));
}

void SoundSystem::Init(const std::string& driverName, int mixRate, int maxChannels, bool want3D) {
  if (want3D && SupportsHardware3D(driverName))
    hardware3D = true;
  int driver = 0;
  if (!driverName.empty()) {
    driver = FindDriver(driverName);
    if (driver < 0)
      throw Exception(kModule, "Driver not found",
                      "The driver requested to initialize the sound system is not a valid drivers");
  }
  FSOUND_SetDriver(driver);
  FSOUND_SetMixer(FSOUND_MIXER_AUTODETECT);
  // Without a device the game still plays, silently; one trace line says so.
  if (!FSOUND_Init(mixRate, maxChannels, 0))
    Trace("KOR Sound: no sound device could be opened; the game plays without sound\n");
}

void SoundSystem::Update() {
  if (hardware3D)
    FSOUND_Update();
}

void SoundSystem::SetListener(const SoundVector& position, const SoundVector& forward,
                              const SoundVector& up) {
  if (!hardware3D)
    return;
  const float where[3] = {position.x, position.y, position.z};
  const float still[3] = {0.0f, 0.0f, 0.0f};
  FSOUND_3D_Listener_SetAttributes(where, still, forward.x, forward.y, forward.z, up.x, up.y, up.z);
}

void SoundSystem::SetReverb(const FSOUND_REVERB_PROPERTIES& properties) {
  if (hardware3D)
    FSOUND_Reverb_SetProperties(&properties);
}

void SoundSystem::SetPaused(bool paused) { FSOUND_SetPaused(FSOUND_ALL, paused ? TRUE : FALSE); }

}  // namespace KOR
