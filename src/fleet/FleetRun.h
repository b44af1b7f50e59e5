#pragma once
// Several calculators at once (--all, station): each runs the session one
// calculator's run does, on a thread of its own with a backend, pacer and
// link of its own. A device error ends that calculator's session only.

#include <chrono>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hid/DeviceList.h"
#include "platform/hid/HidApi.h"
#include "protocol/Result.h"

namespace usblink {

// One calculator of a run over several.
struct FleetMember {
  int number = 0;  // from 1, in list order (station: in order of arrival): "[n] "
  HidInterface calculator;
  // How its own discovery finds it again among the others: by its serial
  // number where it has one, else by its path.
  DeviceSelector selector;
};

// How a calculator is found again among those `present` with it: by its
// serial number where it has one that no other there has, else by its
// path. A serial number two calculators share (clones, cheap devices) is no
// identity.
DeviceSelector SelectorOf(const HidInterface& calculator, const std::vector<HidInterface>& present);

// What identifies a calculator through a reset: what its selector matches.
std::string CalculatorKey(const DeviceSelector& selector);
// The key of a calculator without a serial number at `path`.
std::string PathKey(const std::string& path);

// The calculators present, numbered from `firstNumber` in list order.
std::vector<FleetMember> NumberCalculators(const std::vector<HidInterface>& calculators,
                                           int firstNumber = 1);

// `text` with its ASCII letters in lower case: serial numbers compared
// without regard to case, as file names on some systems are.
std::string CaseFolded(std::string_view text);

// "  same serial number as 2, 3" where other members share `member`'s
// serial number, else empty.
std::string SharedSerialText(const FleetMember& member, const std::vector<FleetMember>& members);

// Another program holds the calculator at `path`.
std::string InUseText(const std::string& path);

// Why a calculator listed was not found by its session's walk, from what an
// open of its path fails with, made in `turn` as the walks' opens are:
// another program holds it (in use), this user may not open it (access
// denied), or it is gone (not found). None where it opens, or fails otherwise.
std::optional<Failure> Unreachable(HidApi& api, const FleetMember& member, std::mutex& turn);

// How one member's session ended.
struct MemberEnd {
  FleetMember member;
  int status = 0;
  std::chrono::steady_clock::duration took{};
  std::string notStarted;  // why its session could not start (kExitNotStarted)
};

// Why a member's session could not start, from what making its thread failed
// with (no thread, no memory).
std::string WhyNotStarted(const std::exception& error);

// One calculator's session: its exit status. Runs on the member's own thread.
using MemberSession = std::function<int(const FleetMember&)>;
// The clock the sessions' time is taken from (the pacers').
using SessionClock = std::function<std::chrono::steady_clock::time_point()>;

// Runs `session` for every member at once and waits for all of them; the
// ends come in list order. Once a member's thread cannot be made (no thread
// or memory left), neither that member's session nor any after it starts:
// they end as not started, the others run on. An exception out of a session
// is thrown here once every session has ended.
std::vector<MemberEnd> RunFleet(const std::vector<FleetMember>& members,
                                const MemberSession& session, const SessionClock& now);

// 0 when every member succeeded, else the status of the first in list order
// that did not; `none` when there were no members.
int FleetStatus(const std::vector<MemberEnd>& ends, int none);

// The summary table: a header ("n", "serial", "outcome", "seconds") and a
// row a member in list order, each column as wide as its widest cell;
// `outcome` says a status in words.
std::vector<std::string> SummaryTable(const std::vector<MemberEnd>& ends,
                                      const std::function<std::string(int)>& outcome);

// The serial number as the summary shows it: "-" where there is none.
std::string SerialText(const HidInterface& calculator);

// Which calculators a device command is for, chosen before any of them is
// touched: with several plugged in, a run names one (--device) or takes all
// (--all); it never takes one of them by chance.

// The calculators present, numbered in list order.
std::vector<FleetMember> PresentCalculators(HidApi& api);

// Why a run without --device or --all does not go on with several
// calculators present, and the calculators to choose from, one a line.
std::string ChoiceRefusal(const std::vector<FleetMember>& calculators);

// The one calculator --device names among those present, or why there is
// none: a serial number of two calculators (usage error), or no match (not
// found); either way the calculators present are listed. A serial number
// names the calculator that has exactly it, else the one whose serial number
// differs in case only; digits name calculator n where no serial number is
// exactly them.
Result<FleetMember> ChooseDevice(const DeviceSelector& device,
                                 const std::vector<FleetMember>& present);

}  // namespace usblink
