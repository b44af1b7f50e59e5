#include "fleet/FleetRun.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <exception>
#include <set>
#include <thread>

#include "fleet/DurationText.h"
#include "hid/DeviceList.h"
#include "protocol/CalculatorProtocol.h"

namespace usblink {

namespace {

// A serial number that tells the calculator apart: none when it is empty.
std::optional<std::string> SerialNumberOf(const HidInterface& calculator) {
  const auto& serial = calculator.serialNumber;
  return serial && !serial->empty() ? serial : std::nullopt;
}

}  // namespace

std::string CalculatorKey(const HidInterface& calculator) {
  const auto serial = SerialNumberOf(calculator);
  return serial ? "serial " + *serial : PathKey(calculator.path);
}

std::string PathKey(const std::string& path) { return "path " + path; }

std::vector<FleetMember> NumberCalculators(const std::vector<HidInterface>& calculators,
                                           int firstNumber) {
  std::vector<FleetMember> members;
  std::set<std::string> keys;
  for (const HidInterface& calculator : calculators) {
    if (!keys.insert(CalculatorKey(calculator)).second) continue;
    const auto serial = SerialNumberOf(calculator);
    members.push_back({firstNumber++,
                       calculator,
                       {serial ? DeviceSelector::By::SerialNumber : DeviceSelector::By::Path,
                        serial.value_or(calculator.path)}});
  }
  return members;
}

std::vector<MemberEnd> RunFleet(const std::vector<FleetMember>& members,
                                const MemberSession& session, const SessionClock& now) {
  std::vector<MemberEnd> ends(members.size());
  std::vector<std::exception_ptr> failures(members.size());
  {
    std::vector<std::jthread> threads;
    threads.reserve(members.size());
    for (std::size_t index = 0; index < members.size(); ++index) {
      threads.emplace_back([&, index] {
        MemberEnd& end = ends[index];
        end.member = members[index];
        const auto started = now();
        try {
          end.status = session(end.member);
        } catch (...) {
          failures[index] = std::current_exception();
        }
        end.took = now() - started;
      });
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

std::string ChoiceRefusal(const std::vector<FleetMember>& calculators) {
  std::string text = std::to_string(calculators.size()) +
                     " calculators are plugged in: name one with --device SERIAL|PATH, or take "
                     "them all at once with --all.";
  for (const FleetMember& member : calculators) {
    text += "\n  " + std::to_string(member.number) + "  " + SerialText(member.calculator) + "  " +
            member.calculator.path;
  }
  return text;
}

}  // namespace usblink
