#pragma once
// The objects of --json, one a line (JSON Lines); docs/json-lines.md
// describes every type and field.

#include <string>

#include <nlohmann/json.hpp>

namespace usblink::cli {

// Raised whenever a type or a field changes its meaning or goes away; new
// fields and types keep it.
inline constexpr int kJsonSchemaVersion = 1;

// Fields keep the order they were given in, "type" first.
using Json = nlohmann::ordered_json;

// `object` on one line, without the line's end. Text that is not UTF-8 (a
// file name on a Latin-1 system) has each bad byte replaced by U+FFFD, so
// the line is always valid JSON.
std::string JsonLine(const Json& object);

}  // namespace usblink::cli
