#pragma once
// The objects of --json, one a line (JSON Lines); docs/json-lines.md
// describes every type and field.

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace usblink::cli {

// Raised whenever a type or a field changes its meaning or goes away; new
// fields and types keep it.
inline constexpr int kJsonSchemaVersion = 1;

// Fields keep the order they were given in, "type" first.
using Json = nlohmann::ordered_json;

// A field that may be missing: null then.
template <typename T>
Json OrNull(const std::optional<T>& value) {
  return value ? Json(*value) : Json(nullptr);
}

// `object` on one line, without the line's end. Text that is not UTF-8 (a
// file name on a Latin-1 system) has each bad byte replaced by U+FFFD, so
// the line is always valid JSON.
std::string JsonLine(const Json& object);

}  // namespace usblink::cli
