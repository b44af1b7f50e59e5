#include "cli/CliApp.h"

#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

#include "app/UsbWindow.h"
#include "cli/CliOptions.h"
#include "cli/ExitStatus.h"
#include "cli/FileRoles.h"
#include "cli/ReadBackFile.h"
#include "cli/ScratchFolder.h"
#include "cli/SimulatedBus.h"
#include "cli/StopPolicy.h"
#include "cli/TerminalView.h"
#include "hid/InterfaceWalk.h"
#include "hid/NumberText.h"
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
  Session(const Options& options, TerminalView& view, HidApi& api, Pacer& pacer, StopPolicy& stops)
      : options_(options), view_(view), stops_(stops), window_(api, pacer, view) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  // As the window's close: the device handles are closed.
  ~Session() { window_.Unload(); }

  // Discovery and handshake, retried every 250 ms while --wait allows.
  Outcome Connect() {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(options_.waitSeconds.value_or(0)));
    for (;;) {
      const Outcome outcome = window_.Click(app::Control::contion);
      if (outcome != Outcome::NotFound || std::chrono::steady_clock::now() >= deadline) {
        return outcome;
      }
      if (stops_.StopNow()) return Outcome::Interrupted;
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
  }

  // Reads banks 0-3 into `file`; made whole only when the read-back is.
  // `tellPartial`: say what became of the file when it is not.
  Outcome ReadBack(ReadBackFile& file, std::string_view title, bool tellPartial = true) {
    window_.SetReadBackFile(file.Path());
    window_.SetReadBackStream(file.Stream());
    view_.BeginProgress(title);
    const Outcome outcome = window_.Click(app::Control::CmdReadFile);
    view_.EndProgress();
    if (outcome == Outcome::ReadBack) return file.Commit(view_) ? outcome : Outcome::FileError;
    if (tellPartial) file.KeepPartial(view_);
    return outcome;
  }

  // Sends `image`, loaded from `file` before the device was touched.
  Outcome Download(const std::filesystem::path& file, FirmwareImage image) {
    // A stop asked while the last transaction before it ran.
    if (stops_.StopNow()) return Outcome::Interrupted;
    view_.SetDialogAnswer(file.string());
    window_.SetNextImage(std::move(image));
    view_.BeginProgress("download");
    stops_.DownloadStarts();
    const Outcome outcome = window_.Click(app::Control::CmdOpenFile);
    stops_.DownloadEnds();
    view_.EndProgress();
    return outcome;
  }

  [[nodiscard]] const HidCP::DownloadState& LastDownload() const { return window_.LastDownload(); }

 private:
  const Options& options_;
  TerminalView& view_;
  StopPolicy& stops_;
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
            {{"blocks", static_cast<long long>(image->SentBlocks())}});
  for (int bank = 0; bank < image->Banks(); ++bank) {
    view.Info(
        "Bank " + std::to_string(bank) + " checksum: " + HexText(image->BankChecksum(bank)),
        {{"bank", static_cast<long long>(bank)}, {"checksum", HexText(image->BankChecksum(bank))}});
  }
  view.Info("Commit: " + std::to_string(image->Banks()) + " banks",
            {{"commitBanks", static_cast<long long>(image->Banks())}});
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
    std::vector<std::pair<std::string, JsonValue>> fields{
        {"index", static_cast<long long>(entry.index)}, {"path", entry.path}};
    if (entry.ids) {
      const bool calculator = entry.ids->vendorId == kCalculatorVendorId &&
                              entry.ids->productId == kCalculatorProductId;
      text += HexText(entry.ids->vendorId) + ":" + HexText(entry.ids->productId) + "  " +
              entry.path + (calculator ? "  <- calculator" : "");
      fields.emplace_back("vendorId", HexText(entry.ids->vendorId));
      fields.emplace_back("productId", HexText(entry.ids->productId));
      fields.emplace_back("calculator", calculator);
    } else {
      text +=
          "?:?  " + entry.path + "  (cannot be queried: error " + std::to_string(entry.error) + ")";
      fields.emplace_back("error", static_cast<long long>(entry.error));
    }
    view.Info(text, std::move(fields));
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
              {{"differences", 0LL}});
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

