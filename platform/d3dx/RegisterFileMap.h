#pragma once
// Which registers of one file a compile has handed out: explicit bindings are claimed first,
// then every other constant takes the lowest free run that holds it, as D3DX assigns them.

#include <optional>
#include <vector>

namespace d3dx {

class RegisterFileMap {
public:
  explicit RegisterFileMap(unsigned size) : taken(size, false) {}
  // Takes [first, first + count); false when the run leaves the file or overlaps a taken one.
  bool Claim(unsigned first, unsigned count);
  // The first register of the lowest free run of count registers, taken; none when full.
  std::optional<unsigned> ClaimLowest(unsigned count);

private:
  std::vector<bool> taken;
};

}  // namespace d3dx
