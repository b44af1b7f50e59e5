#include "fleet/FileRoles.h"

#include "platform/os/FileIdentity.h"
#include "protocol/Commands.h"

namespace usblink {

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
  Add(roles, "--sim-descriptor", options.sim.descriptorFile);
  return roles;
}

std::optional<std::string> SharedFileError(const Options& options) {
  const auto roles = FileRoles(options);
  for (auto first = roles.begin(); first != roles.end(); ++first) {
    for (auto second = first + 1; second != roles.end(); ++second) {
      if (!SameFile(first->path, second->path)) continue;
      return first->name + " and " + second->name + " name the same file (\"" +
             first->path.string() + "\" and \"" + second->path.string() + "\")";
    }
  }
  return std::nullopt;
}

}  // namespace usblink
