#pragma once
// Collects (object, pass) items for one phase of a frame, sorts them by pass and draws each
// group of one pass with a single application of that pass. The queue's own render states
// are the phase's base state, applied before the groups.

#include <cstddef>
#include <vector>

#include "graphics/Material.h"
#include "graphics/RenderPass.h"

namespace KOR {

class RenderQueue : public RenderPass {
public:
  // Orders items by their passes, in the order the passes were made (the same in every
  // run), then by their own order within a pass.
  virtual bool Less(const DrawItem& a, const DrawItem& b) const {
    return a.pass != b.pass ? a.pass->serial < b.pass->serial : a.order < b.order;
  }

  // A copy of the item; the queue keeps its storage between frames.
  void Add(const DrawItem& item) { items.push_back(item); }
  // Applies the base state, sorts, and for each group applies its pass once and lets
  // every layer of the pass draw the group's objects.
  void Draw();
  void Clear() { items.clear(); }

  std::vector<DrawItem> items;
};

}  // namespace KOR
