#include "fleet/CalculatorSession.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "fleet/DurationText.h"
#include "fleet/RunFiles.h"
#include "hid/ApiLog.h"
#include "platform/hid/HidApi.h"
#include "protocol/CalculatorProtocol.h"
#include "protocol/Commands.h"
#include "protocol/Outcome.h"
#include "protocol/Pacer.h"
#include "protocol/StdioFile.h"

namespace usblink {

namespace {

// Everything one run of a device command needs, torn down in order.
class Session {
 public:
  Session(const Options& options, SessionPort& view, HidApi& api, Pacer& pacer, StopPolicy& stops,
          const Environment& environment, std::mutex* discoveryTurn)
      : options_(options),
        view_(view),
        api_(api),
        pacer_(pacer),
        stops_(stops),
        environment_(environment),
        commands_(api, pacer, view) {
    commands_.SetDevice(options.device);
    commands_.SetWalkTurn(discoveryTurn);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Discovery and handshake, retried while --wait allows. The
  // walk is shown again only when what is plugged in has changed.
  Outcome Connect() {
    const auto deadline = WaitDeadline(options_, pacer_);
    Outcome outcome = ConnectOnce();
    if (outcome == Outcome::NotFound && pacer_.Now() < deadline) {
      auto present = api_.PresentInterfaces();
      view_.Waiting(*options_.waitSeconds);
      while (outcome == Outcome::NotFound && pacer_.Now() < deadline) {
        if (stops_.StopNow()) return Outcome::Interrupted;
        environment_.sleep(kWaitInterval);
        view_.HoldLog();
        outcome = ConnectOnce();
        auto now = outcome == Outcome::NotFound ? api_.PresentInterfaces() : present;
        const bool changed = outcome != Outcome::NotFound || now != present;
        view_.ReleaseLog(changed);
        if (changed && outcome == Outcome::NotFound) {
          present = std::move(now);
          view_.Waiting(*options_.waitSeconds);
        }
      }
    }
    if (outcome == Outcome::Connected) {
      const DiscoveryState& found = commands_.Discovered();
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
    view_.BeginProgress(operation, phase, phases, kFlashBlocks);
    // A device or a pipe is opened by the read-back itself.
    const Outcome outcome = file.Stream() != nullptr
                                ? commands_.ReadBack(file.Stream(), file.Path())
                                : commands_.ReadBack(file.Path());
    view_.EndProgress(outcome == Outcome::ReadBack);
    if (outcome == Outcome::ReadBack) {
      const auto committed = file.Commit();
      if (committed) return outcome;
      view_.ShowFailure(committed.Error());
      file.KeepPartial(view_);
      return Outcome::FileError;
    }
    if (tellPartial) file.KeepPartial(view_);
    return outcome;
  }

  // Sends `image`, loaded from `file` before the device was touched, as
  // phase `phase` of `phases`.
  Outcome Download(const std::filesystem::path& file, FirmwareImage image, int phase, int phases) {
    // A stop asked while the last transaction before it ran.
    if (stops_.StopNow()) return Outcome::Interrupted;
    view_.BeginProgress("download", phase, phases, image.SentBlocks());
    stops_.DownloadStarts();
    const Outcome outcome = commands_.Download(std::move(image), file);
    stops_.DownloadEnds();
    view_.EndProgress(outcome == Outcome::Downloaded);
    return outcome;
  }

  [[nodiscard]] const HidCP::DownloadState& LastDownload() const {
    return commands_.LastDownload();
  }

 private:
  // Discovery and handshake for the calculator's ids.
  Outcome ConnectOnce() {
    return commands_.Connect(HexText(kCalculatorVendorId), HexText(kCalculatorProductId));
  }

  const Options& options_;
  SessionPort& view_;
  HidApi& api_;
  Pacer& pacer_;
  StopPolicy& stops_;
  const Environment& environment_;
  Commands commands_;
};

// Compares the read-back file with what a download of the image writes.
int Compare(const std::filesystem::path& readBack, const FirmwareImage& image, SessionPort& view) {
  std::ifstream in(readBack, std::ios::binary);
  std::vector<char> flash(kFlashSize);
  in.read(flash.data(), static_cast<std::streamsize>(flash.size()));
  if (in.gcount() != static_cast<std::streamsize>(flash.size())) {
    return Ended(view, {kExitFileError, "Cannot read " + Quoted(readBack) + " back"});
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
// The files of one session, made before the calculator is touched: the
// read-back's target, and for verify the scratch folder that holds it.
struct SessionFiles {
  std::optional<ScratchFolder> scratch;
  std::optional<ReadBackFile> output;  // declared last: closed before its folder goes
};

Result<SessionFiles> MakeSessionFiles(const Options& options, const Environment& environment) {
  std::error_code ignored;
  if (options.backupFile && !options.force &&
      std::filesystem::exists(std::filesystem::symlink_status(*options.backupFile, ignored))) {
    return Failure{kExitFileError, "The backup file " + Quoted(*options.backupFile) +
                                       " exists already. A backup never replaces a file, "
                                       "which may hold the only copy of an earlier flash: "
                                       "name a new file, or add --force to replace it."};
  }
  SessionFiles files;
  std::optional<std::filesystem::path> target;
  switch (options.command) {
    case Command::Read:
      target = options.file.value_or(kReadBackFileName);
      break;
    case Command::Download:
      target = options.backupFile;
      break;
    case Command::Verify: {
      auto made = ScratchFolder::Make();
      if (!made) return made.Error();
      files.scratch.emplace(*std::move(made));
      target = files.scratch->Path() / "flash.bin";
      break;
    }
    default:
      break;
  }
  if (target && IsStandardStream(*target)) {
    files.output.emplace(ReadBackFile::ToStream(environment.standardOutput(), *target));
  } else if (target) {
    auto made = ReadBackFile::Create(*target);
    if (!made) return made.Error();
    files.output.emplace(*std::move(made));
  }
  return files;
}

// What the short account says after a transfer that completed.
std::string BytesText(long long blocks) {
  return std::to_string(blocks * static_cast<long long>(kBlockSize)) + " bytes";
}

// The session's exit status; `download`, there for a download, tells how far it came.
int SessionStatus(const Options& options, std::optional<FirmwareImage> image, SessionPort& view,
                  HidApi& api, Pacer& pacer, const Environment& environment, SessionRole role,
                  std::optional<HidCP::DownloadState>& download) {
  auto files = MakeSessionFiles(options, environment);
  if (!files) return Ended(view, files.Error());
  std::optional<ReadBackFile>& output = files->output;
  StopPolicy stops(environment.signals, role.run != nullptr ? *role.run : view, role.stationUpdate);
  StallWatch watched(pacer, [&view](Pacer::Clock::duration waited) { view.NoAnswerFor(waited); });
  StoppablePacer stoppable(watched, [&stops] { return stops.StopNow(); });
  Session session(options, view, api, stoppable, stops, environment, role.discoveryTurn);
  Outcome outcome = session.Connect();
  if (outcome != Outcome::Connected) return ExitStatusOf(outcome);
  switch (options.command) {
    case Command::Download: {
      const int phases = options.backupFile ? 2 : 1;
      if (options.backupFile) {
        outcome = session.ReadBack(*output, "backup", 1, phases);
        if (outcome != Outcome::ReadBack) return ExitStatusOf(outcome);
        view.Summary("Backup: " + BytesText(kFlashBlocks) + " in " + Quoted(*options.backupFile) +
                     ".");
      }
      outcome = session.Download(*options.file, *std::move(image), phases, phases);
      if (session.LastDownload().totalBlocks != 0) download = session.LastDownload();
      if (outcome == Outcome::Downloaded) {
        const int blocks = download->blocksSent;
        view.Summary("Written: " + std::to_string(blocks) + " blocks (" + BytesText(blocks) +
                     ") of " + Quoted(*options.file) + " in " + DurationText(view.Elapsed()) + ".");
        if (role.run == nullptr) view.Summary(NextAfterCommit("the calculator"));
      }
      return ExitStatusOf(outcome);
    }
    case Command::Read:
      outcome = session.ReadBack(*output, "read");
      if (outcome == Outcome::ReadBack) {
        const std::string target = IsStandardStream(output->Path())
                                       ? "to standard output"
                                       : "into " + Quoted(output->Path());
        view.Summary("Read: " + BytesText(kFlashBlocks) + " " + target + " in " +
                     DurationText(view.Elapsed()) + ".");
      }
      return ExitStatusOf(outcome);
    case Command::Verify:
      // The copy lives in the scratch folder, which goes with the run.
      outcome = session.ReadBack(*output, "verify", 1, 1, false);
      if (outcome != Outcome::ReadBack) return ExitStatusOf(outcome);
      return Compare(output->Path(), *image, view);
    default:
      view.Summary("Connected in " + DurationText(view.Elapsed()) +
                   "; the calculator is ready for a download.");
      return kExitSuccess;
  }
}

// What a download that changed the flash without a commit leaves behind, and what to do.
std::string UnfinishedDownloadText(const HidCP::DownloadState& state, const Options& options) {
  std::string banks;
  for (int bank = 0; bank < state.banksVerified; ++bank) {
    banks += (bank == 0 ? "" : ", ") + std::to_string(bank);
  }
  return "State: the flash was changed and nothing was committed: stopped after " +
         std::to_string(state.blocksSent) + " of " + std::to_string(state.totalBlocks) +
         " blocks, banks verified: " + (banks.empty() ? "none" : banks) +
         ". The calculator may not start until the same download runs again: " +
         RerunCommand(options) + ".";
}

// What the result object tells beyond the outcome: the bytes the last
// transfer moved and, for a download, the state of the flash.
Json ResultFields(const RunEnd& end, const SessionPort& view) {
  if (end.fields) return *end.fields;
  if (!end.download) return {{"bytes", view.BlocksDone() * static_cast<long long>(kBlockSize)}};
  const HidCP::DownloadState& state = *end.download;
  return {{"bytes", state.blocksSent * static_cast<long long>(kBlockSize)},
          {"flashChanged", state.flashChanged},
          {"committed", state.committed},
          {"blocksSent", state.blocksSent},
          {"totalBlocks", state.totalBlocks},
          {"banksVerified", state.banksVerified}};
}

}  // namespace

Pacer::Clock::time_point WaitDeadline(const Options& options, Pacer& pacer) {
  return pacer.Now() + std::chrono::duration_cast<Pacer::Clock::duration>(
                           std::chrono::duration<double>(options.waitSeconds.value_or(0)));
}

std::string NextAfterCommit(std::string_view which) {
  return "Next: " + std::string(which) +
         " is now updating itself (1-3 min); do not unplug it until it shows Update Success!";
}

std::string RerunCommand(const Options& options) {
  std::string command = "download";
  if (options.device) {
    const std::string& text = options.device->text;
    // A path holds characters a shell reads; a serial number is plain.
    const bool plain = std::ranges::all_of(text, [](unsigned char c) {
      return std::isalnum(c) != 0 || c == '-' || c == '_' || c == '.';
    });
    command += " --device " + (plain ? text : Quoted(text));
  }
  return command + " " + Quoted(*options.file);
}

Detail DetailOf(const Options& options) {
  return options.quiet ? Detail::Quiet : options.verbose ? Detail::Verbose : Detail::Short;
}

RunEnd CalculatorSession(const Options& options, std::optional<FirmwareImage> image,
                         SessionPort& view, HidApi& api, Pacer& pacer,
                         const Environment& environment, SessionRole role) {
  RunEnd end;
  if (options.command == Command::Download) {
    end.download.emplace();
    end.download->totalBlocks = image->SentBlocks();
  }
  end.status =
      SessionStatus(options, std::move(image), view, api, pacer, environment, role, end.download);
  return end;
}

std::optional<RunEnd> OpenRunLog(const Options& options, SessionPort& view) {
  if (!options.logFile) return std::nullopt;
  const auto opened = view.OpenLogFile(*options.logFile);
  if (opened) return std::nullopt;
  return RunEnd{Ended(view, opened.Error()), std::nullopt, Json::object()};
}

int ReportedRun(const Options& options, SessionPort& view, const std::function<RunEnd()>& run,
                Json& fields) {
  auto refused = OpenRunLog(options, view);
  return EndRun(options, view, refused ? *std::move(refused) : run(), fields);
}

int EndRun(const Options& options, SessionPort& view, RunEnd end, Json& fields) {
  if (const auto written = view.LogFileWritten(); !written) {
    view.ShowFailure(written.Error());
    if (end.status == kExitSuccess) end.status = written.Error().exitStatus;
  }
  fields = ResultFields(end, view);
  // Before the end, which is the log's last line.
  if (end.download && end.download->ChangedWithoutCommit()) {
    view.Notice(UnfinishedDownloadText(*end.download, options));
  }
  view.End(end.status, OutcomeText(end.status), fields);
  return end.status;
}

bool StopPolicy::StopNow() {
  if (signals_.StopNow(tolerated_)) return true;
  if (tolerated_ > outsideDownload_ && signals_.TakeFirstInterrupt()) {
    view_.Notice(
        "Warning: stopping the download now can leave the calculator unable to start. "
        "The download goes on; press Ctrl-C again to stop anyway.");
  }
  return false;
}

}  // namespace usblink
