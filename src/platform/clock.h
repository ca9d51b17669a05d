// Clocks of the platform. Any thread may call them; neither allocates or locks.
#pragma once

namespace piano::platform {

// Monotonic seconds since an arbitrary origin (the media clock): voice ages,
// recording and playback times, tap tempo.
double mediaTime();

// Seconds since 2001-01-01 00:00:00 UTC (the wall clock); used only to stamp when
// a recorded note object was made.
double wallTime();

}  // namespace piano::platform
