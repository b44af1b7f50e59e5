#include "fleet/Station.h"

#include <algorithm>
#include <future>
#include <list>
#include <map>
#include <set>
#include <string>

#include "protocol/Outcome.h"

namespace usblink {

namespace {

struct Update {
  FleetMember member;
  std::chrono::steady_clock::time_point started;
  std::future<int> status;
};

// A calculator taken, from its arrival until it is back from its reset.
// Its reset may begin before the station sees its update end.
struct Returning {
  FleetMember member;
  bool gone = false;       // missing from a look since it arrived
  bool committed = false;  // its update ended and succeeded
};

// Tells of those in `returning` that are back: updated, missing from an
// earlier look and present in this one.
void WatchReturns(const std::vector<HidInterface>& present,
                  std::map<std::string, Returning>& returning,
                  const std::function<void(const FleetMember&)>& back) {
  for (auto entry = returning.begin(); entry != returning.end();) {
    const bool here = std::ranges::any_of(present, [&](const HidInterface& calculator) {
      return CalculatorKey(SelectorOf(calculator, present)) == entry->first;
    });
    if (!here) entry->second.gone = true;
    if (!here || !entry->second.gone || !entry->second.committed) {
      ++entry;
      continue;
    }
    back(entry->second.member);
    entry = returning.erase(entry);
  }
}

}  // namespace

StationEnd RunStation(const StationSettings& settings, const StationPorts& ports) {
  StationEnd end;
  std::set<std::string> taken;
  std::map<std::string, Returning> returning;
  int started = 0;
  bool stopping = false;
  // The last arrival or end of an update, or the station's start.
  auto lastEvent = ports.now();
  // Declared after what the updates' threads reach: destroyed first, each
  // future waits for its thread.
  std::list<Update> running;
  const auto countReached = [&](int updates) {
    return settings.count && updates >= *settings.count;
  };
  for (;;) {
    for (auto update = running.begin(); update != running.end();) {
      if (update->status.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        ++update;
        continue;
      }
      MemberEnd ended{update->member, update->status.get(), ports.now() - update->started, {}};
      update = running.erase(update);
      lastEvent = ports.now();
      if (const auto watched = returning.find(CalculatorKey(ended.member.selector));
          watched != returning.end()) {
        if (ended.status == 0) {
          watched->second.committed = true;
        } else {
          returning.erase(watched);
        }
      }
      ports.finished(ended);
      end.ends.push_back(std::move(ended));
    }
    if (!stopping && (ports.signals.Interrupts() > 0 || ports.signals.EndAsked())) {
      stopping = true;
      end.stopped = true;
      ports.stopping(static_cast<int>(running.size()));
    }
    if (!stopping && settings.idle && running.empty() &&
        ports.now() - lastEvent >= *settings.idle) {
      end.idle = true;
      break;
    }
    if (countReached(static_cast<int>(end.ends.size())) || (stopping && running.empty())) break;
    if (!stopping) {
      const auto present = ports.present();
      WatchReturns(present, returning, ports.back);
      for (const HidInterface& calculator : present) {
        if (countReached(started)) break;
        FleetMember member{started + 1, calculator, SelectorOf(calculator, present)};
        if (!taken.insert(CalculatorKey(member.selector)).second) continue;
        ++started;
        // Its path too: a calculator in the middle of its reset may be
        // listed there once without the serial number it has. Its serial
        // number too, shared or not, for when it comes back alone.
        taken.insert(PathKey(calculator.path));
        taken.insert(CalculatorKey(SelectorOf(calculator, {})));
        lastEvent = ports.now();
        returning.emplace(CalculatorKey(member.selector), Returning{member});
        ports.arrived(member);
        Update& update = running.emplace_back(Update{std::move(member), lastEvent, {}});
        try {
          update.status = std::async(std::launch::async, ports.update, update.member);
        } catch (const std::exception& error) {
          // No thread or memory for it: it was not touched, and no more are taken.
          MemberEnd ended{update.member, kExitNotStarted, {}, WhyNotStarted(error)};
          returning.erase(CalculatorKey(ended.member.selector));
          running.pop_back();
          ports.finished(ended);
          end.ends.push_back(std::move(ended));
          stopping = true;
          ports.stopping(static_cast<int>(running.size()));
          break;
        }
      }
    }
    ports.sleep(settings.lookEvery);
  }
  return end;
}

}  // namespace usblink
