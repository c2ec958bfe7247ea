#pragma once
// The module on the GL backend through the render system: a device made once per test
// program, a triangle over the left half of the screen, and reading back what it drew.

#include <gtest/gtest.h>

#include <cstring>

#include "graphics/Device.h"
#include "graphics/RenderSystem.h"
#include "platform/d3d9/D3D9Testing.h"
#include "render_d3d9/Module.h"


using KOR::VertexElementDecl;

const VertexElementDecl kPosition{0, 0, 2}, kColour{10, 0, 4};

struct Picture {
  std::vector<uint32_t> pixels;
  UINT width = 0, height = 0;
  uint32_t At(UINT x, UINT y) const { return pixels.at(size_t(y) * width + x); }
};

class ModuleGlTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    KOR::RenderSystem::Instance().LoadModule("d3d9");
    device = KOR::RenderSystem::Instance().CreateDevice();
  }
  void SetUp() override { device->Create(64, 32, true, 3, 0, 0); }
  void TearDown() override {
    for (KOR::DeviceObject* o : made) device->DestroyObject(o);
    device->Destroy();
  }
  Picture BackBuffer() {
    Picture p;
    EXPECT_TRUE(D3D9ReadBackBuffer(KOR::D3D9::Device9(), &p.pixels, &p.width, &p.height));
    return p;
  }
  Picture Window() {
    Picture p;
    EXPECT_TRUE(D3D9ReadWindow(KOR::D3D9::Device9(), &p.pixels, &p.width, &p.height));
    return p;
  }
  // A triangle over the left half of the screen (in clip space: the transforms are the
  // identity), in one colour; the right half's with a positive shift.
  KOR::Renderable* LeftTriangle(uint32_t colour, float shift = 0) {
    KOR::Renderable* r = device->CreateRenderable(false);
    made.push_back(r);
    r->vertices.Resize(3);
    r->vertices.AddElement(kPosition);
    r->vertices.AddElement(kColour);
    const float positions[] = {-1 + shift, 1, 0.5f, 0 + shift, 1, 0.5f, -1 + shift, -3, 0.5f};
    std::memcpy(r->vertices.GetElement(kPosition)->data, positions, sizeof positions);
    const uint32_t colours[] = {colour, colour, colour};
    std::memcpy(r->vertices.GetElement(kColour)->data, colours, sizeof colours);
    r->ResizeIndices(3);
    const uint32_t order[] = {0, 1, 2};
    std::memcpy(r->indices, order, sizeof order);
    r->Build();
    return r;
  }
  KOR::StreamMap* Map() {
    KOR::StreamMap* map = device->CreateStreamMap();
    made.push_back(map);
    map->AddElement(kPosition);
    map->AddElement(kColour);
    map->Build();
    return map;
  }
  void Frame(KOR::Renderable* r, KOR::StreamMap* map) {
    device->Clear(true, true, false, 0, 0, 1, 1);
    device->BeginFrame();
    r->Draw(map);
    device->EndFrame();
  }

  static KOR::Device* device;
  std::vector<KOR::DeviceObject*> made;
};
inline KOR::Device* ModuleGlTest::device = nullptr;

