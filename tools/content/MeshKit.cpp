#include "tools/content/MeshKit.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace Content {

float Len(V3 a) { return std::sqrt(Dot(a, a)); }
V3 Norm(V3 a) {
  const float l = Len(a);
  return l > 1e-12f ? a * (1.0f / l) : V3{0, 0, 0};
}

UvMapping Tiled(float scale) { return UvMapping{true, scale, {}}; }
UvMapping Atlas(UvRect rect) { return UvMapping{false, 1, rect}; }

Section RoundedRect(float halfU, float halfV, float bevel, int cornerSteps) {
  Section s;
  const float cu[4] = {halfU - bevel, -(halfU - bevel), -(halfU - bevel), halfU - bevel};
  const float cv[4] = {halfV - bevel, halfV - bevel, -(halfV - bevel), -(halfV - bevel)};
  for (int c = 0; c < 4; ++c) {
    for (int i = 0; i <= cornerSteps; ++i) {
      const float a = float(M_PI) * 0.5f * (float(c) + float(i) / float(std::max(cornerSteps, 1)));
      s.push_back({cu[c] + bevel * std::cos(a), cv[c] + bevel * std::sin(a)});
    }
  }
  return s;
}

Section Ellipse(float radiusU, float radiusV, int steps) {
  Section s;
  for (int i = 0; i < steps; ++i) {
    const float a = 2.0f * float(M_PI) * float(i) / float(steps);
    s.push_back({radiusU * std::cos(a), radiusV * std::sin(a)});
  }
  return s;
}

int MeshBuilder::BeginPart(UvMapping mapping, float smoothDegrees) {
  mappings.push_back(mapping);
  smoothing.push_back(smoothDegrees);
  current = int(mappings.size()) - 1;
  return current;
}

void MeshBuilder::Tri(V3 a, V3 b, V3 c) {
  if (current < 0) BeginPart(Tiled(64));
  // Degenerate: the apex of a pointed loft, or corners that weld into one.
  if (Len(b - a) < 1e-3f || Len(c - a) < 1e-3f || Len(c - b) < 1e-3f || Len(Cross(b - a, c - a)) < 1e-6f) return;
  tris.push_back({{a, b, c}, current});
}

void MeshBuilder::Quad(V3 a, V3 b, V3 c, V3 d) {
  Tri(a, b, c);
  Tri(a, c, d);
}

void MeshBuilder::Loft(const Section& section, const std::vector<LoftStation>& stations, V3 u, V3 v,
                       bool capEnds) {
  const size_t n = section.size();
  auto point = [&](size_t s, size_t i) {
    const LoftStation& st = stations[s];
    return st.at + u * (section[i % n][0] * st.su) + v * (section[i % n][1] * st.sv);
  };
  // The section runs counter-clockwise in (u, v); with the spine along u × v the side
  // quads face outwards in this order.
  const V3 spine = stations.back().at - stations.front().at;
  const bool flip = Dot(Cross(u, v), spine) < 0;
  for (size_t s = 0; s + 1 < stations.size(); ++s) {
    for (size_t i = 0; i < n; ++i) {
      V3 a = point(s, i), b = point(s, i + 1), c = point(s + 1, i + 1), d = point(s + 1, i);
      if (flip)
        Quad(a, d, c, b);
      else
        Quad(a, b, c, d);
    }
  }
  if (!capEnds) return;
  auto cap = [&](size_t s, bool front) {
    if (stations[s].su == 0 || stations[s].sv == 0) return;
    const V3 centre = stations[s].at;
    for (size_t i = 0; i < n; ++i) {
      V3 a = point(s, i), b = point(s, i + 1);
      if (front != flip)
        Tri(centre, b, a);
      else
        Tri(centre, a, b);
    }
  };
  cap(0, true);
  cap(stations.size() - 1, false);
}

void MeshBuilder::BevelBox(V3 low, V3 high, float bevel) {
  const V3 c = (low + high) * 0.5f, h = (high - low) * 0.5f;
  const float b = std::min({bevel, h.x * 0.9f, h.y * 0.9f, h.z * 0.9f});
  const Section s = RoundedRect(h.x, h.y, b, 1);
  // Stations along z: a chamfer in, the body, a chamfer out.
  const float sx0 = (h.x - b) / h.x, sy0 = (h.y - b) / h.y;
  std::vector<LoftStation> st = {{{c.x, c.y, c.z - h.z}, sx0, sy0},
                                 {{c.x, c.y, c.z - h.z + b}, 1, 1},
                                 {{c.x, c.y, c.z + h.z - b}, 1, 1},
                                 {{c.x, c.y, c.z + h.z}, sx0, sy0}};
  Loft(s, st, {1, 0, 0}, {0, 1, 0});
}

