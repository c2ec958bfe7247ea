#pragma once
// For tests and benchmarks of the layer and of the render module: the recording backend,
// reading back pixels and counting GL calls.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/d3d9/D3D9.h"

// While a recording is active, Direct3DCreate9 returns objects that draw nothing and
// append every call with its arguments to calls, one line each, e.g.
// "SetRenderState(22, 1)" or "CreateVertexBuffer(96, 8, 0, 0) -> #2". Objects are named
// #n in creation order; a null object is "null"; colours are hexadecimal.
struct D3D9Recording {
  std::vector<std::string> calls;
  std::vector<D3DDISPLAYMODE> modes;  // what the adapter reports, for every format asked
  int failCreateDevice = 0;           // so many CreateDevice calls fail first
  DWORD failCreateDeviceFlags = 0;    // and any CreateDevice whose flags contain these
  int failReset = 0;                  // so many Reset calls fail first
  DWORD vertexShaderVersion = D3DVS_VERSION(3, 0);
  DWORD pixelShaderVersion = D3DPS_VERSION(3, 0);
};
void D3D9StartRecording(D3D9Recording* recording);
void D3D9StopRecording();

// The colour target as 0xAARRGGBB words, top row first. False for a recording device.
bool D3D9ReadBackBuffer(IDirect3DDevice9* device, std::vector<uint32_t>* pixels, UINT* width,
                        UINT* height);
// What Present shows in the device window (the back buffer scaled with black bars), top
// row first. False for a recording device.
bool D3D9ReadWindow(IDirect3DDevice9* device, std::vector<uint32_t>* pixels, UINT* width,
                    UINT* height);
// GL calls made by every GL device so far.
uint64_t D3D9GlCallCount();
// GL programs linked by every GL device so far (fixed-function keys and program pairs).
uint64_t D3D9GlProgramsLinked();

// What every device of the process has done and still holds, counted always (a few
// increments) so a tool can read them per frame or across many games.
struct D3D9Counters {
  uint64_t draws = 0;         // DrawPrimitive and DrawIndexedPrimitive calls
  uint64_t stateChanges = 0;  // calls that set state: render, sampler and stage states,
                              // textures, programs, constants, streams, transforms, lights
  uint64_t liveObjects = 0;   // objects made by Direct3DCreate9 and devices, not yet deleted
  uint64_t liveTextures = 0;  // textures of any kind, not yet deleted
  uint64_t liveShaders = 0;   // vertex and pixel programs, not yet deleted
  uint64_t liveGlPrograms = 0;  // linked GL programs a GL device keeps
  uint64_t textureBytes = 0;    // bytes of texture levels held in system memory: levels the
                                // backend keeps there, and locked boxes while locked
  uint64_t textureLevelBytes = 0;  // bytes of every level of live textures, wherever they are
};
D3D9Counters D3D9GetCounters();

// Called by every device's Present before it shows the back buffer (so the picture can be
// read back); none by default. A frame hook for tools.
void D3D9SetPresentHook(std::function<void(IDirect3DDevice9*)> hook);
