#pragma once
// Inside the module only: the device sets the Direct3D device every object reaches.

struct IDirect3D9;
struct IDirect3DDevice9;

namespace KOR::D3D9 {
void SetDevice9(IDirect3DDevice9* device);
// For tests: the module's Direct3D object, which the module itself makes once and keeps.
void SetDirect3D(IDirect3D9* direct3D);
}
