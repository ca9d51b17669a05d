// ResolutionHelper: which of the two layouts the device has, the ordinary
// screen (480 points along the long side) or the tall one (568 points). The
// root view copies the answer into the process-wide tall-screen flag
// (platform/screen.h) first thing in its construction; every layout and hit
// test reads that flag.
//
// Here the display adapter decides the layout from the display's aspect ratio
// or an option and sets the flag before anything else runs; the helper takes
// its answer from that decision when it is created.
//
// Threads: createSharedInstance may be called from any thread (it locks);
// everything else on the main thread.
#pragma once

namespace piano {

class ResolutionHelper {
 public:
  // Creates the instance unless it exists; it is kept for the life of the process.
  static void createSharedInstance();
  // The instance, or null before createSharedInstance.
  static ResolutionHelper* sharedInstance();
  // The instance's answer; false while there is no instance.
  static bool is568h();

  // initResolutionHelper.
  ResolutionHelper() { getDeviceResolution(); }

  bool screenIs568h() const { return is568h_; }
  void getDeviceResolution();
  // Diagnostic listing of the machine and the screen on the standard output.
  void printDeviceDetails() const;

  // A portrait screen `heightPoints` long at `scale` pixels per point is the
  // tall one when that makes exactly 1136 pixels.
  static bool isTallResolution(double heightPoints, double scale);

 private:
  bool is568h_ = false;
};

}  // namespace piano
