#include "fleet/CalculatorFiles.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <set>

namespace usblink {

namespace {

// Letters, digits, '-', '_' and '.', not first: the same name on every system.
bool FitsFileName(const std::string& text) {
  return !text.empty() && text.front() != '.' && std::ranges::all_of(text, [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
           c == '_' || c == '.';
  });
}

}  // namespace

std::filesystem::path NumberedFile(const std::filesystem::path& file, int number) {
  std::filesystem::path numbered = file;
  numbered += "." + std::to_string(number);
  return numbered;
}

std::vector<std::string> FileTags(const std::vector<FleetMember>& members) {
  std::vector<std::string> tags;
  std::set<std::string> distinct;
  for (const FleetMember& member : members) {
    const auto& serial = member.calculator.serialNumber;
    // Distinct also where file names ignore case.
    std::string folded;
    if (serial) {
      std::ranges::transform(*serial, std::back_inserter(folded),
                             [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    }
    if (!serial || !FitsFileName(*serial) || !distinct.insert(folded).second) {
      tags.clear();
      break;
    }
    tags.push_back(*serial);
  }
  if (!tags.empty() || members.empty()) return tags;
  for (const FleetMember& member : members) tags.push_back(std::to_string(member.number));
  return tags;
}

std::filesystem::path TaggedFile(const std::filesystem::path& file, const std::string& tag) {
  std::filesystem::path tagged = file.parent_path();
  tagged /= file.stem().string() + "-" + tag + file.extension().string();
  return tagged;
}

}  // namespace usblink
