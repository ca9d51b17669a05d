#include "platform/touch_script.h"

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

#include "platform/file_io.h"
#include "platform/key_positions.h"
#include "platform/screen.h"

namespace piano::platform {

namespace {

constexpr std::size_t kMaxScriptBytes = 16u * 1024u * 1024u;  // hours of touches

bool number(const std::string& token, double* out) {
  if (token.empty()) return false;
  char* end = nullptr;
  const double v = std::strtod(token.c_str(), &end);
  if (*end != '\0' || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

bool fingerId(const std::string& token, std::int64_t* out) {
  double v = 0.0;
  if (!number(token, &v) || v < 0.0 || v > 999999.0 || v != std::floor(v)) return false;
  *out = static_cast<std::int64_t>(v);
  return true;
}

std::string trim(const std::string& s) {
  const auto begin = s.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return "";
  const auto end = s.find_last_not_of(" \t\r");
  return s.substr(begin, end - begin + 1);
}

}  // namespace

bool TouchScript::parse(const std::string& text, TouchScript* script, std::string* error,
                        const std::string& baseDirectory) {
  TouchScript result;
  bool portrait = false;
  double lastTime = 0.0;
  std::map<std::int64_t, Point> lastPoint;  // fingers down, where they are
  std::istringstream lines(text);
  std::string raw;
  int lineNumber = 0;
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = "line " + std::to_string(lineNumber) + ": " + why;
    return false;
  };

  while (std::getline(lines, raw)) {
    ++lineNumber;
    const std::string line = trim(raw);
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first == "portrait" || first == "landscape") {
      portrait = first == "portrait";
      continue;
    }
    ScriptEvent event;
    event.line = lineNumber;
    if (!number(first, &event.time) || event.time < 0.0) return fail("expected a time, got \"" + first + "\"");
    if (event.time < lastTime) return fail("time goes back");
    lastTime = event.time;
    std::string verb;
    words >> verb;
    std::vector<std::string> args;
    for (std::string w; words >> w;) args.push_back(w);

    auto readPoint = [&](std::size_t at) {
      double x = 0.0, y = 0.0;
      if (args.size() < at + 2 || !number(args[at], &x) || !number(args[at + 1], &y)) return false;
      event.point = portrait ? portraitToLandscape({x, y}) : Point{x, y};
      event.hasPoint = true;
      return true;
    };

    if (verb == "down" || verb == "move" || verb == "up") {
      if (args.empty() || !fingerId(args[0], &event.finger)) return fail("expected a finger id");
      const bool down = lastPoint.count(event.finger) != 0;
      if (verb == "down") {
        event.kind = ScriptEvent::Kind::Down;
        if (args.size() != 3 || !readPoint(1)) return fail("expected: down finger x y");
        if (down) return fail("finger " + args[0] + " is down already");
        lastPoint[event.finger] = event.point;
      } else if (verb == "move") {
        event.kind = ScriptEvent::Kind::Move;
        if (args.size() != 3 || !readPoint(1)) return fail("expected: move finger x y");
        if (!down) return fail("finger " + args[0] + " is not down");
        lastPoint[event.finger] = event.point;
      } else {
        event.kind = ScriptEvent::Kind::Up;
        if (!down) return fail("finger " + args[0] + " is not down");
        if (args.size() == 3) {
          if (!readPoint(1)) return fail("expected: up finger [x y]");
        } else if (args.size() == 1) {
          event.point = lastPoint[event.finger];
          event.hasPoint = true;
        } else {
          return fail("expected: up finger [x y]");
        }
        lastPoint.erase(event.finger);
      }
    } else if (verb == "cancel") {
      if (!args.empty()) return fail("cancel takes nothing");
      event.kind = ScriptEvent::Kind::Cancel;
      lastPoint.clear();
    } else if (verb == "shot") {
      if (args.size() != 1) return fail("expected: shot file.png");
      event.kind = ScriptEvent::Kind::Shot;
      event.argument = args[0];
      if (!baseDirectory.empty() && event.argument[0] != '/') {
        event.argument = baseDirectory + "/" + event.argument;
      }
    } else if (verb == "text") {
      event.kind = ScriptEvent::Kind::Text;
      const std::size_t at = line.find("text");
      event.argument = trim(line.substr(at + 4));
      if (event.argument.empty()) return fail("expected: text words");
    } else if (verb == "key") {
      event.kind = ScriptEvent::Kind::Key;
      if (args.size() != 1) return fail("expected: key name");
      if (args[0] == "return") {
        event.key = Key::Return;
      } else if (args[0] == "backspace") {
        event.key = Key::Backspace;
      } else if (args[0] == "delete") {
        event.key = Key::Delete;
      } else if (args[0] == "escape") {
        event.key = Key::Escape;
      } else {
        return fail("unknown key \"" + args[0] + "\"");
      }
    } else if (verb == "keydown" || verb == "keyup") {
      event.kind = verb == "keydown" ? ScriptEvent::Kind::KeyPositionDown : ScriptEvent::Kind::KeyPositionUp;
      if (args.size() != 1) return fail("expected: " + verb + " name");
      event.keyPosition = keypos::positionForName(args[0]);
      if (event.keyPosition == keypos::kNone) return fail("unknown key \"" + args[0] + "\"");
    } else if (verb == "end") {
      if (!args.empty()) return fail("end takes nothing");
      event.kind = ScriptEvent::Kind::End;
    } else {
      return fail("unknown action \"" + verb + "\"");
    }
    result.events.push_back(std::move(event));
  }
  *script = std::move(result);
  return true;
}

bool TouchScript::load(const std::string& path, TouchScript* script, std::string* error) {
  const FileContents file = readFileLimited(path, kMaxScriptBytes);
  if (file.status != ReadStatus::kOk) {
    if (error != nullptr) *error = "cannot read " + path;
    return false;
  }
  const std::size_t slash = path.rfind('/');
  const std::string base = slash == std::string::npos ? "." : path.substr(0, slash);
  if (!parse(file.bytes, script, error, base)) {
    if (error != nullptr) *error = path + ": " + *error;
    return false;
  }
  return true;
}

double TouchScript::endTime() const { return events.empty() ? 0.0 : events.back().time; }

}  // namespace piano::platform
