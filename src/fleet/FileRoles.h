#pragma once
// The files one command line names, each in its role. Two roles never share a
// file: a log written over the image, or a backup written over it, destroys
// the only copy of what the other role needed.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fleet/Request.h"

namespace usblink {

struct FileRole {
  std::string name;  // "the image", "--backup", ...
  std::filesystem::path path;
};

std::vector<FileRole> FileRoles(const Options& options);

// Why the command line cannot run when two of its roles name one file, by
// the file's identity, whatever the spelling (./, links, hard links).
std::optional<std::string> SharedFileError(const Options& options);

}  // namespace usblink
