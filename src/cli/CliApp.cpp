#include "cli/CliApp.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <thread>

#include "app/UsbWindow.h"
#include "cli/CliOptions.h"
#include "cli/DurationText.h"
#include "cli/ExitStatus.h"
#include "cli/FileRoles.h"
#include "cli/ReadBackFile.h"
#include "cli/ScratchFolder.h"
#include "cli/SimulatedBus.h"
#include "cli/StallWatch.h"
#include "cli/StopPolicy.h"
#include "cli/TerminalView.h"
#include "hid/InterfaceWalk.h"
#include "hid/NumberText.h"
#include "platform/CalculatorProtocol.h"
#include "platform/sim/SimHidApi.h"
#include "protocol/FirmwareImage.h"
#include "protocol/StoppablePacer.h"

namespace usblink::cli {

namespace {

using app::Outcome;

// Outcomes of the window's commands as exit statuses; OutcomeText says each in words.
int ExitStatusOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::Connected:
    case Outcome::Downloaded:
    case Outcome::ReadBack:
      return kExitSuccess;
    case Outcome::NotFound:
    case Outcome::IdsNotSet:
      return kExitNotFound;
    case Outcome::Refused:
      return kExitRefused;
    case Outcome::ChecksumMismatch:
      return kExitChecksumMismatch;
    case Outcome::NoFile:
    case Outcome::FileError:
      return kExitFileError;
    case Outcome::Interrupted:
      return kExitInterrupted;
    case Outcome::DeviceFailed:
    case Outcome::Ignored:
    case Outcome::Closed:
    case Outcome::Cleared:
      break;
  }
  return kExitDeviceError;
}

// Everything one run of a device command needs, torn down in order.
class Session {
 public:
  Session(const Options& options, TerminalView& view, HidApi& api, Pacer& pacer, StopPolicy& stops,
          const Environment& environment)
      : options_(options),
        view_(view),
        api_(api),
        pacer_(pacer),
        stops_(stops),
        environment_(environment),
        window_(api, pacer, view) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  // As the window's close: the device handles are closed.
  ~Session() { window_.Unload(); }

  // Discovery and handshake, retried every 250 ms while --wait allows. The
  // walk is shown again only when what is plugged in has changed.
  Outcome Connect() {
    const auto deadline =
        pacer_.Now() + std::chrono::duration_cast<Pacer::Clock::duration>(
                           std::chrono::duration<double>(options_.waitSeconds.value_or(0)));
    Outcome outcome = window_.Click(app::Control::contion);
    if (outcome == Outcome::NotFound && pacer_.Now() < deadline) {
      auto present = InterfaceWalk(api_).List();
      view_.Waiting(*options_.waitSeconds);
      while (outcome == Outcome::NotFound && pacer_.Now() < deadline) {
        if (stops_.StopNow()) return Outcome::Interrupted;
        environment_.sleep(std::chrono::milliseconds(250));
        view_.HoldLog();
        outcome = window_.Click(app::Control::contion);
        auto now = outcome == Outcome::NotFound ? InterfaceWalk(api_).List() : present;
        const bool changed = outcome != Outcome::NotFound || now != present;
        view_.ReleaseLog(changed);
        if (changed && outcome == Outcome::NotFound) {
          present = std::move(now);
          view_.Waiting(*options_.waitSeconds);
        }
      }
    }
    if (outcome == Outcome::Connected) {
      const DiscoveryState& found = window_.Discovered();
      view_.CalculatorFound({found.DevicePath,
                             {found.HidAttributes.VendorID, found.HidAttributes.ProductID},
                             kCalculatorIdentity});
    }
    return outcome;
  }

  // Reads banks 0-3 into `file`, as phase `phase` of `phases`; made whole
  // only when the read-back is. `tellPartial`: say what became of the file
  // when it is not.
  Outcome ReadBack(ReadBackFile& file, std::string_view operation, int phase = 1, int phases = 1,
                   bool tellPartial = true) {
    window_.SetReadBackFile(file.Path());
    window_.SetReadBackStream(file.Stream());
    view_.BeginProgress(operation, phase, phases, kFlashBlocks);
    const Outcome outcome = window_.Click(app::Control::CmdReadFile);
    view_.EndProgress(outcome == Outcome::ReadBack);
    if (outcome == Outcome::ReadBack) return file.Commit(view_) ? outcome : Outcome::FileError;
    if (tellPartial) file.KeepPartial(view_);
    return outcome;
  }

