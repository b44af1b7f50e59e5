#include "fleet/RunFiles.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <random>
#include <set>
#include <string>

#include "fleet/ImageDoubts.h"
#include "hid/ApiLog.h"
#include "platform/os/FileIdentity.h"
#include "platform/os/InputRead.h"
#include "protocol/CalculatorProtocol.h"
#include "protocol/Commands.h"
#include "protocol/Outcome.h"
#include "protocol/StdioFile.h"

namespace usblink {

Result<FirmwareImage> LoadImage(const std::filesystem::path& file, const Environment& environment) {
  // One byte past the flash tells an image too large, and an endless device
  // cannot hold the read.
  constexpr std::size_t kLimit = kFlashSize + 1;
  const auto read = IsStandardStream(file)
                        ? ReadInput(environment.standardInput(), kLimit, environment.signals)
                        : ReadInput(file, kLimit, environment.signals);
  if (read.error == std::errc::interrupted) {
    return Failure{kExitInterrupted, "Stopped while the image was read from " + Quoted(file) +
                                         "; nothing was sent to a calculator."};
  }
  LoadedImage loaded = read.error ? LoadedImage(FileFailure(file, read.failedAction, read.error))
                                  : LoadedImage(FirmwareImage::FromBytes(read.bytes));
  if (const auto sendable = Sendable(loaded, file); !sendable) return sendable.Error();
  return loaded;
}

Result<std::optional<FirmwareImage>> CommandImage(const Options& options, SessionPort& view,
                                                  const Environment& environment) {
  const bool downloads =
      options.command == Command::Download || options.command == Command::Station;
  if (!downloads && options.command != Command::Verify) return std::optional<FirmwareImage>();
  auto image = LoadImage(*options.file, environment);
  if (!image) return image.Error();
  if (downloads) {
    if (const auto admitted = AdmitImage(*image, *options.file, options.force, view); !admitted) {
      return admitted.Error();
    }
  }
  return std::optional(*std::move(image));
}

Result<void> AdmitImage(const FirmwareImage& image, const std::filesystem::path& file, bool force,
                        SessionPort& view) {
  const auto doubts = ImageDoubts(image, file);
  if (!force && !doubts.empty()) return Failure{kExitFileError, doubts.front().Refusal()};
  for (const ImageDoubt& doubt : doubts) view.ShowMessage(doubt.Warning(), "Warning");
  return {};
}

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTitle = "File";

}  // namespace

Result<ReadBackFile> ReadBackFile::Create(const fs::path& target) {
  std::error_code error;
  const bool existed = fs::exists(target, error);
  auto staged = StagedFile::Create(target, error);
  if (staged) return ReadBackFile(target, std::move(staged), existed);
  if (error == std::errc::not_supported) return ReadBackFile(target, std::nullopt, existed);
  return FileFailure(target, "create", error);
}

Result<void> ReadBackFile::Commit() {
  if (!staged_) return {};
  if (const std::error_code error = staged_->Commit()) return FileFailure(path_, "write", error);
  return {};
}

void ReadBackFile::KeepPartial(SessionPort& view) {
  if (!staged_) return;
  std::error_code error;
  const auto kept = staged_->KeepPartial(error);
  std::string text = Quoted(path_) + (existed_ ? " is left as it was" : " was not made");
  if (kept) {
    text += "; the " + std::to_string(kept->length) + " bytes read are kept in " +
            Quoted(kept->path) + ".";
  } else {
    text += "; no byte was read.";
  }
  view.ShowMessage(text, kTitle);
}

Result<ScratchFolder> ScratchFolder::Make() {
  std::error_code error;
  const auto temporary = std::filesystem::temp_directory_path(error);
  if (error) return Failure{kExitFileError, "No folder for temporary files: " + error.message()};
  std::random_device random;
  for (int attempt = 0; attempt < 16; ++attempt) {
    const auto name = "usblink-" + HexText((std::uint64_t{random()} << 32) | random());
    auto path = temporary / name;
    // Made here and now, or not used at all.
    if (std::filesystem::create_directory(path, error)) {
      ScratchFolder made(std::move(path));
      // Private before anything goes in: the flash read back is nobody else's.
      std::filesystem::permissions(made.Path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace, error);
      if (!error) return made;
      break;
    }
    if (error) break;
  }
  return Failure{kExitFileError, "Cannot make a folder in " + Quoted(temporary) +
                                     (error ? ": " + error.message() : std::string())};
}

ScratchFolder::~ScratchFolder() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

namespace {

// Letters, digits, '-', '_' and '.', not first: the same name on every system.
bool FitsFileName(const std::string& text) {
  return !text.empty() && text.front() != '.' && std::ranges::all_of(text, [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
           c == '_' || c == '.';
  });
}

}  // namespace

