#include "platform/d3dx/D3DX9Shader.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>

#include "platform/d3dx/ConstantTable.h"
#include "platform/d3dx/D3DX9Testing.h"
#include "platform/d3dx/HlslCompiler.h"

namespace d3dx {
namespace {

class Buffer final : public d3d9::RefCounted<ID3DXBuffer> {
public:
  Buffer(const void* data, size_t size)
      : bytes(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size) {}
  LPVOID GetBufferPointer() override { return bytes.data(); }
  DWORD GetBufferSize() override { return DWORD(bytes.size()); }

private:
  std::vector<BYTE> bytes;
};

struct Profile {
  const char* name;
  bool pixel;
  bool saturateColours;  // vertex colour outputs are clamped below shader model 3
  const char* variant;   // profiles with the same variant give the same code
};
constexpr Profile kProfiles[] = {
    {"vs_1_1", false, true, "vs_2"}, {"vs_2_0", false, true, "vs_2"},
    {"vs_3_0", false, false, "vs_3"}, {"ps_1_1", true, false, "ps"},
    {"ps_1_2", true, false, "ps"},    {"ps_1_3", true, false, "ps"},
    {"ps_1_4", true, false, "ps"},    {"ps_2_0", true, false, "ps"},
    {"ps_2_a", true, false, "ps"},    {"ps_2_b", true, false, "ps"},
    {"ps_3_0", true, false, "ps"}};

// A compile as the cache keeps it: shared by every caller that asks for the same variant.
struct CachedCompile {
  bool ok = false;
  bool pixel = false;
  std::string messages;
  std::vector<DWORD> code;
  std::shared_ptr<const std::vector<ConstantRecord>> constants;
};

// Material variants are compiled once per run: the key is everything the result depends on.
using CacheKey = std::tuple<std::string, std::string, std::string, std::string>;

struct CompileCache {
  std::mutex mutex;
  std::map<CacheKey, std::shared_ptr<const CachedCompile>> entries;
  uint64_t compiles = 0;
};
CompileCache& Cache() {
  static CompileCache cache;
  return cache;
}

std::shared_ptr<const CachedCompile> Compile(std::string_view source, const std::string& preamble,
                                             ID3DXInclude* include, const std::string& entry,
                                             const Profile& profile) {
  CompileResult result =
      CompileHlsl(source, preamble, include, entry, profile.pixel, profile.saturateColours);
  auto compiled = std::make_shared<CachedCompile>();
  compiled->ok = result.ok;
  compiled->pixel = profile.pixel;
  compiled->messages = std::move(result.messages);
  compiled->code = std::move(result.code);
  compiled->constants =
      std::make_shared<const std::vector<ConstantRecord>>(std::move(result.constants));
  return compiled;
}

}  // namespace
}  // namespace d3dx

using namespace d3dx;

HRESULT D3DXCompileShader(LPCSTR source, UINT length, const D3DXMACRO* defines,
                          LPD3DXINCLUDE include, LPCSTR entry, LPCSTR profile, DWORD /*flags*/,
                          LPD3DXBUFFER* code, LPD3DXBUFFER* errors,
                          LPD3DXCONSTANTTABLE* constants) {
  if (code) *code = nullptr;
  if (errors) *errors = nullptr;
  if (constants) *constants = nullptr;
  auto fail = [&](const std::string& message) {
    if (errors) *errors = new Buffer(message.c_str(), message.size() + 1);
    return E_FAIL;
  };
  if (!source || !entry || !profile) return D3DERR_INVALIDCALL;
  const Profile* chosen = nullptr;
  for (const Profile& p : kProfiles)
    if (std::strcmp(p.name, profile) == 0) chosen = &p;
  if (!chosen) return fail(std::string("error: unknown profile '") + profile + "'\n");
  if (!*entry) return fail("error: no entry point given\n");

  std::string preamble;
  for (const D3DXMACRO* d = defines; d && d->Name; ++d)
    preamble += std::string("#define ") + d->Name + " " + (d->Definition ? d->Definition : "") + "\n";
  std::string_view text(source, length);
  // What an include handler returns may change between calls, so those are not cached.
  std::shared_ptr<const CachedCompile> compiled;
  if (include) {
    compiled = Compile(text, preamble, include, entry, *chosen);
    std::lock_guard lock(Cache().mutex);
    ++Cache().compiles;
  } else {
    CompileCache& cache = Cache();
    CacheKey key{std::string(text), preamble, entry, chosen->variant};
    std::unique_lock lock(cache.mutex);
    auto found = cache.entries.find(key);
    if (found != cache.entries.end()) {
      compiled = found->second;
    } else {
      lock.unlock();
      compiled = Compile(text, preamble, nullptr, entry, *chosen);
      lock.lock();
      ++cache.compiles;
      cache.entries.emplace(std::move(key), compiled);
    }
  }

  if (errors && !compiled->messages.empty())
    *errors = new Buffer(compiled->messages.c_str(), compiled->messages.size() + 1);
  if (!compiled->ok) return E_FAIL;
  if (code) *code = new Buffer(compiled->code.data(), compiled->code.size() * sizeof(DWORD));
  if (constants)
    *constants = new ConstantTable(compiled->constants, compiled->pixel, compiled->code[0]);
  return D3D_OK;
}

uint64_t D3DXTestingCompileCount() {
  std::lock_guard lock(Cache().mutex);
  return Cache().compiles;
}

void D3DXTestingClearCache() {
  std::lock_guard lock(Cache().mutex);
  Cache().entries.clear();
}