  // Sends `image`, loaded from `file` before the device was touched, as
  // phase `phase` of `phases`.
  Outcome Download(const std::filesystem::path& file, FirmwareImage image, int phase, int phases) {
    // A stop asked while the last transaction before it ran.
    if (stops_.StopNow()) return Outcome::Interrupted;
    view_.SetDialogAnswer(file.string());
    const int blocks = image.SentBlocks();
    window_.SetNextImage(std::move(image));
    view_.BeginProgress("download", phase, phases, blocks);
    stops_.DownloadStarts();
    const Outcome outcome = window_.Click(app::Control::CmdOpenFile);
    stops_.DownloadEnds();
    view_.EndProgress(outcome == Outcome::Downloaded);
    return outcome;
  }

  [[nodiscard]] const HidCP::DownloadState& LastDownload() const { return window_.LastDownload(); }

 private:
  const Options& options_;
  TerminalView& view_;
  HidApi& api_;
  Pacer& pacer_;
  StopPolicy& stops_;
  const Environment& environment_;
  app::UsbWindow window_;
};

// How a run ended: its exit status and, for a download, how far it came.
struct RunEnd {
  int status = kExitSuccess;
  std::optional<HidCP::DownloadState> download;
};

// The image FILE, read once; "-" reads standard input.
std::optional<FirmwareImage> LoadImage(const std::filesystem::path& file, TerminalView& view,
                                       const Environment& environment) {
  auto loaded = IsStandardStream(file) ? FirmwareImage::Read(environment.standardInput(), file)
                                       : FirmwareImage::Load(file);
  if (const auto refusal = DownloadRefusal(loaded, file)) {
    view.Message(*refusal, "Error");
    return std::nullopt;
  }
  return std::move(std::get<FirmwareImage>(loaded));
}

// An image longer than the whole flash is hardly firmware of this calculator.
std::string OversizeText(const std::filesystem::path& file) {
  return "\"" + file.string() + "\" is larger than " + std::to_string(kFlashSize) +
         " bytes, the calculator's whole flash";
}

std::string FirstBytesText() { return "its first " + std::to_string(kFlashSize) + " bytes"; }

int Check(const std::filesystem::path& file, TerminalView& view, const Environment& environment) {
  const auto image = LoadImage(file, view, environment);
  if (!image) return kExitFileError;
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
  for (int bank = 0; bank < image->Banks(); ++bank) {
    view.Info("Bank " + std::to_string(bank) + " checksum: " + HexText(image->BankChecksum(bank)),
              {{"bank", bank}, {"checksum", HexText(image->BankChecksum(bank))}});
  }
  view.Info("Commit: " + std::to_string(image->Banks()) + " banks",
            {{"commitBanks", image->Banks()}});
  if (image->Oversize()) {
    view.Message(OversizeText(file) + ": download refuses it unless --force, which sends " +
                     FirstBytesText(),
                 "Error");
    return kExitFileError;
  }
  return kExitSuccess;
}

int List(HidApi& api, TerminalView& view) {
  for (const HidInterface& entry : InterfaceWalk(api).List()) {
    std::string text = std::to_string(entry.index) + ": ";
    Json fields{{"index", entry.index}, {"path", entry.path}};
    if (entry.ids) {
      const bool calculator = entry.ids->vendorId == kCalculatorVendorId &&
                              entry.ids->productId == kCalculatorProductId;
      text += HexText(entry.ids->vendorId) + ":" + HexText(entry.ids->productId) + "  " +
              entry.path + (calculator ? "  <- calculator" : "");
      fields["vendorId"] = HexText(entry.ids->vendorId);
      fields["productId"] = HexText(entry.ids->productId);
      fields["calculator"] = calculator;
    } else {
      text +=
          "?:?  " + entry.path + "  (cannot be queried: error " + std::to_string(entry.error) + ")";
      fields["error"] = entry.error;
    }
    view.Info(text, fields);
  }
  return kExitSuccess;
}

// Compares the read-back file with what a download of the image writes.
int Compare(const std::filesystem::path& readBack, const FirmwareImage& image, TerminalView& view) {
  std::ifstream in(readBack, std::ios::binary);
  std::vector<char> flash(kFlashSize);
  in.read(flash.data(), static_cast<std::streamsize>(flash.size()));
  if (in.gcount() != static_cast<std::streamsize>(flash.size())) {
    view.Message("Cannot read \"" + readBack.string() + "\" back", "Error");
    return kExitFileError;
  }
  const auto expected = image.Flash();
  std::optional<std::size_t> first;
  long long differing = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (static_cast<std::uint8_t>(flash[i]) == expected[i]) continue;
    if (!first) first = i;
    ++differing;
  }
  if (!first) {
    view.Info("No differences in " + std::to_string(expected.size()) + " bytes",
              {{"differences", 0}});
    return kExitSuccess;
  }
  view.Info("First difference at offset " + HexText(*first) + ", " + std::to_string(differing) +
                " bytes differ",
            {{"firstOffset", HexText(*first)}, {"differences", differing}});
  return kExitDifferences;
}

