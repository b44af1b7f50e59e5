#include "fleet/FleetRun.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <exception>
#include <iterator>
#include <new>
#include <system_error>
#include <thread>

#include "fleet/DurationText.h"
#include "hid/DeviceList.h"
#include "protocol/CalculatorProtocol.h"
#include "protocol/Outcome.h"

namespace usblink {

namespace {

// A serial number that tells the calculator apart: none when it is empty.
std::optional<std::string> SerialNumberOf(const HidInterface& calculator) {
  const auto& serial = calculator.serialNumber;
  return serial && !serial->empty() ? serial : std::nullopt;
}

}  // namespace

DeviceSelector SelectorOf(const HidInterface& calculator,
                          const std::vector<HidInterface>& present) {
  const auto serial = SerialNumberOf(calculator);
  const auto sharing = std::ranges::count_if(present, [&](const HidInterface& other) {
    return other.path != calculator.path && SerialNumberOf(other) == serial;
  });
  if (serial && sharing == 0) return {DeviceSelector::By::SerialNumber, *serial};
  return {DeviceSelector::By::Path, calculator.path};
}

std::string CalculatorKey(const DeviceSelector& selector) {
  return selector.by == DeviceSelector::By::SerialNumber ? "serial " + selector.text
                                                         : PathKey(selector.text);
}

std::string PathKey(const std::string& path) { return "path " + path; }

std::vector<FleetMember> NumberCalculators(const std::vector<HidInterface>& calculators,
                                           int firstNumber) {
  std::vector<FleetMember> members;
  for (const HidInterface& calculator : calculators) {
    members.push_back({firstNumber++, calculator, SelectorOf(calculator, calculators)});
  }
  return members;
}

std::string CaseFolded(std::string_view text) {
  std::string folded;
  std::ranges::transform(text, std::back_inserter(folded),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return folded;
}

std::string SharedSerialText(const FleetMember& member, const std::vector<FleetMember>& members) {
  const auto serial = SerialNumberOf(member.calculator);
  std::string numbers;
  for (const FleetMember& other : members) {
    if (!serial || other.number == member.number || SerialNumberOf(other.calculator) != serial) {
      continue;
    }
    numbers += (numbers.empty() ? "" : ", ") + std::to_string(other.number);
  }
  return numbers.empty() ? "" : "  same serial number as " + numbers;
}

std::string InUseText(const std::string& path) {
  return "The calculator (" + path + ") is in use by another program. Try again once it is done.";
}

std::optional<Failure> Unreachable(HidApi& api, const FleetMember& member, std::mutex& turn) {
  const std::string& path = member.calculator.path;
  std::uint32_t refusal = WinError::Success;
  {
    const std::scoped_lock walking(turn);
    refusal = OpenRefusal(api, path);
  }
  switch (refusal) {
    case WinError::SharingViolation:
      return Failure{kExitInUse, InUseText(path)};
    case WinError::AccessDenied:
      return Failure{kExitAccessDenied,
                     "The calculator (" + path + ") may not be opened by this user."};
    case WinError::FileNotFound:
    case WinError::PathNotFound:
    case WinError::DeviceNotConnected:
      return Failure{kExitNotFound, "The calculator (" + path +
                                        ") is gone: it was plugged in when the calculators "
                                        "were listed."};
    default:
      return std::nullopt;
  }
}

std::string WhyNotStarted(const std::exception& error) {
  if (const auto* system = dynamic_cast<const std::system_error*>(&error)) {
    return system->code().message();
  }
  if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) return "out of memory";
  return error.what();
}

std::vector<MemberEnd> RunFleet(const std::vector<FleetMember>& members,
                                const MemberSession& session, const SessionClock& now) {
  std::vector<MemberEnd> ends(members.size());
  std::vector<std::exception_ptr> failures(members.size());
  {
    std::vector<std::jthread> threads;
    threads.reserve(members.size());
    // Why the first member that could not start did not.
    std::optional<std::string> cannotStart;
    for (std::size_t index = 0; index < members.size(); ++index) {
      MemberEnd& end = ends[index];
      end.member = members[index];
      if (!cannotStart) {
        try {
          threads.emplace_back([&end, &failure = failures[index], &session, &now] {
            const auto started = now();
            try {
              end.status = session(end.member);
            } catch (...) {
              failure = std::current_exception();
            }
            end.took = now() - started;
          });
          continue;
        } catch (const std::exception& error) {
          cannotStart = WhyNotStarted(error);
        }
      }
      end.status = kExitNotStarted;
      end.notStarted = *cannotStart;
    }
  }
  for (const auto& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
  return ends;
}

int FleetStatus(const std::vector<MemberEnd>& ends, int none) {
  if (ends.empty()) return none;
  const auto failed =
      std::ranges::find_if(ends, [](const MemberEnd& end) { return end.status != 0; });
  return failed == ends.end() ? 0 : failed->status;
}

std::string SerialText(const HidInterface& calculator) {
  return SerialNumberOf(calculator).value_or("-");
}

std::vector<std::string> SummaryTable(const std::vector<MemberEnd>& ends,
                                      const std::function<std::string(int)>& outcome) {
  std::vector<std::array<std::string, 4>> cells{{"n", "serial", "outcome", "seconds"}};
  for (const MemberEnd& end : ends) {
    cells.push_back({std::to_string(end.member.number), SerialText(end.member.calculator),
                     outcome(end.status), SecondsText(end.took)});
  }
  std::array<std::size_t, 4> widths{};
  for (const auto& row : cells) {
    for (std::size_t column = 0; column < widths.size(); ++column) {
      widths[column] = std::max(widths[column], row[column].size());
    }
  }
  // The number and the seconds stand right, the texts left.
  const auto cell = [&widths](const std::string& text, std::size_t column) {
    const std::string pad(widths[column] - text.size(), ' ');
    return column == 0 || column == 3 ? pad + text : text + pad;
  };
  std::vector<std::string> lines;
  for (const auto& row : cells) {
    std::string line =
        cell(row[0], 0) + "  " + cell(row[1], 1) + "  " + cell(row[2], 2) + "  " + cell(row[3], 3);
    lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<FleetMember> PresentCalculators(HidApi& api) {
  return NumberCalculators(
      PresentInterfacesWithIds(api, {kCalculatorVendorId, kCalculatorProductId}));
}

namespace {

// The calculators present, one a line: number, serial number, path.
std::string CalculatorLines(const std::vector<FleetMember>& calculators) {
  std::string text;
  for (const FleetMember& member : calculators) {
    text += "\n  " + std::to_string(member.number) + "  " + SerialText(member.calculator) + "  " +
            member.calculator.path + SharedSerialText(member, calculators);
  }
  return text;
}

// The members that `matches`.
template <typename Match>
std::vector<FleetMember> Matching(const std::vector<FleetMember>& members, Match matches) {
  std::vector<FleetMember> found;
  std::ranges::copy_if(members, std::back_inserter(found), matches);
  return found;
}

}  // namespace

std::string ChoiceRefusal(const std::vector<FleetMember>& calculators) {
  return std::to_string(calculators.size()) +
         " calculators are plugged in: name one with --device N|SERIAL|PATH, or take them all at "
         "once with --all." +
         CalculatorLines(calculators);
}

Result<FleetMember> ChooseDevice(const DeviceSelector& device,
                                 const std::vector<FleetMember>& present) {
  std::vector<FleetMember> found;
  if (device.by == DeviceSelector::By::Path) {
    found = Matching(present, [&](const FleetMember& member) {
      return device.MatchesPath(member.calculator.path);
    });
  } else {
    found = Matching(present, [&](const FleetMember& member) {
      return device.MatchesSerialNumber(member.calculator.serialNumber);
    });
    const bool digits =
        !device.text.empty() && device.text.size() < 4 &&
        std::ranges::all_of(device.text, [](char c) { return c >= '0' && c <= '9'; });
    if (found.empty() && digits) {
      const int number = std::stoi(device.text);
      found = Matching(present,
                       [number](const FleetMember& member) { return member.number == number; });
    }
    if (found.empty()) {
      found = Matching(present, [&](const FleetMember& member) {
        return member.calculator.serialNumber &&
               CaseFolded(*member.calculator.serialNumber) == CaseFolded(device.text);
      });
    }
  }
  if (found.size() == 1) return found.front();
  if (found.empty()) {
    return Failure{kExitNotFound, "No calculator is \"" + device.text +
                                      "\"; the calculators present:" + CalculatorLines(present)};
  }
  return Failure{kExitUsage, "\"" + device.text + "\" names " + std::to_string(found.size()) +
                                 " calculators: name one by its number or path." +
                                 CalculatorLines(found)};
}

}  // namespace usblink
