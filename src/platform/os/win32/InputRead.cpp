#include "platform/os/InputRead.h"

#include <cstdio>
#include <memory>

#include "platform/os/SystemError.h"

namespace usblink {

namespace {

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

InputRead ReadInput(std::FILE* stream, std::size_t limit, StopSignals&) {
  InputRead read;
  read.bytes.resize(limit);
  errno = 0;
  read.bytes.resize(std::fread(read.bytes.data(), 1, limit, stream));
  if (std::ferror(stream)) {
    read.error = LastSystemError();
    read.failedAction = "read";
  }
  return read;
}

InputRead ReadInput(const std::filesystem::path& file, std::size_t limit, StopSignals& signals) {
  errno = 0;
  const std::unique_ptr<std::FILE, CloseFile> stream(_wfopen(file.c_str(), L"rb"));
  if (!stream) return {{}, LastSystemError(), "open"};
  return ReadInput(stream.get(), limit, signals);
}

}  // namespace usblink