void MeshBuilder::Cylinder(V3 a, V3 b, float radiusA, float radiusB, int steps, bool caps) {
  const V3 axis = Norm(b - a);
  const V3 helper = std::fabs(axis.x) < 0.9f ? V3{1, 0, 0} : V3{0, 1, 0};
  const V3 u = Norm(Cross(helper, axis)), v = Cross(axis, u);
  Loft(Ellipse(1, 1, steps), {{a, radiusA, radiusA}, {b, radiusB, radiusB}}, u, v, caps);
}

namespace {

struct Key {
  int32_t x, y, z;
  bool operator<(const Key& o) const { return std::tie(x, y, z) < std::tie(o.x, o.y, o.z); }
};
Key Quantise(V3 p, float step) {
  return {int32_t(std::lround(p.x / step)), int32_t(std::lround(p.y / step)), int32_t(std::lround(p.z / step))};
}

}  // namespace

KOR::Mesh3DFData MeshBuilder::Build() const {
  // Weld positions per part so smoothing sees shared corners.
  std::vector<V3> faceNormals(tris.size());
  std::map<std::pair<int, Key>, std::vector<std::pair<size_t, int>>> corners;  // (triangle, corner)
  for (size_t t = 0; t < tris.size(); ++t) {
    const Triangle& tr = tris[t];
    faceNormals[t] = Norm(Cross(tr.p[1] - tr.p[0], tr.p[2] - tr.p[0]));
    for (int k = 0; k < 3; ++k) corners[{tr.part, Quantise(tr.p[k], 1e-3f)}].push_back({t, k});
  }
  std::vector<std::array<V3, 3>> normals(tris.size());
  for (const auto& [key, list] : corners) {
    const float limit = std::cos(smoothing[size_t(key.first)] * float(M_PI) / 180.0f);
    for (auto [t, k] : list) {
      V3 sum{0, 0, 0};
      for (auto [o, ok] : list) {
        if (Dot(faceNormals[t], faceNormals[o]) >= limit) {
          const Triangle& tr = tris[o];
          // Weighted by the corner's angle so fans do not pull the normal.
          const V3 e1 = Norm(tr.p[(ok + 1) % 3] - tr.p[ok]), e2 = Norm(tr.p[(ok + 2) % 3] - tr.p[ok]);
          const float angle = std::acos(std::clamp(Dot(e1, e2), -1.0f, 1.0f));
          sum = sum + faceNormals[o] * angle;
        }
      }
      normals[t][size_t(k)] = Norm(sum);
    }
  }
  // Bounds per part, for atlas mappings.
  std::vector<V3> lo(mappings.size(), {1e30f, 1e30f, 1e30f}), hi(mappings.size(), {-1e30f, -1e30f, -1e30f});
  for (const Triangle& tr : tris)
    for (const V3& p : tr.p) {
      V3& l = lo[size_t(tr.part)];
      V3& h = hi[size_t(tr.part)];
      l = {std::min(l.x, p.x), std::min(l.y, p.y), std::min(l.z, p.z)};
      h = {std::max(h.x, p.x), std::max(h.y, p.y), std::max(h.z, p.z)};
    }

  KOR::Mesh3DFData mesh;
  std::map<std::tuple<Key, Key, int, int>, uint32_t> unique;
  std::vector<V3> tangentSum, bitangentSum;
  for (size_t t = 0; t < tris.size(); ++t) {
    const Triangle& tr = tris[t];
    const UvMapping& m = mappings[size_t(tr.part)];
    // Project along the face's dominant axis; the two others become u and v.
    const V3 n = faceNormals[t];
    const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    const int axis = (ax >= ay && ax >= az) ? 0 : (ay >= az ? 1 : 2);
    uint32_t index[3];
    float uv[3][2];
    for (int k = 0; k < 3; ++k) {
      const V3 p = tr.p[k];
      const float c[3] = {p.x, p.y, p.z};
      const V3 l = lo[size_t(tr.part)], h = hi[size_t(tr.part)];
      const float cl[3] = {l.x, l.y, l.z}, ch[3] = {h.x, h.y, h.z};
      // u runs along the horizontal-ish axis, v downwards, mirrored on back faces so
      // decals read the right way from the side the camera sees.
      const int ua = axis == 2 ? 0 : 2, va = axis == 1 ? 0 : 1;
      const float sign = (axis == 0 ? n.x : axis == 1 ? n.y : -n.z) >= 0 ? 1.0f : -1.0f;
      float u, v;
      if (m.tiled) {
        u = sign * c[ua] / m.scale;
        v = -c[va] / m.scale;
      } else {
        float fu = (c[ua] - cl[ua]) / std::max(ch[ua] - cl[ua], 1e-4f);
        const float fv = 1.0f - (c[va] - cl[va]) / std::max(ch[va] - cl[va], 1e-4f);
        if (sign < 0) fu = 1.0f - fu;
        u = m.rect.u0 + (m.rect.u1 - m.rect.u0) * fu;
        v = m.rect.v0 + (m.rect.v1 - m.rect.v0) * fv;
      }
      uv[k][0] = u, uv[k][1] = v;
      const V3 nk = normals[t][size_t(k)];
      auto key = std::make_tuple(Quantise(p, 1e-4f), Quantise(nk, 1e-3f), int32_t(std::lround(u * 8192)),
                                 int32_t(std::lround(v * 8192)));
      auto found = unique.find(key);
      if (found == unique.end()) {
        KOR::Mesh3DFVertex vertex;
        vertex.position[0] = p.x, vertex.position[1] = p.y, vertex.position[2] = p.z;
        vertex.normal[0] = nk.x, vertex.normal[1] = nk.y, vertex.normal[2] = nk.z;
        vertex.texCoord[0] = u, vertex.texCoord[1] = v;
        found = unique.emplace(key, uint32_t(mesh.vertices.size())).first;
        mesh.vertices.push_back(vertex);
        tangentSum.push_back({0, 0, 0});
        bitangentSum.push_back({0, 0, 0});
      }
      index[k] = found->second;
    }
    // The engine culls clockwise triangles: front faces are wound the other way round
    // from the outward normal of our construction.
    mesh.indices.insert(mesh.indices.end(), {index[0], index[2], index[1]});
    const V3 e1 = tr.p[1] - tr.p[0], e2 = tr.p[2] - tr.p[0];
    const float du1 = uv[1][0] - uv[0][0], dv1 = uv[1][1] - uv[0][1];
    const float du2 = uv[2][0] - uv[0][0], dv2 = uv[2][1] - uv[0][1];
    const float det = du1 * dv2 - du2 * dv1;
    if (std::fabs(det) > 1e-12f) {
      const float r = 1.0f / det;
      const V3 tangent = (e1 * dv2 - e2 * dv1) * r, bitangent = (e2 * du1 - e1 * du2) * r;
      for (uint32_t i : index) {
        tangentSum[i] = tangentSum[i] + tangent;
        bitangentSum[i] = bitangentSum[i] + bitangent;
      }
    }
  }
  for (size_t i = 0; i < mesh.vertices.size(); ++i) {
    KOR::Mesh3DFVertex& vertex = mesh.vertices[i];
    const V3 n{vertex.normal[0], vertex.normal[1], vertex.normal[2]};
    V3 t = tangentSum[i] - n * Dot(n, tangentSum[i]);
    if (Len(t) < 1e-6f) t = Cross(std::fabs(n.y) < 0.9f ? V3{0, 1, 0} : V3{1, 0, 0}, n);
    t = Norm(t);
    const float w = Dot(Cross(n, t), bitangentSum[i]) < 0 ? -1.0f : 1.0f;
    vertex.tangent[0] = t.x, vertex.tangent[1] = t.y, vertex.tangent[2] = t.z, vertex.tangent[3] = w;
  }
  return mesh;
}

void Append(KOR::Mesh3DFData& into, const KOR::Mesh3DFData& from) {
  const uint32_t base = uint32_t(into.vertices.size());
  into.vertices.insert(into.vertices.end(), from.vertices.begin(), from.vertices.end());
  for (uint32_t i : from.indices) into.indices.push_back(base + i);
}

}  // namespace Content
