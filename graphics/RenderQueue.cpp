#include "graphics/RenderQueue.h"

#include <algorithm>

namespace KOR {

void RenderQueue::Draw() {
  Apply();
  std::sort(items.begin(), items.end(), [this](const DrawItem& a, const DrawItem& b) { return Less(a, b); });
  for (size_t first = 0; first < items.size();) {
    MaterialPass* pass = items[first].pass;
    size_t end = first + 1;
    while (end < items.size() && items[end].pass == pass) ++end;
    pass->Apply();
    for (const auto& layer : pass->layers) layer->Draw(&items[first], end - first);
    first = end;
  }
}

}  // namespace KOR
