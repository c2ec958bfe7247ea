// Placeholder while the GL backend is written: no device can be made outside a recording.
#include "platform/d3d9/D3D9Testing.h"
namespace d3d9 {
IDirect3D9* CreateGlDirect3D9() { return nullptr; }
}
bool D3D9ReadBackBuffer(IDirect3DDevice9*, std::vector<uint32_t>*, UINT*, UINT*) { return false; }
uint64_t D3D9GlCallCount() { return 0; }
