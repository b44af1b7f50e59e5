#pragma once
// Minimal JSON writing for the --json output: strings and flat objects.

#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace usblink::cli {

std::string JsonString(std::string_view text);

using JsonValue = std::variant<std::string, long long, bool>;
// One object on one line: {"key":value,...} in the order given.
std::string JsonObject(const std::vector<std::pair<std::string, JsonValue>>& fields);

}  // namespace usblink::cli
