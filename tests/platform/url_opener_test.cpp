// Opening an address in the browser: the opener's exit reaches the run loop,
// its failure too, and a path becomes an address the opener cannot misread.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

#include "platform/run_loop.h"
#include "platform/url_opener.h"

namespace piano::platform {
namespace {

TEST(UrlOpener, TellsWhetherTheOpenerWorked) {
  for (const auto& [opener, works] : {std::pair{"true", true}, {"false", false}, {"no-such-opener-here", false}}) {
    RunLoop loop;
    std::optional<bool> result;
    openUrl("file:///tmp/manual.html", loop, [&](bool opened) { result = opened; }, opener);
    // Waits for the child to end; the bound only keeps a fault from hanging.
    for (int i = 0; i < 4000 && !result; ++i) {
      loop.runDue();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(result, std::optional(works)) << opener;
  }
  EXPECT_EQ(fileUrl("/a b/\xC3\xA9'.html"), "file:///a%20b/%C3%A9%27.html");
}

}  // namespace
}  // namespace piano::platform
