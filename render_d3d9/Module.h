#pragma once
// The Direct3D 9 module's process-wide state. Objects reach Direct3D through Device9();
// while it is null (no device yet, or after Destroy) their Direct3D calls are skipped.

struct IDirect3D9;
struct IDirect3DDevice9;

namespace KOR {

class Device;
class D3D9StreamMap;

namespace D3D9 {

// Creates the Direct3D 9 object once; false where no device can be made.
bool InitialiseModule();
// The module's single device, made on the first request.
Device* GetDevice();

IDirect3D9* Direct3D();
IDirect3DDevice9* Device9();

// The draw-state cache: what the last draw bound, so repeated draws skip rebinding.
// Anything that changes streams, indices or the declaration behind its back, destroys
// or rebuilds the objects it names, or resets the device clears it.
struct DrawCache {
  const void* geometry = nullptr;  // a renderable, or the pool chunk whose buffers it shares
  const void* declaration = nullptr;
};
DrawCache& GetDrawCache();
void InvalidateDrawCache();
void ForgetInDrawCache(const void* geometryOrDeclaration);

}  // namespace D3D9
}  // namespace KOR
