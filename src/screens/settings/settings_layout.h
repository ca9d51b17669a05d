// Where the settings screen's controls lie and answer touches: one table that
// both the layout (app_settings_view.cpp) and the touch handling
// (app_settings_touches.cpp) read. Portrait points of the settings view.
//
// Plain constants; any thread.
#pragma once

#include "platform/geometry.h"
#include "screens/touch_zone.h"

namespace piano::settings_layout {

// What lies on the pages, and the page names, is 45 points further along y on
// the tall screen, as the pages' pictures draw it.
constexpr int kTallShift = 45;

// The navigation icons, above the pages at the screen's ends: each zone and the
// picture's centre on it. [0] normal screen, [1] tall screen.
struct Icon {
  TouchZone zone;
  platform::Point picture;
};
struct Navigation {
  Icon back, help, previousPage, nextPage;
};
constexpr Navigation kNavigation[2] = {
    {{{.left = 268, .bottom = 47}, {300.5, 20.5}},
     {{.left = 268, .top = 420}, {300.5, 461.5}},
     {{.left = 106, .right = 228, .bottom = 51}, {161, 19.5}},
     {{.left = 106, .top = 435, .right = 228}, {161, 459.5}}},
    {{{.left = 268, .bottom = 47}, {300.5, 20.5}},
     {{.left = 268, .top = 502}, {300.5, 547}},
     {{.left = 106, .right = 228, .bottom = 51}, {161, 19.5}},
     {{.left = 106, .top = 502, .right = 228}, {161, 549.5}}}};

// The page names (APP, PIANO, METRO) in the band along the top: labels of
// 80 x 30 turned to read along y, centred here (normal screen). Each answers
// across the band, along its own length.
constexpr platform::Size kPageNameSize{80, 30};
constexpr double kPageNameX = 302;
constexpr double kPageNameY[3] = {155, 240, 325};
constexpr double kNavigationBand = 270;

// Buttons drawn in the PIANO and METRO pages' pictures (normal screen). A
// button answers strictly between its sides across, and along y from its first
// whole point to the end of its last. `caption`: the centre of the caption the
// screen writes on it.
struct PageButton {
  platform::Rect zone;
  platform::Point caption;
  constexpr bool contains(platform::Point p, double shift) const {
    return p.x > zone.x && p.x < zone.x + zone.width && p.y >= zone.y + shift && p.y < zone.y + zone.height + shift;
  }
};
constexpr PageButton kPedalTest{{63, 361, 35, 64}, {78, 385}};
constexpr PageButton kNormalTest{{98, 361, 47, 64}, {125, 385}};
constexpr PageButton kMetronomeSwitch{{187, 60, 42, 62}, {195, 90}};
constexpr platform::Point kMetronomeLamp{212, 91};
constexpr PageButton kFewerBeats{{187, 156, 42, 68}, {}};
constexpr PageButton kMoreBeats{{187, 260, 42, 65}, {}};
constexpr PageButton kTapTempo{{187, 359, 42, 71}, {195, 390}};

}  // namespace piano::settings_layout
