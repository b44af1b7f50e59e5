#pragma once
// Whether a text is one well-formed JSON value (RFC 8259), for checking the
// command line's JSON Lines.

#include <cctype>
#include <string_view>

namespace usblink::testing {

class JsonCheck {
 public:
  static bool IsValid(std::string_view text) {
    JsonCheck check(text);
    return check.Value() && (check.SkipBlanks(), check.position_ == text.size());
  }

 private:
  explicit JsonCheck(std::string_view text) : text_(text) {}

  void SkipBlanks() {
    while (position_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[position_]))) {
      ++position_;
    }
  }
  bool Take(char c) {
    SkipBlanks();
    if (position_ >= text_.size() || text_[position_] != c) return false;
    ++position_;
    return true;
  }
  bool Literal(std::string_view word) {
    if (text_.substr(position_, word.size()) != word) return false;
    position_ += word.size();
    return true;
  }
  bool String() {
    if (!Take('"')) return false;
    while (position_ < text_.size()) {
      const auto c = static_cast<unsigned char>(text_[position_++]);
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c == '\\') {
        if (position_ >= text_.size()) return false;
        const char escaped = text_[position_++];
        if (escaped == 'u') {
          for (int i = 0; i < 4; ++i) {
            if (position_ >= text_.size() ||
                !std::isxdigit(static_cast<unsigned char>(text_[position_++]))) {
              return false;
            }
          }
        } else if (std::string_view("\"\\/bfnrt").find(escaped) == std::string_view::npos) {
          return false;
        }
      }
    }
    return false;
  }
  bool Number() {
    const std::size_t start = position_;
    if (position_ < text_.size() && text_[position_] == '-') ++position_;
    while (position_ < text_.size() &&
           (std::isdigit(static_cast<unsigned char>(text_[position_])) ||
            std::string_view(".eE+-").find(text_[position_]) != std::string_view::npos)) {
      ++position_;
    }
    return position_ > start;
  }
  bool Value() {
    SkipBlanks();
    if (position_ >= text_.size()) return false;
    switch (text_[position_]) {
      case '{':
        return Object();
      case '[':
        return Array();
      case '"':
        return String();
      case 't':
        return Literal("true");
      case 'f':
        return Literal("false");
      case 'n':
        return Literal("null");
      default:
        return Number();
    }
  }
  bool Object() {
    Take('{');
    if (Take('}')) return true;
    do {
      if (!String() || !Take(':') || !Value()) return false;
    } while (Take(','));
    return Take('}');
  }
  bool Array() {
    Take('[');
    if (Take(']')) return true;
    do {
      if (!Value()) return false;
    } while (Take(','));
    return Take(']');
  }

  std::string_view text_;
  std::size_t position_ = 0;
};

}  // namespace usblink::testing