// The file a read-back writes: read's FILE, the backup, or verify's copy in its scratch folder.
std::optional<std::filesystem::path> ReadBackTarget(const Options& options,
                                                    const std::optional<ScratchFolder>& scratch) {
  switch (options.command) {
    case Command::Read:
      return options.file.value_or(app::kReadBackFileName);
    case Command::Download:
      return options.backupFile;
    case Command::Verify:
      return scratch->Path() / "flash.bin";
    default:
      return std::nullopt;
  }
}

// What the short account says after a transfer that completed.
std::string Quoted(const std::filesystem::path& file) { return "\"" + file.string() + "\""; }

std::string BytesText(long long blocks) {
  return std::to_string(blocks * static_cast<long long>(kBlockSize)) + " bytes";
}

RunEnd DeviceCommand(const Options& options, TerminalView& view, HidApi& api, Pacer& pacer,
                     const Environment& environment) {
  if (options.command == Command::List) return {List(api, view), std::nullopt};
  RunEnd end;
  if (options.command == Command::Download) end.download.emplace();
  const auto finish = [&end](int status) {
    end.status = status;
    return end;
  };
  std::optional<FirmwareImage> image;
  if (options.command == Command::Download || options.command == Command::Verify) {
    // Refuse a bad image before the device is touched.
    image = LoadImage(*options.file, view, environment);
    if (!image) return finish(kExitFileError);
    if (options.command == Command::Download && image->Oversize()) {
      if (!options.force) {
        view.Message(OversizeText(*options.file) + ". Nothing was sent; --force sends " +
                         FirstBytesText() + ".",
                     "Error");
        return finish(kExitFileError);
      }
      view.Message(OversizeText(*options.file) + ": only " + FirstBytesText() + " are sent.",
                   "Warning");
    }
  }
  if (end.download) end.download->totalBlocks = image->SentBlocks();
  // From here on there are files to leave whole and a calculator to leave
  // between two transactions.
  environment.signals.EndAtOnce(false);
  std::error_code ignored;
  if (options.backupFile && !options.force &&
      std::filesystem::exists(std::filesystem::symlink_status(*options.backupFile, ignored))) {
    view.Message("The backup file \"" + options.backupFile->string() +
                     "\" exists already. A backup never replaces a file, which may hold the "
                     "only copy of an earlier flash: name a new file, or add --force to "
                     "replace it.",
                 "Error");
    return finish(kExitFileError);
  }
  std::optional<ScratchFolder> scratch;
  if (options.command == Command::Verify) {
    std::string reason;
    scratch = ScratchFolder::Make(reason);
    if (!scratch) {
      view.Message(reason, "Error");
      return finish(kExitFileError);
    }
  }
  std::optional<ReadBackFile> output;
  if (const auto target = ReadBackTarget(options, scratch); target && IsStandardStream(*target)) {
    output.emplace(ReadBackFile::ToStream(environment.standardOutput(), *target));
  } else if (target) {
    auto made = ReadBackFile::Create(*target);
    if (const auto* error = std::get_if<FileError>(&made)) {
      view.Message(error->Message(), "Error");
      return finish(kExitFileError);
    }
    output.emplace(std::move(std::get<ReadBackFile>(made)));
  }
  StopPolicy stops(environment.signals, view);
  StallWatch watched(pacer, [&view](Pacer::Clock::duration waited) { view.NoAnswerFor(waited); });
  StoppablePacer stoppable(watched, [&stops] { return stops.StopNow(); });
  Session session(options, view, api, stoppable, stops, environment);
  Outcome outcome = session.Connect();
  if (outcome != Outcome::Connected) return finish(ExitStatusOf(outcome));
  switch (options.command) {
    case Command::Download: {
      const int phases = options.backupFile ? 2 : 1;
      if (options.backupFile) {
        outcome = session.ReadBack(*output, "backup", 1, phases);
        if (outcome != Outcome::ReadBack) return finish(ExitStatusOf(outcome));
        view.Summary("Backup: " + BytesText(kFlashBlocks) + " in " + Quoted(*options.backupFile) +
                     ".");
      }
      outcome = session.Download(*options.file, *std::move(image), phases, phases);
      if (session.LastDownload().totalBlocks != 0) end.download = session.LastDownload();
      if (outcome == Outcome::Downloaded) {
        const int blocks = end.download->blocksSent;
        view.Summary("Written: " + std::to_string(blocks) + " blocks (" + BytesText(blocks) +
                     ") of " + Quoted(*options.file) + " in " + DurationText(view.Elapsed()) + ".");
        view.Summary(
            "Next: the calculator is now updating itself (1-3 min); do not unplug it until it "
            "shows Update Success!");
      }
      return finish(ExitStatusOf(outcome));
    }
    case Command::Read:
      outcome = session.ReadBack(*output, "read");
      if (outcome == Outcome::ReadBack) {
        view.Summary("Read: " + BytesText(kFlashBlocks) + " into " + Quoted(output->Path()) +
                     " in " + DurationText(view.Elapsed()) + ".");
      }
      return finish(ExitStatusOf(outcome));
    case Command::Verify:
      // The copy lives in the scratch folder, which goes with the run.
      outcome = session.ReadBack(*output, "verify", 1, 1, false);
      if (outcome != Outcome::ReadBack) return finish(ExitStatusOf(outcome));
      return finish(Compare(output->Path(), *image, view));
    default:
      view.Summary("Connected in " + DurationText(view.Elapsed()) +
                   "; the calculator is ready for a download.");
      return finish(kExitSuccess);
  }
}

