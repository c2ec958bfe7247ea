#include <cstring>

#include "core/Exception.h"
#include "graphics/RenderSystemTesting.h"
#include "platform/win32/Win32Testing.h"
#include "render_d3d9/GeometryPool.h"
#include "render_d3d9/StreamMap.h"
#include "tests/render_d3d9/RecordingDeviceSupport.h"

namespace {

using KOR::Renderable;
using KOR::StreamMap;
using KOR::VertexElementDecl;

const VertexElementDecl kPosition{0, 0, 2}, kNormal{3, 0, 2}, kTexCoord{5, 0, 1};

class GeometryTest : public CurrentRecordedDevice {
protected:
  StreamMap* Map(std::initializer_list<VertexElementDecl> elements, bool build = true) {
    StreamMap* map = Keep(device->CreateStreamMap());
    for (const VertexElementDecl& e : elements) map->AddElement(e);
    if (build) map->Build();
    return map;
  }
  // A quad of two triangles with the given attributes, built.
  Renderable* Quad(std::initializer_list<VertexElementDecl> elements, bool build = true) {
    Renderable* r = Keep(device->CreateRenderable(false));
    r->vertices.Resize(4);
    for (const VertexElementDecl& e : elements) {
      r->vertices.AddElement(e);
      KOR::VertexElementBuffer* b = r->vertices.GetElement(e);
      std::memset(b->data, 0, size_t(b->stride) * 4);
    }
    r->ResizeIndices(6);
    const uint32_t quad[] = {0, 1, 2, 2, 1, 3};
    std::memcpy(r->indices, quad, sizeof quad);
    if (build) r->Build();
    return r;
  }
  std::string ErrorOf(Renderable* r, StreamMap* map, int count = -1) {
    try {
      r->Draw(map, count);
    } catch (const KOR::Exception& e) {
      return e.GetModule() + " / " + e.GetError() + " / " + e.GetDescription();
    }
    return "drawn";
  }
};

TEST_F(GeometryTest, StreamMapBecomesOneStreamPerElementAtOffsetZero) {
  Map({kPosition, kNormal, kTexCoord});
  EXPECT_EQ(recording.calls.back(),
            "CreateVertexDeclaration({0 0 2 0 0 0} {1 0 2 0 3 0} {2 0 1 0 5 0}) -> #4");
  StreamMap* shorts = Map({{0, 0, 5}, {10, 0, 4}, {5, 1, 6}});
  EXPECT_EQ(recording.calls.back(),
            "CreateVertexDeclaration({0 0 6 0 0 0} {1 0 4 0 10 0} {2 0 7 0 5 1}) -> #5");
  shorts->Build();  // a rebuild releases the old declaration first
  EXPECT_EQ(recording.calls.back(),
            "CreateVertexDeclaration({0 0 6 0 0 0} {1 0 4 0 10 0} {2 0 7 0 5 1}) -> #6");
  StreamMap* unknown = Map({{0, 0, 9}}, false);
  try {
    unknown->Build();
    ADD_FAILURE() << "an unknown type built";
  } catch (const KOR::Exception& e) {
    EXPECT_EQ(e.GetModule(), "KOR Direct3D 9 (StreamMap)");
    EXPECT_EQ(e.GetError(), "Building failed");
  }
}

TEST_F(GeometryTest, ElementsGoInterleavedIntoOneBufferAndStaticOnesShareTheirPool) {
  Renderable* first = Quad({kPosition, kNormal});
  float* normals = reinterpret_cast<float*>(first->vertices.GetElement(kNormal)->data);
  normals[3] = 7.0f;  // vertex 1's x
  first->Build();
  std::vector<std::string> calls = From("VertexBuffer::Lock");
  ASSERT_FALSE(calls.empty());
  // Four vertices of 24 bytes in one lock; the indices follow.
  EXPECT_EQ(calls[0], "VertexBuffer::Lock(#4, 0, 96, 0x00000000)");
  EXPECT_EQ(Count("CreateVertexBuffer("), 1u);
  EXPECT_EQ(Count("CreateIndexBuffer("), 1u);
  // A second static quad of the layout takes the next vertices and indices of the same
  // buffers; another layout gets buffers of its own.
  recording.calls.clear();
  Renderable* second = Quad({kPosition, kNormal});
  EXPECT_EQ(Count("Create"), 0u);
  EXPECT_EQ(From("VertexBuffer::Lock")[0], "VertexBuffer::Lock(#4, 96, 96, 0x00000000)");
  EXPECT_EQ(From("IndexBuffer::Lock")[0], "IndexBuffer::Lock(#5, 24, 24, 0x00000000)");
  Quad({kPosition});
  EXPECT_EQ(Count("CreateVertexBuffer("), 1u);
  StreamMap* map = Map({kPosition, kNormal});
  recording.calls.clear();
  first->Draw(map);
  second->Draw(map);
  EXPECT_EQ(recording.calls,
            (std::vector<std::string>{"SetStreamSource(0, #4, 0, 24)", "SetStreamSource(1, #4, 12, 24)",
                                      "SetIndices(#5)", "SetVertexDeclaration(#8)",
                                      "DrawIndexedPrimitive(4, 0, 0, 4, 0, 2)",
                                      "DrawIndexedPrimitive(4, 4, 0, 4, 6, 2)"}))
      << "the second binds nothing: its vertices start at 4, its indices at 6";

  // A dynamic renderable has buffers of its own; a rebuild copies again into them.
  Renderable* dynamic = Keep(device->CreateRenderable(true));
  dynamic->vertices.Resize(2);
  dynamic->vertices.AddElement(kPosition);
  dynamic->ResizeIndices(2);
  dynamic->Build();
  EXPECT_EQ(Count("CreateVertexBuffer(24, 0x00000200"), 1u);
  EXPECT_EQ(Count("CreateIndexBuffer(8, 0x00000200"), 1u);
  recording.calls.clear();
  dynamic->Build();
  EXPECT_EQ(Count("Create"), 0u);
  EXPECT_EQ(Count("VertexBuffer::Lock"), 1u);
  // Updating part of its vertices is one lock of just that part, whatever its elements.
  recording.calls.clear();
  EXPECT_TRUE(dynamic->UpdateVertices(1, 1));
  EXPECT_FALSE(dynamic->UpdateVertices(1, 2));
  EXPECT_EQ(recording.calls, (std::vector<std::string>{"VertexBuffer::Lock(#9, 12, 12, 0x00000000)",
                                                       "VertexBuffer::Unlock(#9)"}));
}

// Room given back joins its free neighbours, so a pool's holes can take a larger object.
TEST(RangeAllocatorTest, GivenRunsJoinTheirNeighbours) {
  KOR::RangeAllocator room(30);
  uint32_t a, b, c, d;
  ASSERT_TRUE(room.Take(10, &a));
  ASSERT_TRUE(room.Take(10, &b));
  ASSERT_TRUE(room.Take(10, &c));
  EXPECT_EQ(std::vector<uint32_t>({a, b, c}), std::vector<uint32_t>({0, 10, 20}));
  EXPECT_FALSE(room.Take(1, &d));
  room.Give(c, 10);
  room.Give(a, 10);
  EXPECT_FALSE(room.Take(11, &d)) << "two holes of 10 apart";
  room.Give(b, 10);  // joins both sides
  EXPECT_TRUE(room.AllFree());
  ASSERT_TRUE(room.Take(25, &d));
  EXPECT_EQ(d, 0u);
  room.Give(0, 5);   // a hole before the rest of the taken run
  room.Give(5, 20);  // joins the hole before it and the free tail after it
  EXPECT_TRUE(room.AllFree());
  EXPECT_FALSE(room.Take(0, &d));
}

TEST_F(GeometryTest, RepeatedDrawsBindOnceAndMissingAttributesGetNullStreams) {
  Renderable* r = Quad({kPosition, kNormal});
  StreamMap* map = Map({kPosition, kNormal, kTexCoord});
  recording.calls.clear();
  r->Draw(map);
  r->Draw(map);
  EXPECT_EQ(recording.calls,
            (std::vector<std::string>{"SetStreamSource(0, #4, 0, 24)", "SetStreamSource(1, #4, 12, 24)",
                                      "SetStreamSource(2, null, 0, 0)", "SetIndices(#5)",
                                      "SetVertexDeclaration(#6)",
                                      "DrawIndexedPrimitive(4, 0, 0, 4, 0, 2)",
                                      "DrawIndexedPrimitive(4, 0, 0, 4, 0, 2)"}));
  // Another map for the same renderable rebinds the streams and the declaration only.
  StreamMap* positions = Map({kPosition});
  recording.calls.clear();
  r->Draw(positions, 1);
  EXPECT_EQ(recording.calls, (std::vector<std::string>{"SetStreamSource(0, #4, 0, 24)",
                                                       "SetVertexDeclaration(#7)",
                                                       "DrawIndexedPrimitive(4, 0, 0, 4, 0, 1)"}));
}

TEST_F(GeometryTest, OneBufferMayFeedSeveralStreams) {
  Renderable* r = Quad({kPosition});
  StreamMap* twice = Map({kPosition, kPosition});
  recording.calls.clear();
  r->Draw(twice);
  EXPECT_EQ(Count("SetStreamSource(0, #4, 0, 12)"), 1u);
  EXPECT_EQ(Count("SetStreamSource(1, #4, 0, 12)"), 1u);
}

TEST_F(GeometryTest, DestroyedOrRebuiltObjectsAreNeverTakenForTheLastOnesDrawn) {
  StreamMap* map = Map({kPosition});
  Renderable* first = Quad({kPosition});
  first->Draw(map);
  // A new renderable made where the old one lived must still bind its own buffers.
  device->DestroyObject(first);
  made.erase(std::find(made.begin(), made.end(), first));
  Renderable* second = Quad({kPosition});
  recording.calls.clear();
  second->Draw(map);
  EXPECT_EQ(Count("SetStreamSource(0, #"), 1u);
  EXPECT_EQ(Count("SetIndices(#"), 1u);
  // A rebuilt stream map has a new declaration to set.
  map->Build();
  recording.calls.clear();
  second->Draw(map);
  EXPECT_EQ(Count("SetVertexDeclaration(#"), 1u);
  // A rebuilt renderable keeps its place: nothing to bind again, the same vertices drawn.
  std::string drawn = recording.calls.back();
  second->Build();
  recording.calls.clear();
  second->Draw(map);
  EXPECT_EQ(recording.calls, std::vector<std::string>{drawn});
  // One whose layout changed moves to buffers of that layout, which are bound.
  second->vertices.AddElement(kNormal);
  std::memset(second->vertices.GetElement(kNormal)->data, 0, 48);
  second->Build();
  recording.calls.clear();
  second->Draw(map);
  EXPECT_EQ(Count("SetStreamSource(0, #"), 1u);
  // A reset may change anything the device had bound.
  device->SetResolution(32, 32);
  recording.calls.clear();
  second->Draw(map);
  EXPECT_EQ(Count("SetIndices(#"), 1u);
}

TEST_F(GeometryTest, DrawErrorsNameTheirCause) {
  Renderable* built = Quad({kPosition});
  StreamMap* map = Map({kPosition});
  EXPECT_EQ(ErrorOf(built, nullptr),
            "KOR Direct3D 9 (Renderable) / invalid stream map / you cannot set the stream map on the "
            "'Render' function as NULL.");
  EXPECT_EQ(ErrorOf(Quad({kPosition}, false), map),
            "KOR Direct3D 9 (Renderable) / Renderable not built / You must build the renderable "
            "before you can draw it");
  EXPECT_EQ(ErrorOf(built, Map({kPosition}, false)),
            "KOR Direct3D 9 (Renderable) / Invalid stream map / Yuo must build the stream map before "
            "you use it");
  // An index past the vertices would read outside the buffer: the draw is refused.
  Renderable* bad = Quad({kPosition});
  bad->indices[5] = 4;
  bad->Build();
  EXPECT_EQ(ErrorOf(bad, map),
            "KOR Direct3D 9 (Renderable) / Failed to render object / Set rendering failed failed");
  // The failed draw bound its streams: the next draw of the good one must bind again.
  recording.calls.clear();
  built->Draw(map);
  EXPECT_EQ(Count("SetStreamSource(0, #"), 1u);
}

TEST_F(GeometryTest, GeometryThatCannotBeUploadedStaysUnbuilt) {
  // An element of unknown type has no bytes to upload.
  Renderable* r = Keep(device->CreateRenderable(false));
  r->vertices.Resize(3);
  r->vertices.AddElement({0, 0, 9});
  r->ResizeIndices(3);
  r->Build();
  EXPECT_EQ(ErrorOf(r, Map({kPosition})).find("Renderable not built") != std::string::npos, true);
  // Without indices there is no index buffer either, point list or not.
  Renderable* points = Keep(device->CreateRenderable(false));
  points->vertices.Resize(3);
  points->vertices.AddElement(kPosition);
  points->primitiveType = 0;
  points->Build();
  EXPECT_NE(ErrorOf(points, Map({kPosition})).find("Renderable not built"), std::string::npos);
}

TEST_F(GeometryTest, PointListsDrawWithoutIndices) {
  Renderable* points = Quad({kPosition});
  points->primitiveType = 0;
  StreamMap* map = Map({kPosition});
  recording.calls.clear();
  points->Render(map, 4);
  EXPECT_EQ(Count("DrawIndexedPrimitive"), 0u);
  EXPECT_EQ(recording.calls.back(), "DrawPrimitive(1, 0, 4)");
  // From a pool, they start at their own first vertex.
  Renderable* more = Quad({kPosition});
  more->primitiveType = 0;
  more->Render(map, 2, 1);
  EXPECT_EQ(recording.calls.back(), "DrawPrimitive(1, 5, 2)");
}

TEST_F(GeometryTest, VertexArraysAndIndexListsAreSizedOnce) {
  Renderable* r = Keep(device->CreateRenderable(false));
  r->vertices.AddElement(kPosition);
  r->vertices.AddElement(kNormal);
  r->vertices.AddElement(kPosition);
  ASSERT_EQ(r->vertices.elements.size(), 2u);
  r->vertices.Resize(100);
  EXPECT_EQ(r->vertices.GetElement(kNormal)->stride * r->vertices.GetElement(kNormal)->vertexCount, 1200);
  r->vertices.AddElement(kTexCoord);  // added later: sized to the array
  EXPECT_EQ(r->vertices.GetElement(kTexCoord)->vertexCount, 100);
  EXPECT_EQ(r->vertices.GetElement({5, 1, 1}), nullptr);
  try {
    r->vertices.Resize(100);
    ADD_FAILURE() << "resized twice";
  } catch (const KOR::Exception& e) {
    EXPECT_EQ(e.GetModule(), "KOR Graphics (VertexBufferArray)");
    EXPECT_EQ(e.GetError(), "Cannot resize vertex buffer");
  }
  r->ResizeIndices(36);
  try {
    r->ResizeIndices(36);
    ADD_FAILURE() << "resized twice";
  } catch (const KOR::Exception& e) {
    EXPECT_EQ(e.GetModule(), "KOR Graphics (Renderable)");
    EXPECT_EQ(e.GetError(), "Cannot resize index buffer");
  }
  KOR::RenderSystemTesting::SetCurrentDevice(nullptr);
  r->vertices.AddElement({6, 0, 2});  // no device: nothing added
  EXPECT_EQ(r->vertices.elements.size(), 3u);
}

TEST_F(GeometryTest, PrimitiveCountsFollowTheTypeAndDrawsAreClampedToThem) {
  Renderable* r = Keep(device->CreateRenderable(false));
  r->ResizeIndices(36);
  const int expected[] = {0, 18, 35, 12, 34, 34, 0};
  for (uint32_t type = 0; type < 7; ++type) {
    r->primitiveType = type;
    EXPECT_EQ(r->GetPrimitiveCount(), expected[type]) << "type " << type;
  }
  Renderable* quad = Quad({kPosition});
  StreamMap* map = Map({kPosition});
  quad->Draw(map, 20);
  EXPECT_EQ(recording.calls.back(), "DrawIndexedPrimitive(4, 0, 0, 4, 0, 2)");
  quad->Draw(map, -5);
  EXPECT_EQ(recording.calls.back(), "DrawIndexedPrimitive(4, 0, 0, 4, 0, 0)");
  StreamMap* full = Keep(device->CreateStreamMap());
  for (int i = 0; i < 16; ++i) EXPECT_TRUE(full->AddElement({5, uint8_t(i), 1}));
  EXPECT_FALSE(full->AddElement(kPosition));
  EXPECT_EQ(full->count, 16);
  EXPECT_EQ(full->elements[15].usageIndex, 15);
}

}  // namespace
