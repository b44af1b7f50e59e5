#include "cli/JsonText.h"

#include <cstdio>

namespace usblink::cli {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
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
          out += c;  // UTF-8 passes through unchanged
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