// What a download that changed the flash without a commit leaves behind, and what to do.
std::string UnfinishedDownloadText(const HidCP::DownloadState& state,
                                   const std::filesystem::path& image) {
  std::string banks;
  for (int bank = 0; bank < state.banksVerified; ++bank) {
    banks += (bank == 0 ? "" : ", ") + std::to_string(bank);
  }
  return "State: the flash was changed and nothing was committed: stopped after " +
         std::to_string(state.blocksSent) + " of " + std::to_string(state.totalBlocks) +
         " blocks, banks verified: " + (banks.empty() ? "none" : banks) +
         ". The calculator may not start until the same download runs again: download \"" +
         image.string() + "\".";
}

// What the result object tells beyond the outcome: the bytes the last
// transfer moved and, for a download, the state of the flash.
Json ResultFields(const RunEnd& end, const TerminalView& view) {
  if (!end.download) return {{"bytes", view.BlocksDone() * static_cast<long long>(kBlockSize)}};
  const HidCP::DownloadState& state = *end.download;
  return {{"bytes", state.blocksSent * static_cast<long long>(kBlockSize)},
          {"flashChanged", state.flashChanged},
          {"committed", state.committed},
          {"blocksSent", state.blocksSent},
          {"totalBlocks", state.totalBlocks},
          {"banksVerified", state.banksVerified}};
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
            {"wait", options.waitSeconds ? Json(*options.waitSeconds) : Json(nullptr)},
            {"log", OptionalPath(options.logFile)},
            {"quiet", options.quiet},
            {"verbose", options.verbose},
            {"fast", options.fast}}}};
}

std::string OutcomeText(int status) {
  switch (status) {
    case kExitSuccess:
      return "ok";
    case kExitNotFound:
      return "no calculator found";
    case kExitRefused:
      return "handshake refused";
    case kExitChecksumMismatch:
      return "bank checksum mismatch";
    case kExitDeviceError:
      return "device error";
    case kExitFileError:
      return "file error";
    case kExitDifferences:
      return "differences found";
    case kExitInUse:
      return "calculator in use";
    case kExitAccessDenied:
      return "calculator access denied";
    case kExitInterrupted:
      return "interrupted";
    default:
      return "usage error";
  }
}

RunEnd Run(const Options& options, TerminalView& view, Pacer& pacer,
           const Environment& environment) {
  if (options.command == Command::Check) {
    return {Check(*options.file, view, environment), std::nullopt};
  }
  if (!options.simulate) {
    const auto api = environment.platform();
    RunEnd end = DeviceCommand(options, view, *api, pacer, environment);
    if (end.status == kExitNotFound) {
      if (const auto node = environment.calculatorInUse()) {
        view.Message("The calculator (" + *node +
                         ") is in use by another program. Try again once it is done.",
                     "Error");
        end.status = kExitInUse;
      } else if (const auto hint = environment.accessHint()) {
        view.Message(*hint, "Hint");
        end.status = kExitAccessDenied;
      }
    }
    return end;
  }
  auto built = BuildSimulatedBus(options.sim, environment.sleep,
                                 [start = std::chrono::steady_clock::now()] {
                                   return std::chrono::steady_clock::now() - start;
                                 });
  if (const auto* error = std::get_if<SetupError>(&built)) {
    view.Message(error->message, error->exitStatus == kExitUsage ? "usblink-cli" : "Error");
    return {error->exitStatus, std::nullopt};
  }
  const auto& bus = std::get<std::unique_ptr<sim::SimBus>>(built);
  RunEnd end;
  {
    sim::SimHidApi api(*bus);
    end = DeviceCommand(options, view, api, pacer, environment);
  }
  std::string error;
  if (options.sim.saveFile && !SaveSimulatedFlash(*bus, *options.sim.saveFile, error)) {
    view.Message(error, "Error");
    if (end.status == kExitSuccess) end.status = kExitFileError;
  }
  return end;
}

