#include "platform/clock.h"

#include <chrono>

namespace piano::platform {

double mediaTime() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double wallTime() {
  using namespace std::chrono;
  constexpr double kSecondsFrom1970To2001 = 978307200.0;
  return duration<double>(system_clock::now().time_since_epoch()).count() - kSecondsFrom1970To2001;
}

}  // namespace piano::platform
