#pragma once
// A small modelling kit for our own meshes: parts are built as triangle soups (lofts,
// bevelled boxes, cylinders), then welded, given normals that stay hard across sharp
// edges, box-projected texture coordinates and tangents, and written as 3DF data.

#include <array>
#include <cstdint>
#include <vector>

#include "graphics/Mesh3DFFormat.h"

namespace Content {

struct V3 {
  float x = 0, y = 0, z = 0;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline V3 operator*(float s, V3 a) { return a * s; }
inline float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Len(V3 a);
V3 Norm(V3 a);

// Where a part's texture coordinates come from: the whole texture tiled every `scale`
// units, or the part's projected bounds stretched over one rectangle of an atlas.
struct UvRect {
  float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
};
struct UvMapping {
  bool tiled = true;
  float scale = 64;
  UvRect rect;
};
UvMapping Tiled(float scale);
UvMapping Atlas(UvRect rect);

struct Triangle {
  V3 p[3];
  int part = 0;
};

// A cross-section for lofting: points around the spine in the plane's own (u, v).
using Section = std::vector<std::array<float, 2>>;
Section RoundedRect(float halfU, float halfV, float bevel, int cornerSteps);
Section Ellipse(float radiusU, float radiusV, int steps);

// One station of a loft: the section is scaled by (su, sv) and placed at `at`, spanning
// the plane of the axes u and v.
struct LoftStation {
  V3 at;
  float su = 1, sv = 1;
};

class MeshBuilder {
public:
  // Starts a new part; its triangles share the mapping and are smoothed together.
  int BeginPart(UvMapping mapping, float smoothDegrees = 40);
  void Tri(V3 a, V3 b, V3 c);
  void Quad(V3 a, V3 b, V3 c, V3 d);  // a b c d counter-clockwise seen from outside
  // A closed loft through stations along axes u and v (the section's two coordinates);
  // the ends are capped unless the first or last scale is zero.
  void Loft(const Section& section, const std::vector<LoftStation>& stations, V3 u, V3 v, bool capEnds = true);
  // A box from low to high with every edge bevelled.
  void BevelBox(V3 low, V3 high, float bevel);
  // A cylinder from a to b; radiusB may differ (a cone or a nozzle).
  void Cylinder(V3 a, V3 b, float radiusA, float radiusB, int steps, bool caps = true);

  // The finished mesh: welded, normals, texture coordinates and tangents.
  KOR::Mesh3DFData Build() const;
  size_t TriangleCount() const { return tris.size(); }

private:
  std::vector<Triangle> tris;
  std::vector<UvMapping> mappings;
  std::vector<float> smoothing;
  int current = -1;
};

// Copies `from` into `into` moved by offset and scaled.
void Append(KOR::Mesh3DFData& into, const KOR::Mesh3DFData& from);

}  // namespace Content
