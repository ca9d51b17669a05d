// The display the application draws on: the landscape picture of 480 x 320
// points, or 568 x 320 on the tall screen.
//
// The tall-screen flag is one process-wide value, fixed at start-up before the
// first screen is built (the display adapter decides it from the display's
// aspect ratio or an option). Main thread; read from any thread after start-up.
#pragma once

#include "platform/geometry.h"

namespace piano::platform {

bool isTallScreen();
void setTallScreen(bool tall);

// 480 x 320, or 568 x 320 on the tall screen.
Size landscapeSize();
Size landscapeSize(bool tall);

// The tall layout suits a display (in pixels) whose long side is at least
// 1.6375 times its short side (half way between 480:320 and 568:320).
bool tallLayoutSuits(int width, int height);

// A point of the application's portrait screen space (x across the short
// side, y along the long one) as shown on the landscape display: (y, 320 - x).
Point portraitToLandscape(Point portrait);
Point landscapeToPortrait(Point landscape);

// Where the landscape picture (`picture`, in points) shows on an output of
// `output` pixels: as large as fits with its aspect kept, centred, the rest
// left black. With `turnWhenPortrait`, an output taller than wide shows it
// turned a quarter clockwise (its top along the output's right edge), upright
// for a player who turns the device a quarter the other way: a phone whose
// browser keeps the page portrait. Maps picture points to output pixels; its
// inverse maps touches back, so the keys are where they are drawn.
AffineTransform pictureToOutput(Size picture, Size output, bool turnWhenPortrait);

}  // namespace piano::platform
