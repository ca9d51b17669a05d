#include "platform/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace piano::platform {
namespace {

// The browser build writes and reads state files through printf and strtod;
// files must come out and read back the same as on the desktop.
TEST(NumberText, WithoutCharconvMatchesCharconv) {
  namespace plain = without_charconv;
  for (const double v : {0.0, -0.0, 1.0, -8e-05, 0.7, 123456789.0, 1e-7, 1e300, -1.5e-320, 999999.5, 1e21,
                         std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_EQ(plain::generalText(v, 6), generalText(v, 6)) << v;
    EXPECT_EQ(plain::fixedText(v, 6), fixedText(v, 6)) << v;
  }
  for (const char* text : {"1.5x", "-0", ".5", "5.", "1.5e", "4e-320", "1e-400", "2e308", "0x10", "-0x1p3", "0X",
                           "nan(abc)", "infinity", "-inf", "-", " 1", "+1", "-+1", "e5", "."}) {
    const auto expected = parseNumber(text), actual = plain::parseNumber(text);
    EXPECT_EQ(actual.status, expected.status) << text;
    if (std::isnan(expected.value)) {
      EXPECT_TRUE(std::isnan(actual.value)) << text;
    } else {
      EXPECT_EQ(actual.value, expected.value) << text;
      EXPECT_EQ(std::signbit(actual.value), std::signbit(expected.value)) << text;
    }
  }
}

}  // namespace
}  // namespace piano::platform
