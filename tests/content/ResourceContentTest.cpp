// The options dialog's reverb badge and the window icon, as the game compiles them in.

#include <gtest/gtest.h>

#include <set>

#include "ReverbBadge.h"
#include "WindowIcon.h"

namespace {

TEST(ResourceContent, TheBadgeFillsTheDialogsBitmapAndShowsAPicture) {
  ASSERT_EQ(kReverbBadgeWidth, 86);
  ASSERT_EQ(kReverbBadgeHeight, 32);
  ASSERT_EQ(std::size(kReverbBadgePixels), size_t(86 * 32));
  std::set<uint32_t> colours(std::begin(kReverbBadgePixels), std::end(kReverbBadgePixels));
  EXPECT_GT(colours.size(), 50u);
  for (uint32_t p : kReverbBadgePixels) EXPECT_EQ(p >> 24, 0xFFu);  // a dialog bitmap is opaque
}

TEST(ResourceContent, TheIconIsRoundOnAClearBackground) {
  ASSERT_EQ(kWindowIconWidth, 32);
  ASSERT_EQ(kWindowIconHeight, 32);
  auto alpha = [](int x, int y) { return kWindowIconPixels[y * 32 + x] >> 24; };
  EXPECT_EQ(alpha(0, 0), 0u);
  EXPECT_EQ(alpha(31, 31), 0u);
  EXPECT_EQ(alpha(16, 16), 255u);
  EXPECT_GT(alpha(16, 1), 200u);  // the ring reaches the edge's middle
}

}  // namespace
