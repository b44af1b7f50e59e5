// with-console PROGRAM [ARGS...]: runs PROGRAM in a console of its own (Wine
// makes it without a window), its standard handles still this process's, and
// exits with its exit status. For the tests that need a real console.

#include <cstdio>
#include <string>

#include "OwnedHandle.h"
#include "platform/os/win32/LeanWindows.h"

namespace {

// This process's command line without its own name, which comes first,
// quoted or up to the first blank.
std::wstring ArgumentsAfterTheFirst() {
  std::wstring line = GetCommandLineW();
  std::size_t end = 0;
  if (!line.empty() && line[0] == L'"') {
    end = line.find(L'"', 1);
    end = end == std::wstring::npos ? line.size() : end + 1;
  } else {
    end = line.find_first_of(L" \t");
    if (end == std::wstring::npos) end = line.size();
  }
  const std::size_t start = line.find_first_not_of(L" \t", end);
  return start == std::wstring::npos ? std::wstring() : line.substr(start);
}

// A standard handle the child can inherit.
usblink::testing::OwnedHandle Inheritable(DWORD which) {
  HANDLE copy = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetStdHandle(which), GetCurrentProcess(), &copy, 0, TRUE,
                  DUPLICATE_SAME_ACCESS);
  return usblink::testing::OwnedHandle(copy);
}

}  // namespace

int main() {
  std::wstring command = ArgumentsAfterTheFirst();
  if (command.empty()) {
    std::fputs("usage: with-console PROGRAM [ARGS...]\n", stderr);
    return 2;
  }
  const auto input = Inheritable(STD_INPUT_HANDLE);
  const auto output = Inheritable(STD_OUTPUT_HANDLE);
  const auto error = Inheritable(STD_ERROR_HANDLE);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.get();
  startup.hStdOutput = output.get();
  startup.hStdError = error.get();
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process)) {
    std::fprintf(stderr, "with-console: cannot start the program (error %lu)\n", GetLastError());
    return 2;
  }
  const usblink::testing::OwnedHandle thread(process.hThread);
  const usblink::testing::OwnedHandle child(process.hProcess);
  WaitForSingleObject(child.get(), INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(child.get(), &status);
  return static_cast<int>(status);
}
