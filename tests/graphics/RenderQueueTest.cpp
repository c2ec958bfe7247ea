#include <gtest/gtest.h>

#include <optional>

#include "graphics/RenderQueue.h"

namespace {

// Passes are drawn in the order they were made, wherever they live: an order by address
// would change from run to run, and with it which of two surfaces at one depth shows.
TEST(RenderQueueTest, PassesGoInTheOrderTheyWereMadeThenItemsInTheirOwnOrder) {
  std::optional<KOR::MaterialPass> slots[2];
  slots[1].emplace();  // made first, at the higher address
  slots[0].emplace();
  KOR::RenderQueue queue;
  KOR::DrawItem first, second;
  first.pass = &*slots[1];
  second.pass = &*slots[0];
  EXPECT_TRUE(queue.Less(first, second));
  EXPECT_FALSE(queue.Less(second, first));
  second.pass = first.pass;
  first.order = 7, second.order = 3;
  EXPECT_TRUE(queue.Less(second, first));
  EXPECT_FALSE(queue.Less(first, second));
}

}  // namespace
