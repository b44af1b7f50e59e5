#pragma once
// Images that a download of the command line sends only with --force, and
// that check reports the same way: one that goes on past the flash, of which
// only the first 262,144 bytes could be sent, and one that is plainly no
// firmware, a file chosen by mistake: every byte printable text, or every
// byte one value (an erased or zeroed image). The window sends what it is
// given.

#include <filesystem>
#include <string>
#include <vector>

#include "protocol/FirmwareImage.h"

namespace usblink {

struct ImageDoubt {
  std::string fact;    // what is wrong, naming the file
  std::string remedy;  // what to do instead
  std::string forced;  // what --force sends

  // Without --force: nothing is sent, and what to do.
  [[nodiscard]] std::string Refusal() const { return fact + ". Nothing was sent; " + remedy + "."; }
  // With --force: what is sent all the same.
  [[nodiscard]] std::string Warning() const { return fact + ". " + forced; }
};

// The doubts about `image`, the content of `file`; none for an image that may
// be firmware.
std::vector<ImageDoubt> ImageDoubts(const FirmwareImage& image, const std::filesystem::path& file);

}  // namespace usblink
