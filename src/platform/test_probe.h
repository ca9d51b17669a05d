#pragma once
// Figures a running program lets a driver outside read: the browser build hands
// them to the page's script (`Module.ccall('piano_probe', 'number', ['string'],
// [name])`), so a test in the browser can ask how many voices started and how
// many still sound instead of guessing from the output. Main thread only.
#include <functional>
#include <string>

namespace piano::platform {

// Makes `read` answer for `name` (replacing what answered before).
void exposeProbe(const std::string& name, std::function<double()> read);
// Forgets every probe (before what they read goes away).
void clearProbes();
// The figure named `name`, or NaN when nothing answers for it.
double readProbe(const std::string& name);

}  // namespace piano::platform