RunEnd DeviceCommand(const Options& options, TerminalView& view, HidApi& api,
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
  const auto pacer = environment.pacer(options.fast);
  StoppablePacer stoppable(*pacer, [&stops] { return stops.StopNow(); });
  Session session(options, view, api, stoppable, stops);
  Outcome outcome = session.Connect();
  if (outcome != Outcome::Connected) return finish(ExitStatusOf(outcome));
  switch (options.command) {
    case Command::Download:
      if (options.backupFile) {
        outcome = session.ReadBack(*output, "backup");
        if (outcome != Outcome::ReadBack) return finish(ExitStatusOf(outcome));
      }
      outcome = session.Download(*options.file, *std::move(image));
      if (session.LastDownload().totalBlocks != 0) end.download = session.LastDownload();
      return finish(ExitStatusOf(outcome));
    case Command::Read:
      return finish(ExitStatusOf(session.ReadBack(*output, "read")));
    case Command::Verify:
      // The copy lives in the scratch folder, which goes with the run.
      outcome = session.ReadBack(*output, "verify", false);
      if (outcome != Outcome::ReadBack) return finish(ExitStatusOf(outcome));
      return finish(Compare(output->Path(), *image, view));
    default:
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

std::vector<std::pair<std::string, JsonValue>> DownloadFields(const HidCP::DownloadState& state) {
  return {{"flashChanged", state.flashChanged},
          {"committed", state.committed},
          {"blocksSent", static_cast<long long>(state.blocksSent)},
          {"totalBlocks", static_cast<long long>(state.totalBlocks)},
          {"banksVerified", static_cast<long long>(state.banksVerified)}};
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

RunEnd Run(const Options& options, TerminalView& view, const Environment& environment) {
  if (options.command == Command::Check) {
    return {Check(*options.file, view, environment), std::nullopt};
  }
  if (!options.simulate) {
    const auto api = environment.platform();
    RunEnd end = DeviceCommand(options, view, *api, environment);
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
    end = DeviceCommand(options, view, api, environment);
  }
  std::string error;
  if (options.sim.saveFile && !SaveSimulatedFlash(*bus, *options.sim.saveFile, error)) {
    view.Message(error, "Error");
    if (end.status == kExitSuccess) end.status = kExitFileError;
  }
  return end;
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, Terminal terminal,
           const Environment& environment) {
  const ParseResult parsed = ParseCommandLine(arguments);
  const auto usageError = [&terminal, &parsed](const std::string& reason) {
    terminal.err << "usblink-cli: " << reason << "\nTry 'usblink-cli --help'.\n";
    if (parsed.json) {
      TerminalView(terminal.out, terminal.err, {.json = true})
          .Result(kExitUsage, OutcomeText(kExitUsage), {{"error", reason}});
    }
    return kExitUsage;
  };
  if (parsed.help) {
    terminal.out << *parsed.help;
    return kExitSuccess;
  }
  if (parsed.version) {
    terminal.out << "usblink-cli " << USBLINK_VERSION << '\n';
    return kExitSuccess;
  }
  if (!parsed.options) return usageError(parsed.error);
  const Options& options = *parsed.options;
  // Before any file is opened: the log would otherwise be made over the image.
  if (const auto shared = SharedFileError(options)) return usageError(*shared);
  // Until the device command begins nothing is left half-done, and reading an
  // image from a FIFO may wait for a writer that never comes.
  environment.signals.EndAtOnce(true);
  // stdout carries the read-back's bytes alone: what goes there otherwise
  // goes to stderr.
  TerminalView view(
      options.ReadsToStandardOutput() ? terminal.err : terminal.out, terminal.err,
      {options.json, options.quiet, terminal.errIsTerminal && !options.json && !options.quiet,
       terminal.errTakesEscapes});
  if (options.logFile && !view.OpenLogFile(*options.logFile)) {
    view.Message("Cannot create \"" + options.logFile->string() + "\"", "Error");
    view.Result(kExitFileError, OutcomeText(kExitFileError));
    return kExitFileError;
  }
  RunEnd end = Run(options, view, environment);
  if (view.LogFileFailed()) {
    view.Message("Cannot write \"" + options.logFile->string() + "\"", "Error");
    if (end.status == kExitSuccess) end.status = kExitFileError;
  }
  view.Result(end.status, OutcomeText(end.status),
              end.download ? DownloadFields(*end.download)
                           : std::vector<std::pair<std::string, JsonValue>>{});
  if (end.download && end.download->ChangedWithoutCommit()) {
    view.Notice(UnfinishedDownloadText(*end.download, *options.file));
  }
  return end.status;
}

}  // namespace usblink::cli
