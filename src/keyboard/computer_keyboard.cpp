#include "keyboard/computer_keyboard.h"

#include <algorithm>
#include <utility>

#include "keyboard/key_numbers.h"
#include "keyboard/key_zones.h"
#include "keyboard/keyboard_view.h"

namespace piano {

namespace {

namespace kp = platform::keypos;

constexpr std::array<int, 12> kDigitRow{kp::k1,     kp::k1 + 1, kp::k1 + 2, kp::k1 + 3, kp::k1 + 4,  kp::k1 + 5,
                                        kp::k1 + 6, kp::k1 + 7, kp::k1 + 8, kp::k0,     kp::kMinus, kp::kEquals};
constexpr std::array<int, 12> kQRow{kp::letter('q'), kp::letter('w'), kp::letter('e'), kp::letter('r'),
                                    kp::letter('t'), kp::letter('y'), kp::letter('u'), kp::letter('i'),
                                    kp::letter('o'), kp::letter('p'), kp::kLeftBracket, kp::kRightBracket};
constexpr std::array<int, 11> kHomeRow{kp::letter('a'), kp::letter('s'), kp::letter('d'), kp::letter('f'),
                                       kp::letter('g'), kp::letter('h'), kp::letter('j'), kp::letter('k'),
                                       kp::letter('l'), kp::kSemicolon,  kp::kApostrophe};
constexpr std::array<int, 10> kBottomRow{kp::letter('z'), kp::letter('x'), kp::letter('c'), kp::letter('v'),
                                         kp::letter('b'), kp::letter('n'), kp::letter('m'), kp::kComma,
                                         kp::kPeriod,     kp::kSlash};

template <std::size_t N>
int indexIn(const std::array<int, N>& row, int position) {
  const auto it = std::find(row.begin(), row.end(), position);
  return it == row.end() ? -1 : static_cast<int>(it - row.begin());
}

// A pair of rows: white keys, and above them the black keys; a black row's
// key i lies between white keys i - 1 and i, which is black boundary i.
template <std::size_t W, std::size_t B>
bool inPair(const std::array<int, W>& white, const std::array<int, B>& black, int position, int board,
            ComputerKeyboard::Action* action) {
  using Kind = ComputerKeyboard::Action::Kind;
  if (const int i = indexIn(white, position); i >= 0) {
    *action = {Kind::kWhite, board, i};
    return true;
  }
  if (const int i = indexIn(black, position); i >= 0) {
    *action = {Kind::kBlack, board, i};
    return true;
  }
  return false;
}

}  // namespace

ComputerKeyboard::Action ComputerKeyboard::actionFor(int position, int numKeyboards) {
  using Kind = Action::Kind;
  switch (position) {
    case kp::kLeft: return {Kind::kScrollKey, 0, -1};
    case kp::kRight: return {Kind::kScrollKey, 0, 1};
    case kp::kDown: return {Kind::kScrollOctave, 0, -1};
    case kp::kUp: return {Kind::kScrollOctave, 0, 1};
    case kp::kSpace: return {Kind::kSustainPedal, 0, 0};
    case kp::kTab: return {Kind::kSoftPedal, 0, 0};
    case kp::kLeftShift:
    case kp::kRightShift: return {Kind::kShift, 0, 0};
    default: break;
  }
  Action action;
  if (numKeyboards > 1) {
    if (!inPair(kBottomRow, kHomeRow, position, 0, &action)) inPair(kQRow, kDigitRow, position, 1, &action);
  } else {
    inPair(kHomeRow, kQRow, position, 0, &action);
  }
  return action;
}

ComputerKeyboard::ComputerKeyboard(std::function<KeyboardView*()> viewOnScreen)
    : viewOnScreen_(std::move(viewOnScreen)) {}

void ComputerKeyboard::key(int position, bool down) {
  if (position <= 0 || position >= kp::kCount) return;
  Held& held = held_[static_cast<std::size_t>(position)];
  if (!down) {
    // Whatever the key started ends, wherever the screens and windows are now.
    const Action action = actionFor(position, held.view != nullptr ? held.view->numKeyboards() : 1);
    if (action.kind == Action::Kind::kShift) shiftsDown_ = std::max(0, shiftsDown_ - 1);
    if (held.view == nullptr) return;
    KeyboardView& view = *std::exchange(held.view, nullptr);
    if (action.kind == Action::Kind::kSustainPedal) view.engine().setPedal(Pedal::kSustain, false);
    if (action.kind == Action::Kind::kSoftPedal) view.engine().setPedal(Pedal::kSoft, false);
    if (held.sampleNo >= 0) view.engine().playKeyFromSource(KeySource::kComputerKeyboard, held.sampleNo, false);
    held.sampleNo = -1;
    return;
  }
  KeyboardView* view = viewOnScreen_ ? viewOnScreen_() : nullptr;
  const Action action = actionFor(position, view != nullptr ? view->numKeyboards() : 1);
  if (action.kind == Action::Kind::kShift) {
    ++shiftsDown_;
    return;
  }
  if (view != nullptr) press(*view, action, held);
}

void ComputerKeyboard::press(KeyboardView& view, const Action& action, Held& held) {
  using Kind = Action::Kind;
  const int board = shiftsDown_ > 0 && view.numKeyboards() > 1 ? 1 : 0;
  switch (action.kind) {
    case Kind::kWhite:
    case Kind::kBlack: {
      const int keys = view.numKeysToDisplay();
      // Only keys in view: white positions 0..keys-1, black boundaries 0..keys.
      if (action.index >= keys + (action.kind == Kind::kBlack ? 1 : 0)) return;
      const int zoneOnBoard = action.kind == Kind::kWhite ? zone::kFirstWhite + action.index
                                                          : zone::kFirstBlack + action.index;
      const int startKey = view.getStartKey(action.board);
      const int offset = keys::keyOffsetForZone(startKey, zoneOnBoard);
      if (offset == keys::kNoKey) return;
      held = {&view, startKey + offset - 1};
      view.engine().playKeyFromSource(KeySource::kComputerKeyboard, held.sampleNo, true);
      return;
    }
    case Kind::kScrollKey:
    case Kind::kScrollOctave:
      // The two keyboards' scroll lock holds these as it holds the buttons.
      if (view.scrollLock()) return;
      if (action.kind == Kind::kScrollKey) {
        action.index < 0 ? view.decKey(board) : view.incKey(board);
      } else {
        action.index < 0 ? view.decOctave(board) : view.incOctave(board);
      }
      return;
    case Kind::kSustainPedal:
    case Kind::kSoftPedal:
      held = {&view, -1};
      view.engine().setPedal(action.kind == Kind::kSustainPedal ? Pedal::kSustain : Pedal::kSoft, true);
      return;
    default: return;
  }
}

}  // namespace piano
