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
// earlier look and present in this one. Their keys.
std::set<std::string> WatchReturns(const std::vector<HidInterface>& present,
                                   std::map<std::string, Returning>& returning,
                                   const std::function<void(const FleetMember&)>& back) {
  std::set<std::string> told;
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
    told.insert(entry->first);
    entry = returning.erase(entry);
  }
  return told;
}

// Whether `calculator`, known by `key`, is one taken whose return is still
// awaited, or its glimpse at its path in the middle of its reset.
bool AwaitedBack(const std::map<std::string, Returning>& returning, const std::string& key,
                 const HidInterface& calculator) {
  return returning.contains(key) || std::ranges::any_of(returning, [&](const auto& entry) {
           return entry.second.member.calculator.path == calculator.path;
         });
}

// Whether another of those `present` is listed at `calculator`'s path: a
// second listing of one calculator, not a calculator of its own.
bool PathShared(const HidInterface& calculator, const std::vector<HidInterface>& present) {
  return std::ranges::count(present, calculator.path, &HidInterface::path) > 1;
}

}  // namespace

StationEnd RunStation(const StationSettings& settings, const StationPorts& ports) {
  StationEnd end;
  // What identifies each calculator taken, and its number.
  std::map<std::string, int> taken;
  std::map<std::string, Returning> returning;
  // The paths of the calculators present at the last look, and those of
  // calculators known by path alone that came where one was taken while it
  // could still be that one coming back.
  std::set<std::string> lastLook;
  std::set<std::string> undecided;
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
      const auto back = WatchReturns(present, returning, ports.back);
      std::set<std::string> look;
      for (const HidInterface& calculator : present) look.insert(calculator.path);
      std::erase_if(undecided, [&look](const std::string& path) { return !look.contains(path); });
      for (const HidInterface& calculator : present) {
        if (countReached(started)) break;
        FleetMember member{started + 1, calculator, SelectorOf(calculator, present)};
        const auto key = CalculatorKey(member.selector);
        if (const auto earlier = taken.find(key); earlier != taken.end()) {
          // Told once as it appears, or once it can no longer be the one
          // taken coming back; one with a serial number of its own is that one.
          const auto& path = calculator.path;
          if (member.selector.by != DeviceSelector::By::Path ||
              (lastLook.contains(path) && !undecided.contains(path))) {
            continue;
          }
          if (back.contains(key)) {
            undecided.erase(path);
          } else if (AwaitedBack(returning, key, calculator) || PathShared(calculator, present)) {
            undecided.insert(path);
          } else {
            undecided.erase(path);
            member.number = earlier->second;
            ports.skipped(member);
          }
          continue;
        }
        ++started;
        taken.emplace(key, member.number);
        // Its path too: a calculator in the middle of its reset may be
        // listed there once without the serial number it has. Its serial
        // number too, shared or not, for when it comes back alone.
        taken.emplace(PathKey(calculator.path), member.number);
        taken.emplace(CalculatorKey(SelectorOf(calculator, {})), member.number);
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
      lastLook = std::move(look);
    }
    ports.sleep(settings.lookEvery);
  }
  return end;
}

}  // namespace usblink
