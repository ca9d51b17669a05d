// How the SDL adapter sets a block of text: the font for its name and script,
// the lines (broken between words and between CJK characters, never before
// closing punctuation nor after opening punctuation), and the size of the
// glyphs. Glyphs always keep their own aspect: a block shown stretched or
// squeezed along one axis (a keyboard scaled to fit its keys) is set at the
// scale of its line height, and shrunk uniformly when its lines would no
// longer fit across. A block with a minimum font size shrinks, down to that
// size, until all of its text fits.
//
// Needs SDL_ttf only (no renderer), so tests can lay out what a screen shows.
//
// Threads: main thread only.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/canvas.h"

typedef struct _TTF_Font TTF_Font;

namespace piano::platform {

struct TextLayout {
  std::vector<std::string> lines;
  std::vector<int> widths;  // pixels
  std::string fontFile;
  int pixelSize = 0;  // of the glyphs
  int lineSkip = 0;   // pixels; 0 when the font could not be opened
  // Every line of the text is shown whole: none truncated, broken inside a
  // word or left out for want of room (trailing empty lines do not count).
  bool complete = false;
  std::uint64_t lastUsed = 0;
};

class SdlTextLayout {
 public:
  SdlTextLayout();
  ~SdlTextLayout();
  SdlTextLayout(const SdlTextLayout&) = delete;
  SdlTextLayout& operator=(const SdlTextLayout&) = delete;

  // `text` shown with `scaleX` pixels per point along its lines and `scaleY`
  // across them. The result stays valid until the next call.
  const TextLayout& layout(const TextBlock& text, double scaleX, double scaleY);
  // The font at a pixel size, opened once (null when it cannot be opened).
  TTF_Font* font(const std::string& file, int pixelSize);
  // Marks the frame for the layout cache; layouts unused for `maxAge` frames go.
  void beginFrame(std::uint64_t frame, std::uint64_t maxAge);

 private:
  TextLayout setAt(const TextBlock& text, const std::string& fontFile, int pixelSize, double width,
                   double height);

  std::uint64_t frame_ = 0;
  std::map<std::pair<std::string, int>, TTF_Font*> fonts_;
  std::map<std::string, TextLayout> layouts_;
  std::map<std::string, bool> reported_;  // font files already reported as broken
};

// The font file for a font name and a text (CJK text takes the CJK font).
std::string fontFileFor(const std::string& fontName, const std::string& text);
bool containsCjk(const std::string& utf8);
// Whether a line may begin with / end with this character.
bool mayBeginLine(char32_t cp);
bool mayEndLine(char32_t cp);
// The first and last code points of a UTF-8 string (0 when it is empty).
char32_t firstCodePoint(const std::string& utf8);
char32_t lastCodePoint(const std::string& utf8);

}  // namespace piano::platform
