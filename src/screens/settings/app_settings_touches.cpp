// Touches of the settings screen: navigation first, then the page shown.
// Zones are in the screen's portrait coordinates; on the tall screen the
// page zones and the page names lie 45 points further along y, as the pages'
// pictures do. The APP rows answer exactly where they are drawn (appRowRect).
#include <cmath>
#include <limits>

#include "audio/sound_player.h"
#include "platform/touch.h"
#include "recording/metronome.h"
#include "screens/settings/app_settings_view.h"
#include "screens/settings/settings_host.h"

namespace piano {

using platform::Point;

namespace {

// Whole points toward zero, as the zones are laid out; anything that is no
// finite on-screen coordinate lands in no zone.
int trunc(double value) {
  if (!(std::fabs(value) < 1.0e6)) return std::numeric_limits<int>::min();
  return static_cast<int>(std::trunc(value));
}

constexpr int kTestNoteSlot = 44;  // the E above middle C

// Test-note buttons on the PIANO page, across the screen.
bool inPedalTestColumn(double x) { return x > 63.0 && x < 98.0; }
bool inNormalTestColumn(double x) { return x > 98.0 && x < 145.0; }

}  // namespace

// ---------------------------------------------------------------- touch delivery

void AppSettingsView::touchesBegan(const platform::TouchSet& touches) {
  if (!touches.empty()) processTouch(*touches.front());
}
void AppSettingsView::touchesMoved(const platform::TouchSet& touches) {
  if (!touches.empty()) processTouch(*touches.front());
}
void AppSettingsView::touchesEnded(const platform::TouchSet& touches) {
  if (!touches.empty()) processTouch(*touches.front());
}
void AppSettingsView::touchesCancelled(const platform::TouchSet& touches) {
  if (!touches.empty()) processTouch(*touches.front());
}

void AppSettingsView::processTouch(const platform::Touch& touch) {
  const Point point = touch.locationInView(this);
  switch (touch.phase()) {
    case platform::TouchPhase::Began: fingerDown(point); break;
    case platform::TouchPhase::Moved: fingerMove(point, touch.previousLocationInView(this)); break;
    case platform::TouchPhase::Ended:
    case platform::TouchPhase::Cancelled: fingerUp(point); break;
    case platform::TouchPhase::Stationary: break;
  }
}

void AppSettingsView::fingerDown(Point point) {
  const double x = point.x;
  const double y = point.y;
  const double farEnd = tall_ ? 502.0 : 420.0;  // help icon
  if (x > 268.0 && y < 47.0) {
    metronome_.stopMetronome();
    parent_.showPiano();
    return;
  }
  if (x > 268.0 && y > farEnd) {
    metronome_.stopMetronome();
    parent_.showManual(this);
    return;
  }
  if (x > 106.0 && x < 228.0 && y < 51.0) {
    changeSettingsScreen(screen_ > kAppPage ? screen_ - 1 : kAppPage);
    return;
  }
  if (x > 106.0 && x < 228.0 && y > (tall_ ? 502.0 : 435.0)) {
    changeSettingsScreen(screen_ < kMetroPage ? screen_ + 1 : kMetroPage);
    return;
  }
  if (x > 270.0) {
    const double yy = y - s_;
    if (yy > 133.0 && yy < 203.0) return changeSettingsScreen(kAppPage);
    if (yy > 203.0 && yy < 275.0) return changeSettingsScreen(kPianoPage);
    if (yy > 275.0 && yy < 345.0) return changeSettingsScreen(kMetroPage);
  }
  switch (screen_) {
    case kAppPage: fingerDownApp(point); break;
    case kPianoPage: fingerDownPiano(point); break;
    case kMetroPage: fingerDownMetronome(point); break;
    default: break;
  }
}

void AppSettingsView::fingerMove(Point point, Point oldPoint) {
  if (screen_ == kMetroPage) {
    fingerOnMetronomeSlider(point);
  } else if (screen_ == kPianoPage) {
    fingerMovePiano(point, oldPoint);
  }
}

void AppSettingsView::fingerUp(Point point) {
  if (screen_ == kPianoPage) fingerUpPiano(point);
}

// ---------------------------------------------------------------- APP page

void AppSettingsView::fingerDownApp(Point point) {
  int row = 0;
  while (row < kAppRows && !appRowRect(row).contains(point)) ++row;
  switch (row) {
    case kNumberOfKeysRow: {
      const int keys = parent_.numKeysToDisplay() + 1;
      parent_.setNumKeysToDisplay(keys > 15 || keys < 8 ? 8 : keys);
      break;
    }
    case kExpressionRow: {
      const int function = parent_.expressionFunction() + 1;
      parent_.setExpressionFunction(function > 3 || function < 0 ? 0 : function);
      break;
    }
    case kNoteNamingRow: {
      const int naming = parent_.displayNoteNames() + 1;
      parent_.setDisplayNoteNames(naming > 3 || naming < 0 ? 0 : naming);
      break;
    }
    case kDualKeyboardRow: parent_.setDualKeyboard(!parent_.dualKeyboard()); break;
    case kAudioPanningRow: soundPlayer_.setPianoNotePanning(!soundPlayer_.pianoNotePanning()); break;
    default: return;  // between or beside the rows
  }
  redraw();
}

// ---------------------------------------------------------------- PIANO page

bool AppSettingsView::fingerOnSustainSlider(Point point) {
  if (normalSustain_->setSliderToCoord(point)) {
    parent_.setSustainTimeNormal(normalSustain_->getValue());
    return true;
  }
  if (pedalSustain_->setSliderToCoord(point)) {
    parent_.setSustainTimePedal(pedalSustain_->getValue());
    return true;
  }
  return false;
}

void AppSettingsView::fingerDownPiano(Point point) {
  const int y = trunc(point.y) - s_;
  const bool onTestRow = y >= 361 && y <= 424;
  if (onTestRow && inPedalTestColumn(point.x)) {
    playlistNoPedal_ = soundPlayer_.playSampleWithSampleNo(kTestNoteSlot, 1.0, 1.0f, parent_.sustainTimePedal());
  } else if (onTestRow && inNormalTestColumn(point.x)) {
    playlistNoNormal_ = soundPlayer_.playSampleWithSampleNo(kTestNoteSlot, 1.0, 1.0f, parent_.sustainTimeNormal());
  } else {
    fingerOnSustainSlider(point);
  }
}

void AppSettingsView::fingerMovePiano(Point point, Point oldPoint) {
  fingerOnSustainSlider(point);
  auto onTestRow = [this](Point p) { return p.y - s_ > 360.0 && p.y - s_ < 425.0; };
  const bool wasOnPedal = onTestRow(oldPoint) && inPedalTestColumn(oldPoint.x);
  const bool isOnPedal = onTestRow(point) && inPedalTestColumn(point.x);
  const bool wasOnNormal = onTestRow(oldPoint) && inNormalTestColumn(oldPoint.x);
  const bool isOnNormal = onTestRow(point) && inNormalTestColumn(point.x);
  if (wasOnPedal && !isOnPedal) stopTestNote(playlistNoPedal_);
  if (wasOnNormal && !isOnNormal) stopTestNote(playlistNoNormal_);
}

void AppSettingsView::fingerUpPiano(Point /*point*/) {
  // Only one finger plays on this screen, so a test note still sounding is the
  // lifted finger's, wherever it was lifted: a lift that lands off the button
  // without a move before it (or a cancelled touch) must not leave it ringing.
  stopTestNote(playlistNoPedal_);
  stopTestNote(playlistNoNormal_);
}

void AppSettingsView::stopTestNote(int& voice) {
  // Once stopped, the voice may be handed to another sound (a song playing
  // back); it is not ours to stop again.
  soundPlayer_.stopSample(voice);
  voice = -1;
}

// ---------------------------------------------------------------- METRO page

bool AppSettingsView::fingerOnMetronomeSlider(Point point) {
  if (volume_->setSliderToCoord(point)) {
    metronome_.setMetronomeVolume(volume_->getValue());
    return true;
  }
  if (tempo_->setSliderToCoord(point)) {
    metronome_.setMetronomeTempo(static_cast<int>(std::trunc(tempo_->getValue() * 200.0f + 50.0f)));
    redraw();
    return true;
  }
  return false;
}

void AppSettingsView::fingerDownMetronome(Point point) {
  if (fingerOnMetronomeSlider(point)) return;
  if (!(point.x > 187.0 && point.x < 229.0)) return;
  const int y = trunc(point.y) - s_;
  if (y >= 156 && y <= 223) {
    const int beats = metronome_.getMetronomeBeatsPerBar() - 1;
    metronome_.setMetronomeBeatsPerBar(beats < 1 ? 1 : beats);
    redraw();
  } else if (y >= 260 && y <= 324) {
    const int beats = metronome_.getMetronomeBeatsPerBar() + 1;
    metronome_.setMetronomeBeatsPerBar(beats > 6 ? 6 : beats);
    redraw();
  } else if (y >= 60 && y <= 121) {
    toggleMetronome();
    redraw();
  } else if (y >= 359 && y <= 429) {
    tapTempo();
  }
}

void AppSettingsView::tapTempo() {
  const int tempo = tapTempo_.tap(clock_());
  if (tempo == 0) return;  // the first tap of a series only starts the clock
  metronome_.setMetronomeTempo(tempo);
  redraw();
}

}  // namespace piano
