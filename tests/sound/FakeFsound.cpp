#include "tests/sound/FakeFsound.h"

#include <cstdint>
#include <cstring>
#include <sstream>

FakeFsound& Fake() {
  static FakeFsound fake;
  return fake;
}

std::vector<std::string> FakeFsound::Calls(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const std::string& call : calls)
    if (call.rfind(prefix, 0) == 0)
      found.push_back(call);
  return found;
}

namespace {

template <typename... Args>
void Record(const char* name, const Args&... args) {
  std::ostringstream text;
  text << name << "(";
  bool first = true;
  ((text << (first ? "" : ",") << args, first = false), ...);
  text << ")";
  Fake().calls.push_back(text.str());
}

std::string Vector(const float* v) {
  if (!v)
    return "null";
  std::ostringstream text;
  text << v[0] << " " << v[1] << " " << v[2];
  return text.str();
}

std::string Handle(const void* handle) { return handle ? "handle" : "null"; }

FSOUND_SAMPLE* const kSample = reinterpret_cast<FSOUND_SAMPLE*>(uintptr_t{0x5A});
FSOUND_STREAM* const kStream = reinterpret_cast<FSOUND_STREAM*>(uintptr_t{0x5B});

}  // namespace

extern "C" {

signed char FSOUND_SetOutput(int output) {
  Record("SetOutput", output);
  return TRUE;
}
int FSOUND_GetNumDrivers() {
  Record("GetNumDrivers");
  return static_cast<int>(Fake().drivers.size());
}
const char* FSOUND_GetDriverName(int id) {
  Record("GetDriverName", id);
  if (id < 0 || id >= static_cast<int>(Fake().drivers.size()))
    return nullptr;
  return Fake().drivers[id].c_str();
}
signed char FSOUND_GetDriverCaps(int id, unsigned int* caps) {
  Record("GetDriverCaps", id);
  *caps = id >= 0 && id < static_cast<int>(Fake().caps.size()) ? Fake().caps[id] : 0;
  return TRUE;
}
signed char FSOUND_SetDriver(int driver) {
  Record("SetDriver", driver);
  return TRUE;
}
signed char FSOUND_SetMixer(int mixer) {
  Record("SetMixer", mixer);
  return TRUE;
}
signed char FSOUND_Init(int mixRate, int maxChannels, unsigned int flags) {
  Record("Init", mixRate, maxChannels, flags);
  return TRUE;
}
void FSOUND_Close() { Record("Close"); }
void FSOUND_Update() { Record("Update"); }

FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned int mode, int offset,
                                  int length) {
  Record("Sample_Load", index, std::string("'") + name + "'", mode, offset, length);
  return std::strcmp(name, kMissingFile) == 0 ? nullptr : kSample;
}
void FSOUND_Sample_Free(FSOUND_SAMPLE* sample) { Record("Sample_Free", Handle(sample)); }
signed char FSOUND_Sample_SetMinMaxDistance(FSOUND_SAMPLE* sample, float min, float max) {
  Record("Sample_SetMinMaxDistance", Handle(sample), min, max);
  return TRUE;
}
int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample) {
  Record("PlaySound", channel, Handle(sample));
  return sample ? Fake().nextChannel : -1;
}

FSOUND_STREAM* FSOUND_Stream_Open(const char* name, unsigned int mode, int offset, int length) {
  Record("Stream_Open", std::string("'") + name + "'", mode, offset, length);
  return std::strcmp(name, kMissingFile) == 0 ? nullptr : kStream;
}
signed char FSOUND_Stream_SetMode(FSOUND_STREAM* stream, unsigned int mode) {
  Record("Stream_SetMode", Handle(stream), mode);
  return TRUE;
}
int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream) {
  Record("Stream_Play", channel, Handle(stream));
  return stream ? Fake().nextChannel : -1;
}
signed char FSOUND_Stream_Close(FSOUND_STREAM* stream) {
  Record("Stream_Close", Handle(stream));
  return TRUE;
}

signed char FSOUND_SetPaused(int channel, signed char paused) {
  Record("SetPaused", channel, int(paused));
  return TRUE;
}
signed char FSOUND_SetVolume(int channel, int volume) {
  Record("SetVolume", channel, volume);
  return TRUE;
}
signed char FSOUND_StopSound(int channel) {
  Record("StopSound", channel);
  return TRUE;
}
signed char FSOUND_3D_SetAttributes(int channel, const float* position, const float* velocity) {
  Record("3D_SetAttributes", channel, Vector(position), Vector(velocity));
  return TRUE;
}
void FSOUND_3D_Listener_SetAttributes(const float* position, const float* velocity, float fx,
                                      float fy, float fz, float tx, float ty, float tz) {
  Record("3D_Listener_SetAttributes", Vector(position), Vector(velocity), fx, fy, fz, tx, ty, tz);
}
signed char FSOUND_Reverb_SetProperties(const FSOUND_REVERB_PROPERTIES* properties) {
  Record("Reverb_SetProperties", properties->Environment);
  Fake().reverbs.push_back(*properties);
  return TRUE;
}

}  // extern "C"