OutputSettings OutputOf(const Options& options) {
  const Detail detail = options.quiet     ? Detail::Quiet
                        : options.verbose ? Detail::Verbose
                                          : Detail::Short;
  return {options.json, detail};
}

// The progress on stderr: none with --json or --quiet.
std::optional<ProgressBar::Style> ProgressStyle(const Options& options, const Terminal& terminal) {
  if (options.json || options.quiet) return std::nullopt;
  return ProgressBar::Style{terminal.errIsTerminal, terminal.errTakesEscapes, terminal.columns};
}

}  // namespace

int TerminalColumns(std::optional<int> told) {
  if (told && *told > 0) return *told;
  const char* variable = std::getenv("COLUMNS");
  int columns = 0;
  if (variable != nullptr) {
    const std::string_view text(variable);
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), columns);
    if (parsed.ec == std::errc{} && parsed.ptr == text.data() + text.size() && columns > 0) {
      return columns;
    }
  }
  return kDefaultColumns;
}

int RunCli(const std::vector<std::string>& arguments, Terminal terminal,
           const Environment& environment) {
  const RunStart start{USBLINK_VERSION, arguments, std::chrono::system_clock::now()};
  // `options`: what the command line asks, when it could be parsed.
  const auto usageError = [&](const std::string& reason, bool json, const Options* options) {
    if (!json) {
      terminal.err << "usblink-cli: " << reason << "\nTry 'usblink-cli --help'.\n";
      return kExitUsage;
    }
    TerminalOutput output(terminal.out, terminal.err, std::nullopt);
    TerminalView view(output, {true, Detail::Short},
                      [] { return std::chrono::steady_clock::now(); });
    view.Start(start, options != nullptr ? StartFields(*options) : Json{{"command", nullptr}});
    view.Message(reason, "usblink-cli");
    view.Result(kExitUsage, OutcomeText(kExitUsage), {{"error", reason}});
    return kExitUsage;
  };
  const ParseResult parsed = ParseCommandLine(arguments);
  if (parsed.help) {
    terminal.out << *parsed.help;
    return kExitSuccess;
  }
  if (parsed.version) {
    terminal.out << "usblink-cli " << USBLINK_VERSION << '\n';
    return kExitSuccess;
  }
  if (!parsed.options) return usageError(parsed.error, parsed.json, nullptr);
  const Options& options = *parsed.options;
  // Before any file is opened: the log would otherwise be made over the image.
  if (const auto shared = SharedFileError(options)) {
    return usageError(*shared, options.json, &options);
  }
  // Until the device command begins nothing is left half-done, and reading an
  // image from a FIFO may wait for a writer that never comes.
  environment.signals.EndAtOnce(true);
  const auto paced = environment.pacer(options.fast);
  // stdout carries the read-back's bytes alone: what goes there otherwise
  // goes to stderr.
  TerminalOutput output(options.ReadsToStandardOutput() ? terminal.err : terminal.out, terminal.err,
                        ProgressStyle(options, terminal));
  TerminalView view(output, OutputOf(options), [&paced] { return paced->Now(); });
  view.Start(start, StartFields(options));
  if (options.logFile && !view.OpenLogFile(*options.logFile)) {
    view.Message("Cannot create \"" + options.logFile->string() + "\"", "Error");
    view.Result(kExitFileError, OutcomeText(kExitFileError));
    return kExitFileError;
  }
  RunEnd end = Run(options, view, *paced, environment);
  if (view.LogFileFailed()) {
    view.Message("Cannot write \"" + options.logFile->string() + "\"", "Error");
    if (end.status == kExitSuccess) end.status = kExitFileError;
  }
  view.Result(end.status, OutcomeText(end.status), ResultFields(end, view));
  if (end.download && end.download->ChangedWithoutCommit()) {
    view.Notice(UnfinishedDownloadText(*end.download, *options.file));
  }
  return end.status;
}

}  // namespace usblink::cli
