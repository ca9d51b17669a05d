#include "platform/test_probe.h"

#include <limits>
#include <map>
#include <utility>

namespace piano::platform {
namespace {

std::map<std::string, std::function<double()>>& probes() {
  static std::map<std::string, std::function<double()>> table;
  return table;
}

}  // namespace

void exposeProbe(const std::string& name, std::function<double()> read) { probes()[name] = std::move(read); }

void clearProbes() { probes().clear(); }

double readProbe(const std::string& name) {
  const auto found = probes().find(name);
  return found == probes().end() ? std::numeric_limits<double>::quiet_NaN() : found->second();
}

}  // namespace piano::platform
