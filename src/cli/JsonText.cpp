#include "cli/JsonText.h"

#include <cstdio>

namespace usblink::cli {

namespace {

// The length of the well-formed multi-byte UTF-8 sequence (RFC 3629) that
// `text` starts with, or 0 when its first byte, 0x80 or above, starts none.
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80;  // the bounds of the second byte
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (static_cast<unsigned char>(c) >= 0x80) {
      // File names need not be UTF-8; JSON text must be.
      const std::size_t length = Utf8SequenceLength(text.substr(at));
      if (length == 0) {
        out += "\\ufffd";
      } else {
        out += text.substr(at, length);
        at += length - 1;
      }
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string JsonObject(const std::vector<std::pair<std::string, JsonValue>>& fields) {
  std::string out = "{";
  for (const auto& [key, value] : fields) {
    if (out.size() > 1) out += ",";
    out += JsonString(key) + ":";
    if (const auto* text = std::get_if<std::string>(&value))
      out += JsonString(*text);
    else if (const auto* number = std::get_if<long long>(&value))
      out += std::to_string(*number);
    else
      out += std::get<bool>(value) ? "true" : "false";
  }
  return out + "}";
}

}  // namespace usblink::cli
