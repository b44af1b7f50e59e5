#include "cli/CliApp.h"

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

#include "cli/CliOptions.h"
#include "cli/TerminalView.h"
#include "fleet/CalculatorSession.h"
#include "fleet/FleetCommand.h"
#include "fleet/FleetRun.h"
#include "fleet/RunFiles.h"
#include "fleet/SimulatedBus.h"
#include "hid/ApiLog.h"
#include "hid/DeviceList.h"
#include "platform/hid/HidApi.h"
#include "protocol/CalculatorProtocol.h"
#include "protocol/FirmwareImage.h"
#include "protocol/Outcome.h"
#include "sim/SimHidApi.h"

namespace usblink::cli {

namespace {

// Why a download writes `sent` bytes, `padding` more than the file holds:
// the block where the file's end is met is sent whole, completed with 0x00.
std::string PaddingText(long long padding, long long sent) {
  const std::string writes = "a download writes " + std::to_string(sent) + " bytes";
  if (padding == 0) return "Padding: none; " + writes + ", the whole flash";
  if (padding == static_cast<long long>(kBlockSize)) {
    return "Padding: the file ends where a block begins, and that block is sent too, " +
           std::to_string(padding) + " bytes of 0x00; " + writes;
  }
  return "Padding: " + std::to_string(padding) + " bytes of 0x00 complete the last block; " +
         writes;
}

// What a download of the image would send; refused as the download would
// refuse it, or with --force what it would send all the same.
int Check(const Options& options, TerminalView& view, const Environment& environment) {
  const std::filesystem::path& file = *options.file;
  const auto image = LoadImage(file, environment);
  if (!image) return Ended(view, image.Error());
  if (image->Oversize()) {
    view.Info("File: " + file.string() + ", more than " + std::to_string(kFlashSize) + " bytes",
              {{"file", file.string()}, {"oversize", true}});
  } else {
    const auto size = static_cast<long long>(image->Length());
    view.Info("File: " + file.string() + ", " + std::to_string(size) + " bytes",
              {{"file", file.string()}, {"size", size}});
  }
  view.Info("Blocks sent: " + std::to_string(image->SentBlocks()) + " (0 to " +
                HexText(static_cast<std::uint32_t>(image->SentBlocks() - 1)) + " hex)",
            {{"blocks", image->SentBlocks()}});
  const auto sent = static_cast<long long>(image->SentBlocks() * kBlockSize);
  const auto padding = sent - static_cast<long long>(image->Length());
  view.Info(PaddingText(padding, sent), {{"padding", padding}, {"bytesSent", sent}});
  for (int bank = 0; bank < image->Banks(); ++bank) {
    view.Info("Bank " + std::to_string(bank) + " checksum: " + HexText(image->BankChecksum(bank)),
              {{"bank", bank}, {"checksum", HexText(image->BankChecksum(bank))}});
  }
  view.Info("Commit: " + std::to_string(image->Banks()) + " banks",
            {{"commitBanks", image->Banks()}});
  const auto admitted = AdmitImage(*image, file, options.force, view);
  return admitted ? kExitSuccess : Ended(view, admitted.Error());
}

// The device's strings as the list shows them: its serial number bare, the
// names quoted since they may hold blanks.
std::string StringsText(const HidInterface& entry) {
  std::string text;
  if (entry.serialNumber) text += "  serial " + *entry.serialNumber;
  for (const auto& name : {entry.manufacturer, entry.product}) {
    if (name) text += "  \"" + *name + "\"";
  }
  return text;
}

// A message's first line, for the result object's `error`.
std::string FirstLine(const std::string& message) { return message.substr(0, message.find('\n')); }

// Every interface, each calculator marked with its number; not found when
// none is one.
int List(HidApi& api, TerminalView& view) {
  const InterfaceIds calculatorIds{kCalculatorVendorId, kCalculatorProductId};
  const auto interfaces = api.PresentInterfaces();
  const auto members = NumberCalculators(InterfacesWithIds(interfaces, calculatorIds));
  auto member = members.begin();
  for (const HidInterface& entry : interfaces) {
    std::string text =
        std::to_string(entry.index) + ": " +
        (entry.ids ? HexText(entry.ids->vendorId) + ":" + HexText(entry.ids->productId) : "?:?") +
        "  " + entry.path + StringsText(entry);
    Json fields{{"index", entry.index}, {"path", entry.path}};
    // The system may list an interface it does not let this user open.
    if (entry.error != WinError::Success) {
      text += "  (cannot be queried: error " + std::to_string(entry.error) + ")";
      fields["error"] = entry.error;
    }
    if (entry.ids) {
      const bool calculator = entry.ids == calculatorIds;
      fields["vendorId"] = HexText(entry.ids->vendorId);
      fields["productId"] = HexText(entry.ids->productId);
      fields["calculator"] = calculator;
      if (calculator) {
        const auto shared = SharedSerialText(*member, members);
        text += "  <- calculator " + std::to_string(member->number) + shared;
        fields["number"] = member->number;
        fields["sharedSerial"] = !shared.empty();
        ++member;
      }
    }
    fields["serial"] = OrNull(entry.serialNumber);
    fields["manufacturer"] = OrNull(entry.manufacturer);
    fields["product"] = OrNull(entry.product);
    view.Info(text, fields);
  }
  return members.empty() ? kExitNotFound : kExitSuccess;
}

Json OptionalPath(const std::optional<std::filesystem::path>& path) {
  return path ? Json(path->string()) : Json(nullptr);
}

// The start object's account of what the command line asks.
Json StartFields(const Options& options) {
  return {{"command", CommandWord(options.command)},
          {"file", OptionalPath(options.file)},
          {"options",
           {{"simulate", options.simulate},
            {"backup", OptionalPath(options.backupFile)},
            {"force", options.force},
            {"wait", OrNull(options.waitSeconds)},
            {"log", OptionalPath(options.logFile)},
            {"quiet", options.quiet},
            {"verbose", options.verbose},
            {"fast", options.fast},
            {"device", options.device ? Json(options.device->text) : Json(nullptr)},
            {"all", options.all},
            {"count", OrNull(options.count)},
            {"idle", OrNull(options.idleSeconds)}}}};
}

using Backends = std::function<std::unique_ptr<HidApi>()>;
using SessionViews = std::function<std::unique_ptr<TerminalView>(const FleetMember&, Detail)>;

// connect, download, read and verify for the one calculator present or
// named, or for all of them; the station; list.
RunEnd DeviceRun(const Options& options, TerminalView& view, Pacer& pacer,
                 const Environment& environment, const Backends& backend,
                 const SessionViews& sessionViews) {
  const auto api = backend();
  if (options.command == Command::List) return {List(*api, view), std::nullopt, {}};
  const auto loaded = CommandImage(options, view, environment);
  if (!loaded) return {Ended(view, loaded.Error()), std::nullopt, {}};
  const std::optional<FirmwareImage>& image = *loaded;
  Options chosen = options;
  if (!options.SeveralCalculators()) {
    // With several calculators plugged in, never one of them by chance.
    const auto present = PresentCalculators(*api);
    if (!options.device && present.size() > 1) {
      const Failure refusal{kExitUsage, ChoiceRefusal(present)};
      return {Ended(view, refusal), std::nullopt,
              Json{{"calculators", present.size()}, {"error", FirstLine(refusal.message)}}};
    }
    if (options.device && !present.empty()) {
      const auto choice = ChooseDevice(*options.device, present);
      // --wait waits for the one named to be plugged in.
      if (!choice && (choice.Error().exitStatus == kExitUsage || !options.waitSeconds)) {
        const int status = Ended(view, choice.Error());
        if (status == kExitNotFound) return {status, std::nullopt, {}};
        return {status, std::nullopt, Json{{"error", FirstLine(choice.Error().message)}}};
      }
      if (choice) chosen.device = choice->selector;
    }
  }
  // From here on there are files to leave whole and calculators to leave
  // between two transactions.
  environment.signals.EndAtOnce(false);
  std::mutex discoveryTurn;
  const FleetContext fleet{options,     image,   view,         pacer,
                           environment, backend, sessionViews, discoveryTurn};
  if (options.command == Command::Station) return RunStationCommand(fleet, *api);
  if (options.all) return RunAll(fleet, *api);
  return CalculatorSession(chosen, image, view, *api, pacer, environment);
}

// check, and the device commands on the machine's calculators.
RunEnd Run(const Options& options, TerminalView& view, Pacer& pacer, const Environment& environment,
           const SessionViews& sessionViews) {
  if (options.command == Command::Check) {
    return {Check(options, view, environment), std::nullopt, {}};
  }
  RunEnd end = DeviceRun(options, view, pacer, environment, environment.platform, sessionViews);
  if (end.status == kExitNotFound && !options.all) {
    if (const auto node = environment.calculatorInUse()) {
      end.status = Ended(view, {kExitInUse, InUseText(*node)});
    } else if (const auto hint = environment.accessHint()) {
      view.ShowMessage(*hint, "Hint");
      end.status = kExitAccessDenied;
    }
  }
  return end;
}

// The device commands on the simulated calculators. Their flash goes to the
// files of --sim-save and --sim-keep whatever the outcome, also when the
// --log file cannot be made.
int SimulatedRun(const Options& options, TerminalView& view, Pacer& pacer,
                 const Environment& environment, const SessionViews& sessionViews) {
  auto refused = OpenRunLog(options, view);
  // The calculators arrive and reset on the run's clock.
  auto built = BuildSimulatedBus(
      options.sim, environment.sleep, [&pacer, start = pacer.Now()] { return pacer.Now() - start; },
      environment.signals);
  RunEnd end;
  if (refused) {
    end = *std::move(refused);
  } else if (!built) {
    end = {Ended(view, built.Error()), std::nullopt, {}};
  } else {
    end = DeviceRun(
        options, view, pacer, environment,
        [&bus = **built] { return std::make_unique<sim::SimHidApi>(bus); }, sessionViews);
  }
  for (const auto& file : {options.sim.saveFile, options.sim.keepFile}) {
    if (!built || !file) continue;
    if (const auto saved = SaveSimulatedFlash(**built, *file); !saved) {
      const int status = Ended(view, saved.Error());
      if (end.status == kExitSuccess) end.status = status;
    }
  }
  Json fields;
  return EndRun(options, view, std::move(end), fields);
}

// The progress on stderr: none with --json or --quiet. On a terminal one
// calculator's is a line drawn over itself, several calculators' one block
// of lines, a line each, where the terminal can go back up; elsewhere plain
// lines, each calculator's its own.
std::optional<ProgressView::Screen> ProgressScreen(const Options& options,
                                                   const Terminal& terminal) {
  using enum ProgressView::Drawing;
  if (options.json || options.quiet) return std::nullopt;
  auto drawing = PlainLines;
  if (terminal.errIsTerminal && options.SeveralCalculators()) {
    drawing = terminal.errTakesEscapes ? Block : PlainLines;
  } else if (terminal.errIsTerminal) {
    drawing = terminal.errTakesEscapes ? Line : LineByBlanks;
  }
  return ProgressView::Screen{drawing, terminal.columns, terminal.rows};
}

// `told` by the system, else the environment's `variable`, else `fallback`.
int TerminalSize(std::optional<int> told, const char* variable, int fallback) {
  if (told && *told > 0) return *told;
  const char* value = std::getenv(variable);
  int size = 0;
  if (value != nullptr) {
    const std::string_view text(value);
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), size);
    if (parsed.ec == std::errc{} && parsed.ptr == text.data() + text.size() && size > 0) {
      return size;
    }
  }
  return fallback;
}

}  // namespace

