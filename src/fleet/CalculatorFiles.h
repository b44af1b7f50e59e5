#pragma once
// The files of a run over several calculators, one set per calculator:
// the log FILE becomes FILE.n, a read-back or backup NAME.ext becomes
// NAME-SERIAL.ext where every calculator has a serial number of its own
// that a file name can carry, else NAME-n.ext.

#include <filesystem>
#include <string>
#include <vector>

#include "fleet/FleetRun.h"

namespace usblink {

// FILE.n.
std::filesystem::path NumberedFile(const std::filesystem::path& file, int number);

// What tells the members' files apart, one a member in order: their serial
// numbers where each has one of its own that a file name can carry, else
// their numbers.
std::vector<std::string> FileTags(const std::vector<FleetMember>& members);

// NAME-TAG.ext, beside NAME.ext.
std::filesystem::path TaggedFile(const std::filesystem::path& file, const std::string& tag);

}  // namespace usblink
