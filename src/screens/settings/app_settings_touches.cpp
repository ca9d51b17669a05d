// Touches of the settings screen: navigation first, then the page shown. The
// zones are those of the layout (settings_layout.h, and appRowRect for the APP
// rows), so each control answers where it is drawn.
#include <cmath>

#include "audio/sound_player.h"
#include "platform/touch.h"
#include "recording/metronome.h"
#include "screens/settings/app_settings_view.h"
#include "screens/settings/settings_host.h"
#include "screens/settings/settings_layout.h"

namespace piano {

using platform::Point;
using namespace settings_layout;

namespace {

constexpr int kTestNoteSlot = 44;  // the E above middle C

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
  const Navigation& navigation = kNavigation[tall_];
  if (navigation.back.zone.contains(point)) {
    metronome_.stopMetronome();
    parent_.showPiano();
    return;
  }
  if (navigation.help.zone.contains(point)) {
    metronome_.stopMetronome();
    parent_.showManual(ManualView::FromScreen::kSettings);
    return;
  }
  if (navigation.previousPage.zone.contains(point)) {
    changeSettingsScreen(screen_ > kAppPage ? screen_ - 1 : kAppPage);
    return;
  }
  if (navigation.nextPage.zone.contains(point)) {
    changeSettingsScreen(screen_ < kMetroPage ? screen_ + 1 : kMetroPage);
    return;
  }
  for (int page = kAppPage; page <= kMetroPage; ++page) {
    if (pageNameZone(page).contains(point)) return changeSettingsScreen(page);
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
  if (kPedalTest.contains(point, s_)) {
    playlistNoPedal_ = soundPlayer_.playSampleWithSampleNo(kTestNoteSlot, 1.0, 1.0f, parent_.sustainTimePedal());
  } else if (kNormalTest.contains(point, s_)) {
    playlistNoNormal_ = soundPlayer_.playSampleWithSampleNo(kTestNoteSlot, 1.0, 1.0f, parent_.sustainTimeNormal());
  } else {
    fingerOnSustainSlider(point);
  }
}

void AppSettingsView::fingerMovePiano(Point point, Point oldPoint) {
  fingerOnSustainSlider(point);
  // A finger that slides off a test button stops its note.
  if (kPedalTest.contains(oldPoint, s_) && !kPedalTest.contains(point, s_)) stopTestNote(playlistNoPedal_);
  if (kNormalTest.contains(oldPoint, s_) && !kNormalTest.contains(point, s_)) stopTestNote(playlistNoNormal_);
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
  if (kFewerBeats.contains(point, s_)) {
    const int beats = metronome_.getMetronomeBeatsPerBar() - 1;
    metronome_.setMetronomeBeatsPerBar(beats < 1 ? 1 : beats);
    redraw();
  } else if (kMoreBeats.contains(point, s_)) {
    const int beats = metronome_.getMetronomeBeatsPerBar() + 1;
    metronome_.setMetronomeBeatsPerBar(beats > 6 ? 6 : beats);
    redraw();
  } else if (kMetronomeSwitch.contains(point, s_)) {
    toggleMetronome();
    redraw();
  } else if (kTapTempo.contains(point, s_)) {
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