int TerminalColumns(std::optional<int> told) {
  return TerminalSize(told, "COLUMNS", kDefaultColumns);
}

int TerminalRows(std::optional<int> told) { return TerminalSize(told, "LINES", kDefaultRows); }

void SleepPacer::WaitForTick(int polls) {
  const auto wait = pace_.Before(polls);
  if (wait > Clock::duration::zero()) std::this_thread::sleep_for(wait);
}

int RunCli(const std::vector<std::string>& arguments, Terminal terminal,
           const Environment& environment) {
  const RunStart start{USBLINK_VERSION, arguments, std::chrono::system_clock::now()};
  // `options`: what the command line asks, when it could be parsed.
  const auto usageError = [&](const Failure& failure, bool json, const Options* options) {
    if (!json) {
      terminal.err << "usblink-cli: " << failure.message << "\nTry 'usblink-cli --help'.\n";
      return failure.exitStatus;
    }
    TerminalOutput output(terminal.out, terminal.err, std::nullopt);
    TerminalView view(output, {true, Detail::Short},
                      [] { return std::chrono::steady_clock::now(); });
    view.Start(start, options != nullptr ? StartFields(*options) : Json{{"command", nullptr}});
    view.ShowFailure(failure);
    view.End(failure.exitStatus, OutcomeText(failure.exitStatus), {{"error", failure.message}});
    return failure.exitStatus;
  };
  const ParseResult parsed = ParseCommandLine(arguments);
  if (!parsed.request) return usageError(parsed.request.Error(), parsed.json, nullptr);
  if (const auto* page = std::get_if<Page>(&*parsed.request)) {
    terminal.out << page->text;
    return kExitSuccess;
  }
  const Options& options = std::get<Options>(*parsed.request);
  // Before any file is opened: the log would otherwise be made over the image.
  for (const auto& checked : {FileRolesApart(FileRoles(options)), FileNamesDerivable(options)}) {
    if (!checked) return usageError(checked.Error(), options.json, &options);
  }
  // Until the device command begins nothing is left half-done, and reading an
  // image from a FIFO may wait for a writer that never comes.
  environment.signals.EndAtOnce(true);
  const auto paced = environment.pacer(options.fast);
  // stdout carries the read-back's bytes alone: what goes there otherwise
  // goes to stderr.
  TerminalOutput output(options.ReadsToStandardOutput() ? terminal.err : terminal.out, terminal.err,
                        ProgressScreen(options, terminal));
  const auto now = [&paced] { return paced->Now(); };
  TerminalView view(output, {options.json, DetailOf(options)}, now);
  view.Start(start, StartFields(options));
  const SessionViews sessionViews = [&](const FleetMember& member, Detail detail) {
    auto own = std::make_unique<TerminalView>(
        output, OutputSettings{options.json, detail}, now,
        CalculatorTag{member.number, member.calculator.serialNumber});
    own->Start(start, Json::object());
    return own;
  };
  if (options.simulate && options.command != Command::Check) {
    return SimulatedRun(options, view, *paced, environment, sessionViews);
  }
  Json fields;
  return ReportedRun(
      options, view, [&] { return Run(options, view, *paced, environment, sessionViews); }, fields);
}

}  // namespace usblink::cli
