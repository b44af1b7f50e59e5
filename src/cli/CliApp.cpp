#include "cli/CliApp.h"

#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

#include "app/UsbWindow.h"
#include "cli/CliOptions.h"
#include "cli/ExitStatus.h"
#include "cli/ScratchFolder.h"
#include "cli/SimulatedBus.h"
#include "cli/TerminalView.h"
#include "hid/InterfaceWalk.h"
#include "hid/NumberText.h"
#include "platform/sim/SimHidApi.h"
#include "protocol/FirmwareImage.h"

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
  Session(const Options& options, TerminalView& view, HidApi& api, Pacer& pacer)
      : options_(options), view_(view), window_(api, pacer, view) {}
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
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
  }

  Outcome ReadBack(const std::filesystem::path& file, std::string_view title) {
    window_.SetReadBackFile(file);
    view_.BeginProgress(title);
    const Outcome outcome = window_.Click(app::Control::CmdReadFile);
    view_.EndProgress();
    return outcome;
  }

  Outcome Download(const std::filesystem::path& file) {
    view_.SetDialogAnswer(file.string());
    view_.BeginProgress("download");
    const Outcome outcome = window_.Click(app::Control::CmdOpenFile);
    view_.EndProgress();
    return outcome;
  }

 private:
  const Options& options_;
  TerminalView& view_;
  app::UsbWindow window_;
};

std::optional<FirmwareImage> LoadImage(const std::filesystem::path& file, TerminalView& view) {
  auto loaded = FirmwareImage::Load(file);
  if (const auto* error = std::get_if<FileError>(&loaded)) {
    view.Message(error->Message(), "Error");
    return std::nullopt;
  }
  auto& image = std::get<FirmwareImage>(loaded);
  if (image.Empty()) {
    // Built piece by piece: GCC 12 warns falsely on a literal + string here.
    std::string message = "The file \"";
    message += file.string();
    message += "\" is empty. Nothing was sent.";
    view.Message(message, "Error");
    return std::nullopt;
  }
  return std::move(image);
}

int Check(const std::filesystem::path& file, TerminalView& view) {
  const auto image = LoadImage(file, view);
  if (!image) return kExitFileError;
  const auto size = static_cast<long long>(image->FileSize());
  view.Info("File: " + file.string() + ", " + std::to_string(size) + " bytes",
            {{"file", file.string()}, {"size", size}});
  if (image->FileSize() > kFlashSize) {
    view.Message("bytes past " + std::to_string(kFlashSize) + " are ignored (" +
                     std::to_string(image->FileSize() - kFlashSize) + " bytes)",
                 "Warning");
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

int DeviceCommand(const Options& options, TerminalView& view, HidApi& api,
                  const Environment& environment) {
  if (options.command == Command::List) return List(api, view);
  std::optional<FirmwareImage> image;
  if (options.command == Command::Download || options.command == Command::Verify) {
    // Refuse a bad image before the device is touched.
    image = LoadImage(*options.file, view);
    if (!image) return kExitFileError;
  }
  std::optional<ScratchFolder> scratch;
  if (options.command == Command::Verify) {
    std::string reason;
    scratch = ScratchFolder::Make(reason);
    if (!scratch) {
      view.Message(reason, "Error");
      return kExitFileError;
    }
  }
  const auto pacer = environment.pacer(options.fast);
  Session session(options, view, api, *pacer);
  Outcome outcome = session.Connect();
  if (outcome != Outcome::Connected) return ExitStatusOf(outcome);
  switch (options.command) {
    case Command::Download:
      if (options.backupFile) {
        outcome = session.ReadBack(*options.backupFile, "backup");
        if (outcome != Outcome::ReadBack) return ExitStatusOf(outcome);
      }
      return ExitStatusOf(session.Download(*options.file));
    case Command::Read:
      return ExitStatusOf(session.ReadBack(options.file.value_or(app::kReadBackFileName), "read"));
    case Command::Verify: {
      const auto readBack = scratch->Path() / "flash.bin";
      outcome = session.ReadBack(readBack, "verify");
      if (outcome != Outcome::ReadBack) return ExitStatusOf(outcome);
      return Compare(readBack, *image, view);
    }
    default:
      return kExitSuccess;
  }
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
    default:
      return "usage error";
  }
}

int Run(const Options& options, TerminalView& view, const Environment& environment) {
  if (options.command == Command::Check) return Check(*options.file, view);
  if (!options.simulate) {
    const auto api = environment.platform();
    const int status = DeviceCommand(options, view, *api, environment);
    if (status == kExitNotFound) {
      if (const auto hint = environment.accessHint()) view.Message(*hint, "Hint");
    }
    return status;
  }
  auto built = BuildSimulatedBus(options.sim);
  if (const auto* error = std::get_if<SetupError>(&built)) {
    view.Message(error->message, error->exitStatus == kExitUsage ? "usblink-cli" : "Error");
    return error->exitStatus;
  }
  const auto& bus = std::get<std::unique_ptr<sim::SimBus>>(built);
  int status = kExitSuccess;
  {
    sim::SimHidApi api(*bus);
    status = DeviceCommand(options, view, api, environment);
  }
  std::string error;
  if (options.sim.saveFile && !SaveSimulatedFlash(*bus, *options.sim.saveFile, error)) {
    view.Message(error, "Error");
    if (status == kExitSuccess) status = kExitFileError;
  }
  return status;
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, Terminal terminal,
           const Environment& environment) {
  const ParseResult parsed = ParseCommandLine(arguments);
  if (!parsed.options) {
    terminal.err << "usblink-cli: " << parsed.error << "\nTry 'usblink-cli --help'.\n";
    return kExitUsage;
  }
  const Options& options = *parsed.options;
  if (options.command == Command::Help) {
    terminal.out << UsageText();
    return kExitSuccess;
  }
  if (options.command == Command::Version) {
    terminal.out << "usblink-cli " << USBLINK_VERSION << '\n';
    return kExitSuccess;
  }
  TerminalView view(
      terminal.out, terminal.err,
      {options.json, options.quiet, terminal.errIsTerminal && !options.json && !options.quiet,
       terminal.errTakesEscapes});
  if (options.logFile && !view.OpenLogFile(*options.logFile)) {
    view.Message("Cannot create \"" + options.logFile->string() + "\"", "Error");
    view.Result(kExitFileError, OutcomeText(kExitFileError));
    return kExitFileError;
  }
  int status = Run(options, view, environment);
  if (view.LogFileFailed()) {
    view.Message("Cannot write \"" + options.logFile->string() + "\"", "Error");
    if (status == kExitSuccess) status = kExitFileError;
  }
  view.Result(status, OutcomeText(status));
  return status;
}

}  // namespace usblink::cli
