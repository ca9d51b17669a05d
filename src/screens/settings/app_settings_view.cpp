#include "screens/settings/app_settings_view.h"

#include <cmath>
#include <string>

#include "audio/sound_player.h"
#include "platform/audio_output.h"
#include "platform/clock.h"
#include "platform/image_view.h"
#include "platform/label.h"
#include "platform/localized_strings.h"
#include "platform/screen.h"
#include "platform/volume_view.h"
#include "recording/metronome.h"
#include "screens/settings/settings_host.h"
#include "screens/settings/settings_layout.h"

namespace piano {

using platform::Colour;
using platform::ImageView;
using platform::Label;
using platform::Point;
using platform::Size;
using platform::TextAlignment;
using namespace settings_layout;

namespace {

constexpr double kQuarterTurn = M_PI / 2.0;
constexpr double kPageAnimationSeconds = 0.4;
constexpr float kDimmedPageName = 0.4f;
constexpr float kVolumeControlAlpha = 0.8f;

// Page pictures; the tall screen has pictures of its own.
const char* const kPageImages[3] = {"AppSetupView", "PianoSetupView", "MetroSetupView"};
const char* const kPageImageTypes[3] = {"jpg", "png", "png"};

// The APP page's rows as its picture draws them: 34 points across, centred on
// these x, along y from 76 to 400 (45 further on the tall screen).
constexpr double kAppRowCentreX[AppSettingsView::kAppRows] = {197.0, 159.0, 120.0, 82.0, 44.0};
constexpr double kAppRowWidth = 34.0;
constexpr double kAppRowStart = 76.0;
constexpr double kAppRowLength = 324.0;

// Texts of the choices, by setting value.
const char* const kExpressionKeys[4] = {"NO", "VOLUME", "SUSTAIN", "SOFT"};
const char* const kNoteNamingKeys[4] = {"NO", "LEFT KEY", "ALL KEYS", "COLOURED"};

std::shared_ptr<ImageView> imageAt(const std::string& name, Point centre) {
  auto view = std::make_shared<ImageView>(name, "png");
  view->setCentre(centre);
  return view;
}

}  // namespace

AppSettingsView::AppSettingsView(SettingsHost& parent, SoundPlayer& soundPlayer, Metronome& metronome)
    : AppSettingsView(parent, soundPlayer, metronome, Options{}) {}

AppSettingsView::AppSettingsView(SettingsHost& parent, SoundPlayer& soundPlayer, Metronome& metronome,
                                 Options options)
    : parent_(parent),
      soundPlayer_(soundPlayer),
      metronome_(metronome),
      clock_(options.clock ? std::move(options.clock) : std::function<double()>([] { return platform::mediaTime(); })),
      tall_(platform::isTallScreen()),
      length_(tall_ ? 568.0 : 480.0),
      s_(tall_ ? kTallShift : 0) {
  platform::Rect frame = parent_.frame();
  if (!(frame.width > 0.0 && frame.height > 0.0)) frame = {0.0, 0.0, 320.0, length_};
  setFrame(frame);
  setUserInteractionEnabled(true);

  // Drawing order, lowest first: the pages, then what stays in place above them.
  buildPianoPage();
  buildAppPage();
  buildMetroPage();
  buildNavigation();
  placePages();
  redraw();
}

AppSettingsView::~AppSettingsView() = default;

double AppSettingsView::pageCentreY(int page, int shown) const {
  return length_ / 2.0 + static_cast<double>(page - shown) * length_;
}

const platform::ImageView& AppSettingsView::pageImage(int page) const {
  switch (page) {
    case kAppPage: return *appBackground_;
    case kMetroPage: return *metronomeBackground_;
    default: return *pianoBackground_;
  }
}

platform::Rect AppSettingsView::appRowRect(int row) const {
  if (row < 0 || row >= kAppRows) return {};
  return {kAppRowCentreX[row] - kAppRowWidth / 2.0, kAppRowStart + s_, kAppRowWidth, kAppRowLength};
}

TouchZone AppSettingsView::pageNameZone(int page) const {
  if (page < kAppPage || page > kMetroPage) return {.right = -TouchZone::kBeyond};
  const double halfLength = kPageNameSize.width / 2.0;
  return {.left = kNavigationBand, .top = kPageNameY[page] - halfLength + s_, .bottom = kPageNameY[page] + halfLength + s_};
}

const platform::Label& AppSettingsView::navigationLabel(int page) const {
  switch (page) {
    case kAppPage: return *navBarApp_;
    case kMetroPage: return *navBarMetro_;
    default: return *navBarPiano_;
  }
}

// ---------------------------------------------------------------- building

std::shared_ptr<Label> AppSettingsView::addLabel(platform::View& page, const std::string& text, Point centre,
                                                 Size size, const std::string& font, double fontSize) {
  auto label = std::make_shared<Label>(platform::Rect{0.0, 0.0, size.width, size.height});
  label->setCentre(centre);
  label->setTransform(platform::AffineTransform::rotation(kQuarterTurn));
  label->setFont(font, fontSize);
  label->setText(text);
  page.addSubview(label);
  return label;
}

std::shared_ptr<Label> AppSettingsView::addCaption(platform::View& page, const std::string& key, Point centre,
                                                   Size size, const std::string& font, double fontSize,
                                                   TextAlignment alignment, float alpha) {
  auto label = addLabel(page, platform::localized(key), centre, size, font, fontSize);
  label->setTextColour(Colour::white());
  label->setAlignment(alignment);
  label->setAlpha(alpha);
  return label;
}

void AppSettingsView::buildNavigation() {
  const bool chinese = parent_.isChineseLanguage();
  const double s = s_;
  const Navigation& navigation = kNavigation[tall_];
  helpIcon_ = imageAt("HelpIcon", navigation.help.picture);
  backIcon_ = imageAt("BackIcon", navigation.back.picture);
  leftArrow_ = imageAt("RightArrow", navigation.previousPage.picture);
  leftArrow_->setTransform(platform::AffineTransform::rotation(M_PI));
  rightArrow_ = imageAt("RightArrow", navigation.nextPage.picture);
  addSubview(helpIcon_);
  addSubview(backIcon_);
  addSubview(leftArrow_);
  addSubview(rightArrow_);

  // The platform's output-volume slider, turned to run along y: quiet at the
  // low end of the PIANO page's volume panel, loud at the high end.
  volumeControl_ = std::make_shared<platform::VolumeView>(platform::Rect{0.0, 0.0, 250.0, 50.0});
  volumeControl_->setTransform(platform::AffineTransform::rotation(kQuarterTurn));
  volumeControl_->setAlpha(kVolumeControlAlpha);
  addSubview(volumeControl_);

  auto pageName = [&](const char* key, int page, float alpha) {
    auto label = addLabel(*this, platform::localized(key), {kPageNameX, kPageNameY[page] + s}, kPageNameSize, "Arial",
                          chinese ? 22.0 : 16.0);
    label->setAlignment(TextAlignment::Centre);
    label->setTextColour(Colour::black(0.9f));
    label->setBackgroundColour(Colour::white());
    label->setAlpha(alpha);
    return label;
  };
  navBarApp_ = pageName("APP", kAppPage, kDimmedPageName);
  navBarPiano_ = pageName("PIANO", kPianoPage, 1.0f);
  navBarMetro_ = pageName("METRO", kMetroPage, kDimmedPageName);
}

void AppSettingsView::buildAppPage() {
  appBackground_ = std::make_shared<ImageView>(std::string(kPageImages[kAppPage]) + (tall_ ? "-568h@2x" : ""),
                                               kPageImageTypes[kAppPage]);
  addSubview(appBackground_);
  const double s = s_;
  // One row per setting, name and value side by side along it.
  auto row = [&](const char* key, AppRow r) {
    const double x = appRowRect(r).midX();
    auto name = addLabel(*appBackground_, platform::localized(key), {x, 240.0 + s}, {300.0, 20.0}, "Arial", 20.0);
    name->setTextColour(Colour::black(0.9f));
    auto value = addLabel(*appBackground_, "", {x, 320.0 + s}, {100.0, 20.0}, "Arial", 20.0);
    value->setTextColour(Colour::black(0.9f));
    return value;
  };
  labelNumberOfKeys_ = row("NUMBER OF KEYS", kNumberOfKeysRow);
  labelExpression_ = row("EXPRESSION", kExpressionRow);
  labelNoteNaming_ = row("NOTE NAMING", kNoteNamingRow);
  labelDualKeyboard_ = row("DUAL KEYBOARD", kDualKeyboardRow);
  labelAudioPanning_ = row("AUDIO PANNING", kAudioPanningRow);
  // A line under the rows, so a player can see what the sound card gave.
  labelSoundOutput_ = addCaption(*appBackground_, "SOUND OUTPUT", {11.0, 240.0 + s}, {440.0, 14.0}, "Arial", 11.0,
                                 TextAlignment::Centre, 0.6f);
  // A PipeWire output also says what the server's graph runs at: smaller, whole.
  labelSoundOutput_->setMinimumFontSize(8.0);
}

void AppSettingsView::buildPianoPage() {
  pianoBackground_ = std::make_shared<ImageView>(
      std::string(kPageImages[kPianoPage]) + (tall_ ? "-568h@2x" : ""), kPageImageTypes[kPianoPage]);
  addSubview(pianoBackground_);
  const bool zh = parent_.isChineseLanguage();
  const double s = s_;
  const double small = zh ? 18.0 : 12.0;  // Helvetica 12
  const double large = zh ? 21.0 : 14.0;  // Helvetica 14
  const double bold = zh ? 18.0 : 13.0;   // Arial bold 13
  ImageView& page = *pianoBackground_;
  for (const PageButton* button : {&kPedalTest, &kNormalTest}) {
    addCaption(page, "TEST", {button->caption.x, button->caption.y + s}, {50.0, 20.0}, "Arial-BoldMT", bold,
               TextAlignment::Centre, 0.5f);
  }
  addCaption(page, "NORMAL LABEL", {126.0, 82.0 + s}, {70.0, 20.0}, "Helvetica", small, TextAlignment::Right, 0.6f);
  addCaption(page, "SUSTAIN LABEL", {80.0, 82.0 + s}, {70.0, 20.0}, "Helvetica", small, TextAlignment::Right, 0.6f);
  addCaption(page, "NOTE SUSTAIN TIMING", {162.0, 237.0 + s}, {190.0, 20.0}, "Helvetica", large,
             TextAlignment::Centre, 0.6f);
  addCaption(page, "VOLUME LABEL", {245.0, 240.0 + s}, {100.0, 20.0}, "Helvetica", large, TextAlignment::Centre,
             0.6f);
  normalSustain_ = std::make_unique<Slider>(page, 92, 154 + s_, 44, 166, 1.0f, 114);
  pedalSustain_ = std::make_unique<Slider>(page, 43, 154 + s_, 44, 166, 1.0f, 65);
}

void AppSettingsView::buildMetroPage() {
  metronomeBackground_ = std::make_shared<ImageView>(
      std::string(kPageImages[kMetroPage]) + (tall_ ? "-568h@2x" : ""), kPageImageTypes[kMetroPage]);
  addSubview(metronomeBackground_);
  const bool zh = parent_.isChineseLanguage();
  const double s = s_;
  const double small = zh ? 18.0 : 12.0;
  const double large = zh ? 21.0 : 14.0;
  ImageView& page = *metronomeBackground_;

  onLit_ = imageAt("LEDButtonLit", {kMetronomeLamp.x, kMetronomeLamp.y + s});
  onLit_->setAlpha(0.0f);
  page.addSubview(onLit_);
  tempoLabel_ = addLabel(page, "", {147.0, 401.0 + s}, {40.0, 20.0}, "Helvetica", 13.0);
  beatsPerBarLabel_ = addLabel(page, "", {205.0, 254.0 + s}, {40.0, 20.0}, "Helvetica", 13.0);
  // The Chinese captions stand a point further across their buttons.
  const double across = zh ? 1.0 : 0.0;
  addCaption(page, "ON", {kMetronomeSwitch.caption.x + across, kMetronomeSwitch.caption.y + s}, {50.0, 20.0},
             "Helvetica", small, TextAlignment::Centre, 0.5f);
  addCaption(page, "TAP TIME", {kTapTempo.caption.x + across, kTapTempo.caption.y + s}, {80.0, 20.0}, "Helvetica",
             small, TextAlignment::Centre, 0.6f);
  addCaption(page, "TEMPO", {148.0, 83.0 + s}, {70.0, 20.0}, "Helvetica", small, TextAlignment::Right, 0.6f);
  addCaption(page, "VOLUME LABEL", {91.0, 83.0 + s}, {70.0, 20.0}, "Helvetica", small, TextAlignment::Right, 0.6f);
  addCaption(page, "METRONOME", {240.0, 240.0 + s}, {100.0, 20.0}, "Helvetica", large, TextAlignment::Centre, 0.6f);
  addCaption(page, "BEATS PER BAR", {zh ? 181.0 : 185.0, 242.0 + s}, {120.0, 20.0}, "Helvetica", small,
             TextAlignment::Centre, 0.6f);
  volume_ = std::make_unique<Slider>(page, 55, 160 + s_, 60, 221, 1.0f, 77);
  tempo_ = std::make_unique<Slider>(page, 113, 158 + s_, 60, 179, 1.0f, 135);
}

// ---------------------------------------------------------------- showing values

void AppSettingsView::redraw() {
  normalSustain_->setValue(parent_.sustainTimeNormalAsFraction());
  pedalSustain_->setValue(parent_.sustainTimePedalAsFraction());
  labelNumberOfKeys_->setText(std::to_string(parent_.numKeysToDisplay()));
  const int expression = parent_.expressionFunction();
  if (expression >= 0 && expression < 4) labelExpression_->setText(platform::localized(kExpressionKeys[expression]));
  const int naming = parent_.displayNoteNames();
  if (naming >= 0 && naming < 4) labelNoteNaming_->setText(platform::localized(kNoteNamingKeys[naming]));
  labelDualKeyboard_->setText(platform::localized(parent_.dualKeyboard() ? "YES" : "NO"));
  labelAudioPanning_->setText(platform::localized(soundPlayer_.pianoNotePanning() ? "YES" : "NO"));
  // It may have stepped up its buffer since the screen was last shown.
  if (const platform::AudioOutput* output = platform::systemAudioOutput()) {
    labelSoundOutput_->setText(platform::localized("SOUND OUTPUT") + " " + output->describe());
  }
  onLit_->setAlpha(metronome_.metronome() ? 1.0f : 0.0f);
  volume_->setValue(metronome_.getMetronomeVolume());
  const int tempo = metronome_.getMetronomeTempo();
  tempo_->setValue(static_cast<float>(tempo - 50) / 200.0f);
  tempoLabel_->setText(std::to_string(tempo));
  beatsPerBarLabel_->setText(std::to_string(metronome_.getMetronomeBeatsPerBar()));
}

void AppSettingsView::placePages() {
  appBackground_->setCentre({160.0, pageCentreY(kAppPage, screen_)});
  pianoBackground_->setCentre({160.0, pageCentreY(kPianoPage, screen_)});
  metronomeBackground_->setCentre({160.0, pageCentreY(kMetroPage, screen_)});
  // The volume control is no child of the PIANO page (it is the platform's),
  // but travels with it.
  volumeControl_->setCentre({198.0, pageCentreY(kPianoPage, screen_)});
  leftArrow_->setAlpha(screen_ == kAppPage ? 0.0f : 1.0f);
  rightArrow_->setAlpha(screen_ == kMetroPage ? 0.0f : 1.0f);
  navBarApp_->setAlpha(screen_ == kAppPage ? 1.0f : kDimmedPageName);
  navBarPiano_->setAlpha(screen_ == kPianoPage ? 1.0f : kDimmedPageName);
  navBarMetro_->setAlpha(screen_ == kMetroPage ? 1.0f : kDimmedPageName);
}

void AppSettingsView::redrawOnScreenChange() {
  if (screen_ < kAppPage || screen_ > kMetroPage) return;
  View::animate(kPageAnimationSeconds, [this] { placePages(); });
}

// ---------------------------------------------------------------- pages and metronome

void AppSettingsView::changeSettingsScreen(int page) {
  if (page < kAppPage || page > kMetroPage) return;
  if (screen_ == kMetroPage) metronome_.stopMetronome();
  screen_ = page;
  if (screen_ == kMetroPage && metronome_.metronome()) metronome_.startMetronome();
  redrawOnScreenChange();
}

void AppSettingsView::startMetronome() {
  if (screen_ == kMetroPage && metronome_.metronome()) metronome_.startMetronome();
}

void AppSettingsView::stopMetronome() { metronome_.stopMetronome(); }

void AppSettingsView::toggleMetronome() {
  if (metronome_.metronome()) {
    metronome_.metronomeOff();
    stopMetronome();
  } else {
    metronome_.metronomeOn();
    startMetronome();
  }
}

}  // namespace piano
