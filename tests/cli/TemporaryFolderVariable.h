#pragma once
// TMPDIR names the folder for temporary files here; restored when the test ends.

#ifndef _WIN32
#include <cstdlib>
#include <optional>
#include <string>

namespace usblink::testing {

class TemporaryFolderVariable {
 public:
  explicit TemporaryFolderVariable(const std::string& value) {
    if (const char* old = std::getenv("TMPDIR")) saved_ = old;
    ::setenv("TMPDIR", value.c_str(), 1);
  }
  TemporaryFolderVariable(const TemporaryFolderVariable&) = delete;
  TemporaryFolderVariable& operator=(const TemporaryFolderVariable&) = delete;
  ~TemporaryFolderVariable() {
    if (saved_) {
      ::setenv("TMPDIR", saved_->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }

 private:
  std::optional<std::string> saved_;
};

}  // namespace usblink::testing
#endif
