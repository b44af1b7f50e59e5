#pragma once
// A C stream that closes itself, the system's reason when a call on it fails,
// and the failure of a file that could not be opened, read, created or written.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/os/SystemError.h"
#include "protocol/Result.h"

namespace usblink {

// A file as messages name it: "FILE".
std::string Quoted(const std::filesystem::path& file);

// `file` could not be used for `action` ("open", "read", "create" or
// "write"): "Cannot open "FILE": REASON[CONSEQUENCE]." and what to do where
// the reason tells, a file error.
Failure FileFailure(const std::filesystem::path& file, std::string_view action,
                    std::error_code reason, std::string_view consequence = {});

struct CloseStdioFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using StdioFile = std::unique_ptr<std::FILE, CloseStdioFile>;

// fopen with `mode`; empty on failure, with LastSystemError() telling why.
StdioFile OpenStdioFile(const std::filesystem::path& file, const char* mode);

// Fills `buffer` as far as the file allows; returns the bytes read. A short
// count is the end of the file unless std::ferror says otherwise. On failure
// of these calls LastSystemError() tells why.
std::size_t ReadSome(std::FILE* file, std::span<std::uint8_t> buffer);

// Writes `bytes` and hands them to the system at once, so they survive an
// abrupt end of the process. False on failure.
bool WriteThrough(std::FILE* file, std::span<const std::uint8_t> bytes);

}  // namespace usblink
