// A single-line text field edited with the computer's keyboard.
//
// A tap on the field starts editing (it becomes the window's first responder
// and typed text goes to its end; Backspace deletes the last character). The
// Return key asks the delegate's textFieldShouldReturn; ending editing (by
// resignFirstResponder, or another field starting) calls textFieldDidEndEditing.
// While editing and not empty, a clear button at the field's right end empties it.
//
// Threads: main thread only.
#pragma once

#include <string>

#include "platform/canvas.h"
#include "platform/view.h"

namespace piano::platform {

class TextField;

class TextFieldDelegate {
 public:
  virtual ~TextFieldDelegate() = default;
  virtual void textFieldDidBeginEditing(TextField&) {}
  // Return pressed; the answer is not used further (as on the phone the
  // delegate resigns the field itself when it wants editing to end).
  virtual bool textFieldShouldReturn(TextField&) { return true; }
  virtual void textFieldDidEndEditing(TextField&) {}
};

enum class BorderStyle { None, Line };
enum class ClearButtonMode { Never, WhileEditing };

class TextField : public View {
 public:
  TextField();
  explicit TextField(const Rect& frame);
  ~TextField() override;

  const std::string& text() const { return text_; }
  void setText(const std::string& text);
  const std::string& placeholder() const { return placeholder_; }
  void setPlaceholder(const std::string& text);
  void setFont(const std::string& name, double size);
  void setTextColour(Colour colour);
  void setAlignment(TextAlignment alignment);
  void setBorderStyle(BorderStyle style);
  void setClearButtonMode(ClearButtonMode mode);
  // Typed text longer than this (bytes) is refused; 255 by default.
  void setMaxLength(std::size_t bytes) { maxLength_ = bytes; }
  void setDelegate(TextFieldDelegate* delegate) { delegate_ = delegate; }

  bool isEditing() const;
  // Needs a window (Window::current()); returns false without one.
  bool becomeFirstResponder();
  void resignFirstResponder();

  // Editing, from the window.
  void insertText(const std::string& utf8);
  void deleteBackward();
  void returnPressed();

  // The clear button's rectangle in the field's coordinates.
  Rect clearButtonRect() const;

  void touchesBegan(const TouchSet& touches) override;
  void touchesMoved(const TouchSet& touches) override;
  void touchesEnded(const TouchSet& touches) override;
  void touchesCancelled(const TouchSet& touches) override;
  void draw(Canvas& canvas, const AffineTransform& toDisplay, float alpha) const override;

 private:
  friend class Window;
  void endEditingQuietly();

  std::string text_;
  std::string placeholder_;
  std::string fontName_ = "Helvetica";
  double fontSize_ = 17.0;
  Colour textColour_ = Colour::black();
  TextAlignment alignment_ = TextAlignment::Left;
  BorderStyle borderStyle_ = BorderStyle::None;
  ClearButtonMode clearButtonMode_ = ClearButtonMode::Never;
  std::size_t maxLength_ = 255;
  TextFieldDelegate* delegate_ = nullptr;
  bool editing_ = false;
  bool pressOnClear_ = false;
};

}  // namespace piano::platform
