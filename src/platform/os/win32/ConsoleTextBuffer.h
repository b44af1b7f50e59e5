#pragma once
// A stream buffer for a Windows console: the program's UTF-8 goes out as
// UTF-16 through WriteConsoleW, so the console shows it whatever its code
// page and whatever the C library would make of the bytes.

#include <streambuf>
#include <string>

#include "platform/os/win32/LeanWindows.h"

namespace usblink::win32 {

class ConsoleTextBuffer final : public std::streambuf {
 public:
  explicit ConsoleTextBuffer(HANDLE console) : console_(console) {}

 protected:
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int_type overflow(int_type character) override;
  int sync() override;

 private:
  // Writes what is pending up to a character not yet whole at its end.
  bool WriteWholeCharacters();

  HANDLE console_;
  std::string pending_;
};

}  // namespace usblink::win32