std::filesystem::path NumberedFile(const std::filesystem::path& file, int number) {
  std::filesystem::path numbered = file;
  numbered += "." + std::to_string(number);
  return numbered;
}

std::vector<std::string> FileTags(const std::vector<FleetMember>& members) {
  std::vector<std::string> tags;
  std::set<std::string> distinct;
  for (const FleetMember& member : members) {
    const auto& serial = member.calculator.serialNumber;
    // Distinct also where file names ignore case.
    if (!serial || !FitsFileName(*serial) || !distinct.insert(CaseFolded(*serial)).second) {
      tags.clear();
      break;
    }
    tags.push_back(*serial);
  }
  if (!tags.empty() || members.empty()) return tags;
  for (const FleetMember& member : members) tags.push_back(std::to_string(member.number));
  return tags;
}

std::filesystem::path TaggedFile(const std::filesystem::path& file, const std::string& tag) {
  std::filesystem::path tagged = file.parent_path();
  tagged /= file.stem().string() + "-" + tag + file.extension().string();
  return tagged;
}

namespace {

// Standard input or output is no file of any role.
void Add(std::vector<FileRole>& roles, std::string name,
         const std::optional<std::filesystem::path>& path) {
  if (path && !IsStandardStream(*path)) roles.push_back({std::move(name), *path});
}

}  // namespace

std::vector<FileRole> FileRoles(const Options& options) {
  std::vector<FileRole> roles;
  if (options.command == Command::Read) {
    Add(roles, "the read-back file", options.file.value_or(kReadBackFileName));
  } else {
    Add(roles, "the image", options.file);
  }
  Add(roles, "--backup", options.backupFile);
  Add(roles, "--log", options.logFile);
  Add(roles, "--sim-flash", options.sim.flashFile);
  Add(roles, "--sim-save", options.sim.saveFile);
  Add(roles, "--sim-keep", options.sim.keepFile);
  Add(roles, "--sim-descriptor", options.sim.descriptorFile);
  return roles;
}

Options MemberOptions(const Options& options, const FleetMember& member, const std::string& tag) {
  Options own = options;
  own.all = false;
  own.device = member.selector;
  if (own.command == Command::Station) own.command = Command::Download;
  if (options.command == Command::Read) {
    own.file = TaggedFile(options.file.value_or(kReadBackFileName), tag);
  }
  if (options.backupFile) own.backupFile = TaggedFile(*options.backupFile, tag);
  if (options.logFile) own.logFile = NumberedFile(*options.logFile, member.number);
  return own;
}

std::vector<FileRole> DerivedFileRoles(const Options& options, const Options& member, int number) {
  const auto named = FileRoles(options);
  std::vector<FileRole> derived;
  for (FileRole& role : FileRoles(member)) {
    if (std::ranges::find(named, role) != named.end()) continue;
    role.name += " of calculator " + std::to_string(number);
    derived.push_back(std::move(role));
  }
  return derived;
}

Result<void> FileRolesApart(const std::vector<FileRole>& roles) {
  // Each path looked up once: 64 calculators give a few hundred roles.
  std::vector<NamedFile> files;
  files.reserve(roles.size());
  for (const FileRole& role : roles) files.emplace_back(role.path);
  for (std::size_t first = 0; first < roles.size(); ++first) {
    for (std::size_t second = first + 1; second < roles.size(); ++second) {
      if (!SameFile(files[first], files[second])) continue;
      return Failure{kExitUsage, roles[first].name + " and " + roles[second].name +
                                     " name the same file (" + Quoted(roles[first].path) + " and " +
                                     Quoted(roles[second].path) + ")"};
    }
  }
  return {};
}

Result<void> FileNamesDerivable(const Options& options) {
  if (!options.SeveralCalculators()) return {};
  // The files a calculator's session names after those of the command line.
  const auto own = FileRoles(
      MemberOptions(options, FleetMember{.number = 1, .calculator = {}, .selector = {}}, "1"));
  for (const FileRole& role : FileRoles(options)) {
    if (std::ranges::find(own, role) != own.end()) continue;
    std::error_code error;
    const auto status = fs::status(role.path, error);
    std::string kind;
    if (role.path.filename().empty() || fs::is_directory(status)) {
      kind = "a folder";
    } else if (fs::exists(status) && !fs::is_regular_file(status)) {
      kind = "not a regular file";
    } else {
      continue;
    }
    return Failure{
        kExitUsage,
        role.name + " " + Quoted(role.path) + " is " + kind +
            ": with several calculators each one's file is named after it, so name a file"};
  }
  return {};
}

}  // namespace usblink
