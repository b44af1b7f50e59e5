#include "fleet/Station.h"

#include <future>
#include <list>
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

}  // namespace

StationEnd RunStation(const StationSettings& settings, const StationPorts& ports) {
  StationEnd end;
  std::set<std::string> taken;
  int started = 0;
  bool stopping = false;
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
      ports.finished(ended);
      end.ends.push_back(std::move(ended));
    }
    if (!stopping && (ports.signals.Interrupts() > 0 || ports.signals.EndAsked())) {
      stopping = true;
      end.stopped = true;
      ports.stopping(static_cast<int>(running.size()));
    }
    if (countReached(static_cast<int>(end.ends.size())) || (stopping && running.empty())) break;
    if (!stopping) {
      const auto present = ports.present();
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
        Update& update = running.emplace_back(Update{std::move(member), ports.now(), {}});
        try {
          update.status = std::async(std::launch::async, ports.update, update.member);
        } catch (const std::exception& error) {
          // No thread or memory for it: it was not touched, and no more are taken.
          MemberEnd ended{update.member, kExitNotStarted, {}, WhyNotStarted(error)};
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
