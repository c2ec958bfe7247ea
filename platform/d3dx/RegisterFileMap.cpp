#include "platform/d3dx/RegisterFileMap.h"

#include <cstdint>

namespace d3dx {

bool RegisterFileMap::Claim(unsigned first, unsigned count) {
  if (count == 0 || uint64_t(first) + count > taken.size()) return false;
  for (unsigned r = first; r < first + count; ++r)
    if (taken[r]) return false;
  for (unsigned r = first; r < first + count; ++r) taken[r] = true;
  return true;
}

std::optional<unsigned> RegisterFileMap::ClaimLowest(unsigned count) {
  if (count == 0 || count > taken.size()) return std::nullopt;
  unsigned run = 0;
  for (unsigned r = 0; r < taken.size(); ++r) {
    run = taken[r] ? 0 : run + 1;
    if (run == count) {
      unsigned first = r + 1 - count;
      Claim(first, count);
      return first;
    }
  }
  return std::nullopt;
}

}  // namespace d3dx
