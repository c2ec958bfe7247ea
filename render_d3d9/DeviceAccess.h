#pragma once
// Inside the module only: the device sets the Direct3D device every object reaches.

struct IDirect3DDevice9;

namespace KOR::D3D9 {
void SetDevice9(IDirect3DDevice9* device);
}
