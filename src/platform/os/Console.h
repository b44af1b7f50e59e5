#pragma once
// The terminal the command line writes to, and standard input and output as
// streams of bytes.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

namespace usblink {

// Standard input's descriptor, to watch for input.
inline constexpr int kStandardInputDescriptor = 0;

// Puts the null device on each of standard input, output and error that is
// closed, so no file or device opened later can take its place and receive
// what is meant for the terminal. Called first thing; the reason when the
// null device cannot be opened.
std::error_code KeepStandardDescriptorsOpen();

// True when stderr is a terminal, so a progress bar can be drawn there.
bool StderrIsTerminal();

// The width in columns of the terminal stderr shows, when the system tells.
std::optional<int> StderrColumns();
// Its height in lines, when the system tells.
std::optional<int> StderrRows();

// The console for one run of the command line, which writes UTF-8 and, for
// its progress bar, escape sequences. On a Windows console std::cout and
// std::cerr write wide text, which it shows whatever its code page, and
// stderr gets virtual-terminal processing where the console has it; the
// console, shared with the shell that started the program, gets its mode back
// when the session ends. Files and pipes get the UTF-8 bytes as they are, and
// a terminal elsewhere takes both as it is.
class ConsoleSession {
 public:
  ConsoleSession();
  ~ConsoleSession();
  ConsoleSession(const ConsoleSession&) = delete;
  ConsoleSession& operator=(const ConsoleSession&) = delete;

  // True when stderr interprets escape sequences rather than showing them.
  [[nodiscard]] bool StderrTakesEscapes() const { return stderrTakesEscapes_; }

 private:
  // What the session changed, put back when it ends.
  struct Restore;
  std::unique_ptr<Restore> restore_;
  bool stderrTakesEscapes_ = false;
};

// What standard input holds now, waiting only while it holds nothing; empty
// at its end.
std::string ReadStandardInput();

// Standard input and output as streams of bytes, for the file name "-".

// stdin, passing every byte as it comes (Windows: no CR LF or Ctrl-Z
// translation).
std::FILE* BinaryStandardInput();
// stdout, the same way.
std::FILE* BinaryStandardOutput();

}  // namespace usblink
