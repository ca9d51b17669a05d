// The tall-screen answer: from the screen's size, and once per process.
#include "keyboard/resolution_helper.h"

#include <gtest/gtest.h>

#include "platform/screen.h"

namespace piano {
namespace {

TEST(ResolutionHelper, TallOnlyAt1136Pixels) {
  EXPECT_TRUE(ResolutionHelper::isTallResolution(568, 2));
  EXPECT_FALSE(ResolutionHelper::isTallResolution(480, 2));
  EXPECT_FALSE(ResolutionHelper::isTallResolution(480, 1));
  EXPECT_FALSE(ResolutionHelper::isTallResolution(568, 1));

  const bool saved = platform::isTallScreen();
  platform::setTallScreen(true);
  EXPECT_TRUE(ResolutionHelper().screenIs568h());
  platform::setTallScreen(false);
  EXPECT_FALSE(ResolutionHelper().screenIs568h());
  platform::setTallScreen(saved);
}

TEST(ResolutionHelper, OneSharedInstance) {
  ResolutionHelper::createSharedInstance();
  ResolutionHelper* first = ResolutionHelper::sharedInstance();
  ASSERT_NE(first, nullptr);
  ResolutionHelper::createSharedInstance();
  EXPECT_EQ(ResolutionHelper::sharedInstance(), first);
  EXPECT_EQ(ResolutionHelper::is568h(), first->screenIs568h());
}

}  // namespace
}  // namespace piano
