#include "fleet/ReadBackFile.h"

#include <string>

namespace usblink {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTitle = "File";

}  // namespace

std::variant<ReadBackFile, FileError> ReadBackFile::Create(const fs::path& target) {
  std::error_code error;
  const bool existed = fs::exists(target, error);
  auto staged = StagedFile::Create(target, error);
  if (staged) return ReadBackFile(target, std::move(staged), existed);
  if (error == std::errc::not_supported) return ReadBackFile(target, std::nullopt, existed);
  return FileError{target, "create", error};
}

bool ReadBackFile::Commit(SessionPort& view) {
  if (!staged_) return true;
  if (const std::error_code error = staged_->Commit()) {
    view.ShowMessage(FileError{path_, "write", error}.Message(), "Error");
    KeepPartial(view);
    return false;
  }
  return true;
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

}  // namespace usblink
