#include "fleet/FleetCommand.h"

#include "fleet/DurationText.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <mutex>
#include <sstream>

#include "fleet/FleetRun.h"
#include "fleet/RunFiles.h"
#include "fleet/Station.h"
#include "protocol/CalculatorProtocol.h"
#include "protocol/Commands.h"
#include "protocol/Outcome.h"

namespace usblink {

namespace {

// Why a calculator's session never began.
std::string NotStartedText(const MemberEnd& end) {
  return "The session of calculator " + std::to_string(end.member.number) + " could not start (" +
         end.notStarted + "); the calculator was not touched.";
}

// The run's files and those each session names after them, the sessions'
// command lines given in `own`.
std::vector<FileRole> AllFileRoles(const Options& options, const std::vector<Options>& own,
                                   const std::vector<FleetMember>& members) {
  auto roles = FileRoles(options);
  for (std::size_t index = 0; index < own.size(); ++index) {
    std::ranges::move(DerivedFileRoles(options, own[index], members[index].number),
                      std::back_inserter(roles));
  }
  return roles;
}

// Two roles on one file: told, and nothing is opened.
RunEnd Refused(SessionPort& view, const Failure& failure) {
  return {Ended(view, failure), std::nullopt, Json{{"error", failure.message}}};
}

// One calculator's session on the calling thread: its exit status, and in
// `fields` what its result tells beyond that. A session whose own files
// would take the place of another role's ends before its log is made.
int Session(const FleetContext& context, const FleetMember& member, const Options& options,
            Detail detail, bool station, Json& fields) {
  const auto view = context.sessionView(member, detail);
  if (const auto apart = FileRolesApart(AllFileRoles(context.options, {options}, {member}));
      !apart) {
    const RunEnd end = Refused(*view, apart.Error());
    fields = *end.fields;
    view->End(end.status, OutcomeText(end.status), fields);
    return end.status;
  }
  const auto api = context.backend();
  const auto pacer = context.environment.pacer(options.fast);
  // Listed, but not found again: why, where its path tells.
  std::optional<Failure> unreachable;
  const int status = ReportedRun(
      options, *view,
      [&] {
        RunEnd end =
            CalculatorSession(options, context.image, *view, *api, *pacer, context.environment,
                              {station, &context.view, &context.discoveryTurn});
        if (end.status == kExitNotFound) {
          unreachable = Unreachable(*api, member, context.discoveryTurn);
          if (unreachable) end.status = Ended(*view, *unreachable);
        }
        return end;
      },
      fields);
  if (unreachable) fields["error"] = unreachable->message;
  return status;
}

// Seconds as the command line gave them: "600", "0.5".
std::string SecondsGiven(double seconds) {
  std::ostringstream text;
  text << seconds;
  return text.str();
}

// "[n] SERIAL", or its path where it has none: how the station's lines name it.
std::string Named(const FleetMember& member) {
  return "[" + std::to_string(member.number) + "] " + member.selector.text;
}

// The station's object of a calculator's event.
Json Event(std::string_view type, const FleetMember& member) {
  return {{"type", type},
          {"device", member.number},
          {"serial", OrNull(member.calculator.serialNumber)},
          {"path", member.calculator.path}};
}

// A calculator's line of the summary object, or its "finished" object.
Json Row(const MemberEnd& end, const Json& fields) {
  const auto& serial = end.member.calculator.serialNumber;
  Json row = {{"device", end.member.number},        {"serial", OrNull(serial)},
              {"path", end.member.calculator.path}, {"outcome", OutcomeText(end.status)},
              {"exitStatus", end.status},           {"seconds", TenthsOfSeconds(end.took)}};
  // A session that never started told nothing.
  if (end.notStarted.empty()) {
    row.update(fields);
  } else {
    row["error"] = NotStartedText(end);
  }
  return row;
}

// The summary table, or object, and the run's end.
RunEnd Summary(const FleetContext& context, const std::vector<MemberEnd>& ends,
               const std::map<int, Json>& fields, int none) {
  Json rows = Json::array();
  for (const MemberEnd& end : ends) rows.push_back(Row(end, fields.at(end.member.number)));
  context.view.Report(SummaryTable(ends, OutcomeText),
                      {{"type", "summary"}, {"calculators", rows}});
  const auto failed = std::ranges::count_if(ends, [](const MemberEnd& end) { return end.status; });
  RunEnd end;
  end.status = FleetStatus(ends, none);
  end.fields = Json{{"calculators", ends.size()}, {"failed", failed}};
  return end;
}

}  // namespace

RunEnd RunAll(const FleetContext& context, HidApi& api) {
  const Options& options = context.options;
  auto members = PresentCalculators(api);
  // --wait: until the first calculator appears; then those present are taken.
  const auto deadline = WaitDeadline(options, context.pacer);
  if (members.empty() && context.pacer.Now() < deadline) context.view.Waiting(*options.waitSeconds);
  while (members.empty() && context.pacer.Now() < deadline) {
    if (context.environment.signals.StopNow(0)) return {kExitInterrupted, std::nullopt, {}};
    context.environment.sleep(kWaitInterval);
    members = PresentCalculators(api);
  }
  if (members.empty()) {
    // The walk of one calculator's connect says what was there.
    Options single = options;
    single.all = false;
    return CalculatorSession(single, context.image, context.view, api, context.pacer,
                             context.environment);
  }
  const auto tags = FileTags(members);
  std::vector<Options> own;
  for (std::size_t index = 0; index < members.size(); ++index) {
    own.push_back(MemberOptions(options, members[index], tags[index]));
  }
  if (const auto apart = FileRolesApart(AllFileRoles(options, own, members)); !apart) {
    return Refused(context.view, apart.Error());
  }
  std::vector<Json> fields(members.size());
  const auto ends = RunFleet(
      members,
      [&](const FleetMember& member) {
        const auto index = static_cast<std::size_t>(member.number - 1);
        return Session(context, member, own[index], DetailOf(options), false, fields[index]);
      },
      [&context] { return context.pacer.Now(); });
  std::map<int, Json> byNumber;
  for (const MemberEnd& end : ends) {
    if (!end.notStarted.empty()) context.view.ShowFailure({kExitNotStarted, NotStartedText(end)});
    byNumber[end.member.number] = fields[static_cast<std::size_t>(end.member.number - 1)];
  }
  RunEnd end = Summary(context, ends, byNumber, kExitNotFound);
  const bool committed =
      std::ranges::any_of(ends, [](const MemberEnd& one) { return one.status == kExitSuccess; });
  if (options.command == Command::Download && committed) {
    context.view.Summary(NextAfterCommit("each calculator marked ok"));
  }
  return end;
}

RunEnd RunStationCommand(const FleetContext& context, HidApi& api) {
  const Options& options = context.options;
  std::string ending;
  if (options.count) ending += ", up to " + std::to_string(*options.count);
  if (options.idleSeconds) {
    ending += "; it ends after " + SecondsGiven(*options.idleSeconds) + " s without one";
  }
  context.view.Notice("Station: waiting for calculators; each one plugged in gets \"" +
                      options.file->string() + "\"" + ending + ". Ctrl-C ends.");
  std::mutex fieldsLock;
  std::map<int, Json> fields;
  const auto optionsOf = [&options](const FleetMember& member) {
    return MemberOptions(options, member, std::to_string(member.number));
  };
  const StationPorts ports{
      [&api] {
        return PresentInterfacesWithIds(api, {kCalculatorVendorId, kCalculatorProductId});
      },
      context.environment.sleep,
      [&context](const FleetMember& member) {
        context.view.Report({Named(member) + ": arrived, updating"}, Event("arrived", member));
      },
      [&](const FleetMember& member) {
        Json own;
        const int status = Session(context, member, optionsOf(member),
                                   options.verbose ? Detail::Verbose : Detail::Quiet, true, own);
        const std::scoped_lock guard(fieldsLock);
        fields[member.number] = std::move(own);
        return status;
      },
      [&](const MemberEnd& end) {
        if (!end.notStarted.empty())
          context.view.ShowFailure({kExitNotStarted, NotStartedText(end)});
        Json row;
        {
          const std::scoped_lock guard(fieldsLock);
          row = Row(end, fields[end.member.number]);
        }
        Json object = {{"type", "finished"}};
        object.update(row);
        const std::string name = Named(end.member);
        // Until its reset is over the calculator must stay plugged in; one
        // that failed is not taken again by this station.
        const std::string next = end.status == kExitSuccess
                                     ? NextAfterCommit("the calculator")
                                     : "Next: it was not updated; update it alone with " +
                                           RerunCommand(optionsOf(end.member)) +
                                           ", or in a new station run.";
        context.view.Report(
            {name + ": " + OutcomeText(end.status) + ", " + SecondsText(end.took) + " s",
             "[" + std::to_string(end.member.number) + "] " + next},
            object);
      },
      [&context](const FleetMember& member) {
        context.view.Report({Named(member) + ": back after its update"}, Event("back", member));
      },
      [&](const FleetMember& member) {
        const std::string number = std::to_string(member.number);
        context.view.Report({Named(member) +
                             ": skipped: without a serial number of its own it cannot be told "
                             "from calculator " +
                             number +
                             ", taken at this path before. If it is another calculator, update it "
                             "alone with " +
                             RerunCommand(optionsOf(member)) + ", or in a new station run."},
                            Event("skipped", member));
      },
      [&context](int running) {
        std::string notice = "Stopping: no more calculators are taken.";
        if (running == 1) {
          notice +=
              " The running update finishes first; press Ctrl-C again to stop it between "
              "two exchanges.";
        } else if (running > 1) {
          notice += " The " + std::to_string(running) +
                    " running updates finish first; press Ctrl-C again to stop them between two "
                    "exchanges.";
        }
        context.view.Notice(notice);
      },
      [&context] { return context.pacer.Now(); },
      context.environment.signals};
  StationSettings settings{options.count};
  if (options.idleSeconds) {
    settings.idle = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::duration<double>(*options.idleSeconds));
  }
  StationEnd station = RunStation(settings, ports);
  if (station.idle) {
    context.view.Notice("Station: no calculator for " + SecondsGiven(*options.idleSeconds) +
                        " s; it ends.");
  }
  std::ranges::sort(station.ends, {}, [](const MemberEnd& end) { return end.member.number; });
  RunEnd end = Summary(context, station.ends, fields, kExitSuccess);
  // Stopped before the count it was to reach.
  if (end.status == kExitSuccess && station.stopped && options.count) {
    end.status = kExitInterrupted;
  }
  return end;
}

}  // namespace usblink
