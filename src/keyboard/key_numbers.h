// Key arithmetic of the keyboard views. Piano keys are numbered 1 to 88 from
// the lowest A; key number mod 12 gives the note (1 A, 2 A sharp, 3 B, 4 C, ...,
// 0 G sharp) and the key's sample slot is key number - 1. A keyboard shows a
// window of white keys from its start key, always a white key.
//
// Threads: pure functions; any thread.
#pragma once

#include <string>
#include <vector>

#include "audio/sample_slots.h"

namespace piano::keys {

inline constexpr int kNumWhiteKeysOnPiano = 52;
// Picture views per keyboard: white keys by display position, black keys by
// boundary (boundary 0 lies below the first white key).
inline constexpr int kNumWhiteKeyViews = 15;
inline constexpr int kNumBlackKeyViews = 16;
// The key offset of a zone that holds no key.
inline constexpr int kNoKey = 999;
// The display position of a key that the keyboard does not show.
inline constexpr int kNotDisplayed = -999;
inline constexpr int kDefaultStartKey = 28;       // C3: single and lower keyboard
inline constexpr int kDefaultUpperStartKey = 52;  // C5: upper keyboard

bool isWhiteKey(int key);

// The white key `steps` white keys above (below, when negative) white key
// `key`. Not bounded to the piano: labels name keys past 88.
int whiteKeyAbove(int key, int steps);

// The offset from `startKey` of the key in a keyboard's key zone (white 1..15,
// black 101..116); kNoKey when the zone holds none: a B-C or E-F boundary, zone
// 116, any other number, a key outside 1..88, or a start key that is not white.
int keyOffsetForZone(int startKey, int zone);

// The display position of the key at `keyOffset` from `startKey`: a white key's
// position 0..14 (sets *white true) or a black key's boundary 0..15 (sets
// *white false); kNotDisplayed for any other key or a start key that is not white.
int displayPositionForKeyOffset(int startKey, int keyOffset, bool* white);

// The highest start key for `numKeysToDisplay` white keys, so that the highest
// displayed key is at most 88 (88 for counts outside 8..15).
int upperLimitForNumKeys(int numKeysToDisplay);

// A start key read from a file: kept when it is a white key the keyboard may
// start on with `numKeysToDisplay` keys, else `defaultKey`.
int readStartKey(int key, int numKeysToDisplay, int defaultKey);

// Scrolling steps (bounded below by key 1; the upper bound is the caller's).
int octaveDown(int startKey);
int keyDown(int startKey);
int keyUp(int startKey);
int octaveUp(int startKey);

// The radar strip draws the 52 white keys 8.5 points apart: the distance from
// its first key to `startKey` (0 for a black key or a key above 76).
double radarOffset(int startKey);
// The i-th white key of the piano (0 is key 1); i is held to 0..51.
int whiteKeyOfPiano(int i);

// Every sample slot once, in the order to load them when they arrive one by
// one: the keys the shown windows hold (each `numWhiteKeys` white keys from
// one of `startKeys`), their middles first; then the metronome's clicks; then
// the rest, nearest to a window first. Ties go to the lower key.
std::vector<int> sampleSlotsNearestFirst(const std::vector<int>& startKeys, int numWhiteKeys);

// Octave number of a key: it rises at each C (key 1 is in octave 0, key 40 in 4).
int octaveNumber(int key);
// Name of a white key, "A0" for key 1 up to "C8" for key 88 and on past it.
std::string noteName(int key);

}  // namespace piano::keys
