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

// One station run: its loop, and what it remembers between looks.
class StationLoop {
 public:
  StationLoop(const StationSettings& settings, const StationPorts& ports)
      : settings_(settings), ports_(ports), lastEvent_(ports.now()) {}

  StationEnd Run() && {
    for (;;) {
      CollectEnds();
      if (!stopping_ && (ports_.signals.Interrupts() > 0 || ports_.signals.EndAsked())) {
        end_.stopped = true;
        StopTaking();
      }
      if (!stopping_ && settings_.idle && running_.empty() &&
          ports_.now() - lastEvent_ >= *settings_.idle) {
        end_.idle = true;
        break;
      }
      if (CountReached(static_cast<int>(end_.ends.size())) || (stopping_ && running_.empty())) {
        break;
      }
      if (!stopping_) Look();
      ports_.sleep(settings_.lookEvery);
    }
    return std::move(end_);
  }

 private:
  [[nodiscard]] bool CountReached(int updates) const {
    return settings_.count && updates >= *settings_.count;
  }

  void StopTaking() {
    stopping_ = true;
    ports_.stopping(static_cast<int>(running_.size()));
  }

  void Record(MemberEnd ended) {
    ports_.finished(ended);
    end_.ends.push_back(std::move(ended));
  }

  void CollectEnds() {
    for (auto update = running_.begin(); update != running_.end();) {
      if (update->status.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        ++update;
        continue;
      }
      MemberEnd ended{update->member, update->status.get(), ports_.now() - update->started, {}};
      update = running_.erase(update);
      lastEvent_ = ports_.now();
      if (const auto watched = returning_.find(CalculatorKey(ended.member.selector));
          watched != returning_.end()) {
        if (ended.status == 0) {
          watched->second.committed = true;
        } else {
          returning_.erase(watched);
        }
      }
      Record(std::move(ended));
    }
  }

  void Look() {
    const auto present = ports_.present();
    const auto back = WatchReturns(present, returning_, ports_.back);
    std::set<std::string> look;
    for (const HidInterface& calculator : present) look.insert(calculator.path);
    std::erase_if(undecided_, [&look](const std::string& path) { return !look.contains(path); });
    for (const HidInterface& calculator : present) {
      if (CountReached(started_)) break;
      FleetMember member{started_ + 1, calculator, SelectorOf(calculator, present)};
      if (const auto earlier = taken_.find(CalculatorKey(member.selector));
          earlier != taken_.end()) {
        TellIfSkipped(std::move(member), earlier->second, back, present);
      } else if (!Take(std::move(member))) {
        break;
      }
    }
    lastLook_ = std::move(look);
  }

  // A calculator known as one taken before (calculator `earlier`). Told once
  // as it appears, or once it can no longer be the one taken coming back;
  // one with a serial number of its own is that one.
  void TellIfSkipped(FleetMember member, int earlier, const std::set<std::string>& back,
                     const std::vector<HidInterface>& present) {
    const std::string path = member.calculator.path;
    if (member.selector.by != DeviceSelector::By::Path ||
        (lastLook_.contains(path) && !undecided_.contains(path))) {
      return;
    }
    const auto key = CalculatorKey(member.selector);
    if (back.contains(key)) {
      undecided_.erase(path);
    } else if (AwaitedBack(returning_, key, member.calculator) ||
               PathShared(member.calculator, present)) {
      undecided_.insert(path);
    } else {
      undecided_.erase(path);
      member.number = earlier;
      ports_.skipped(member);
    }
  }

  // Starts the update of a calculator not taken before; false when no
  // thread or memory was left for it: it was not touched, and no more are taken.
  bool Take(FleetMember member) {
    ++started_;
    const auto key = CalculatorKey(member.selector);
    taken_.emplace(key, member.number);
    // Its path too: a calculator in the middle of its reset may be listed
    // there once without the serial number it has. Its serial number too,
    // shared or not, for when it comes back alone.
    taken_.emplace(PathKey(member.calculator.path), member.number);
    taken_.emplace(CalculatorKey(SelectorOf(member.calculator, {})), member.number);
    lastEvent_ = ports_.now();
    returning_.emplace(key, Returning{member});
    ports_.arrived(member);
    Update& update = running_.emplace_back(Update{std::move(member), lastEvent_, {}});
    try {
      update.status = std::async(std::launch::async, ports_.update, update.member);
      return true;
    } catch (const std::exception& error) {
      MemberEnd ended{update.member, kExitNotStarted, {}, WhyNotStarted(error)};
      returning_.erase(key);
      running_.pop_back();
      Record(std::move(ended));
      StopTaking();
      return false;
    }
  }

  const StationSettings& settings_;
  const StationPorts& ports_;
  StationEnd end_;
  // What identifies each calculator taken, and its number.
  std::map<std::string, int> taken_;
  std::map<std::string, Returning> returning_;
  // The paths of the calculators present at the last look, and those of
  // calculators known by path alone that came where one was taken while it
  // could still be that one coming back.
  std::set<std::string> lastLook_;
  std::set<std::string> undecided_;
  int started_ = 0;
  bool stopping_ = false;
  // The last arrival or end of an update, or the station's start.
  std::chrono::steady_clock::time_point lastEvent_;
  // Last, so destroyed first: each future waits for its thread.
  std::list<Update> running_;
};

}  // namespace

StationEnd RunStation(const StationSettings& settings, const StationPorts& ports) {
  return StationLoop(settings, ports).Run();
}

}  // namespace usblink
