#pragma once
// The files of a run: the image it sends, read once; where a read-back goes;
// verify's scratch folder; each calculator's own files in a run over several;
// and the roles the command line gives files, which never share one.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fleet/FleetRun.h"
#include "fleet/Request.h"
#include "fleet/SessionPort.h"
#include "platform/os/StagedFile.h"
#include "protocol/FirmwareImage.h"
#include "protocol/Result.h"

namespace usblink {

// The image FILE of check, download, verify and station: read once, before
// any calculator is touched, and held to the size of the flash.

// The image FILE, read once; "-" reads standard input. A file error when a
// download could not send it.
Result<FirmwareImage> LoadImage(const std::filesystem::path& file, const Environment& environment);

// The image a device command sends or compares with, none for the others; a
// failure when it cannot be used. `view` is warned of a doubtful image sent
// all the same.
Result<std::optional<FirmwareImage>> CommandImage(const Options& options, SessionPort& view,
                                                  const Environment& environment);

// Whether a download sends `image`, the content of `file`: without `force`
// none that ImageDoubts doubts, a file error telling the first doubt; with it
// every image, after a warning for each doubt.
Result<void> AdmitImage(const FirmwareImage& image, const std::filesystem::path& file, bool force,
                        SessionPort& view);

// Where a read-back of the command line goes. A regular file, or a name not
// taken yet, is staged: the bytes go to a new file beside it, which replaces
// it only once the last byte is in, so a read-back that ends early leaves it
// as it was and keeps its bytes as "FILE.partial". A pipe, a device or
// standard output takes the bytes directly: there is nothing there to replace.

class ReadBackFile {
 public:
  // Made before the device is touched, so a file that cannot be made costs nothing.
  static Result<ReadBackFile> Create(const std::filesystem::path& target);
  // The bytes go to `stream`, open already and left open (standard output);
  // `name` is what messages call it.
  static ReadBackFile ToStream(std::FILE* stream, std::filesystem::path name) {
    return {std::move(name), std::nullopt, false, stream};
  }

  [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
  // Where the read-back writes; null when it opens the target itself.
  [[nodiscard]] std::FILE* Stream() const { return staged_ ? staged_->Stream() : stream_; }

  // After a complete read-back: the file is made whole. A write failure when
  // it cannot be; KeepPartial then still keeps the bytes read.
  Result<void> Commit();
  // After a read-back that ended early: says that the file is as it was and
  // where the bytes read are kept.
  void KeepPartial(SessionPort& view);

 private:
  ReadBackFile(std::filesystem::path path, std::optional<StagedFile> staged, bool existed,
               std::FILE* stream = nullptr)
      : path_(std::move(path)), staged_(std::move(staged)), existed_(existed), stream_(stream) {}

  std::filesystem::path path_;
  std::optional<StagedFile> staged_;
  bool existed_;
  std::FILE* stream_;  // not ours
};

// A folder of this run's own under the system's temporary folder, made fresh
// (never one that was there before, so nothing planted in it is written
// through), open to this user only, and removed with its content at the end.

class ScratchFolder {
 public:
  // A file error when no such folder can be made.
  static Result<ScratchFolder> Make();

  ScratchFolder(ScratchFolder&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
  }
  ScratchFolder& operator=(ScratchFolder&& other) noexcept {
    path_.swap(other.path_);
    return *this;
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder();

  [[nodiscard]] const std::filesystem::path& Path() const { return path_; }

 private:
  explicit ScratchFolder(std::filesystem::path path) : path_(std::move(path)) {}
  std::filesystem::path path_;
};

// The files of a run over several calculators, one set per calculator:
// the log FILE becomes FILE.n, a read-back or backup NAME.ext becomes
// NAME-SERIAL.ext where every calculator has a serial number of its own
// that a file name can carry, else NAME-n.ext.

// FILE.n.
std::filesystem::path NumberedFile(const std::filesystem::path& file, int number);

// What tells the members' files apart, one a member in order: their serial
// numbers where each has one of its own that a file name can carry, else
// their numbers.
std::vector<std::string> FileTags(const std::vector<FleetMember>& members);

// NAME-TAG.ext, beside NAME.ext.
std::filesystem::path TaggedFile(const std::filesystem::path& file, const std::string& tag);

// The files one command line names, each in its role. Two roles never share a
// file: a log written over the image, or a backup written over it, destroys
// the only copy of what the other role needed.

struct FileRole {
  std::string name;  // "the image", "--backup", ...
  std::filesystem::path path;
  friend bool operator==(const FileRole&, const FileRole&) = default;
};

std::vector<FileRole> FileRoles(const Options& options);

// The command line of one calculator's session in a run over several: its
// own device and its own files, `tag` in the names of its read-back or backup.
Options MemberOptions(const Options& options, const FleetMember& member, const std::string& tag);

// The files of one calculator's session that the run's command line does not
// name itself, each a role of its own ("--log of calculator 2").
std::vector<FileRole> DerivedFileRoles(const Options& options, const Options& member, int number);

// Whether every role has a file of its own, by the file's identity, whatever
// the spelling (./, links, hard links); else the usage error that two of them
// share one.
Result<void> FileRolesApart(const std::vector<FileRole>& roles);

// Whether a run over several calculators can name its files after those the
// command line gives; a folder, a device or a pipe has no name to add to.
Result<void> FileNamesDerivable(const Options& options);

}  // namespace usblink
