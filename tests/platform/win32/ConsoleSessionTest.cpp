// The console session and its text buffer on a real console: these tests run
// in one of their own (with-console), and usblink-cli.exe (USBLINK_CLI) runs on
// it. The console keeps a code page that shows UTF-8 bytes as other
// characters throughout.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "OwnedHandle.h"
#include "platform/os/Console.h"
#include "platform/os/win32/ConsoleTextBuffer.h"
#include "platform/os/win32/LeanWindows.h"
#include "support/ImagePattern.h"
#include "support/TempDirectory.h"

namespace usblink {
namespace {

using testing::OwnedHandle;

constexpr UINT kOemUnitedStates = 437;

OwnedHandle ConsoleOutput() {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return OwnedHandle(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0,
                                 nullptr));
}

// Puts `handle` in as stderr for a test's while.
class StderrReplaced {
 public:
  explicit StderrReplaced(HANDLE handle) : saved_(GetStdHandle(STD_ERROR_HANDLE)) {
    SetStdHandle(STD_ERROR_HANDLE, handle);
  }
  ~StderrReplaced() { SetStdHandle(STD_ERROR_HANDLE, saved_); }
  StderrReplaced(const StderrReplaced&) = delete;
  StderrReplaced& operator=(const StderrReplaced&) = delete;

 private:
  HANDLE saved_;
};

CONSOLE_SCREEN_BUFFER_INFO ScreenInfo(HANDLE console) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  GetConsoleScreenBufferInfo(console, &info);
  return info;
}

// What the console shows from row `first` on, row after row.
std::wstring ScreenText(HANDLE console, SHORT first = 0) {
  const COORD size = ScreenInfo(console).dwSize;
  std::wstring text(static_cast<std::size_t>(size.X) * (size.Y - first), L' ');
  DWORD read = 0;
  ReadConsoleOutputCharacterW(console, text.data(), static_cast<DWORD>(text.size()), {0, first},
                              &read);
  text.resize(read);
  return text;
}

class ConsoleSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(savedCodePage_, 0u) << "no console: run this under with-console";
    ASSERT_TRUE(console_.get() != INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetConsoleOutputCP(kOemUnitedStates));
  }
  void TearDown() override { SetConsoleOutputCP(savedCodePage_); }

  const UINT savedCodePage_ = GetConsoleOutputCP();
  const OwnedHandle console_ = ConsoleOutput();
};

// A character may come in pieces, as a stream hands on what it was given.
TEST_F(ConsoleSessionTest, TextBufferShowsUtf8AsItsCharactersAlsoWhenSplit) {
  const SHORT row = ScreenInfo(console_.get()).dwCursorPosition.Y;
  win32::ConsoleTextBuffer buffer(console_.get());
  std::ostream stream(&buffer);
  stream << "\xE5\xBC\x80\xE5\xA7\x8B "
         << "files\xEF\xBC" << std::flush;
  stream << "\x81 \xFF." << std::endl;
  EXPECT_EQ(ScreenText(console_.get(), row).substr(0, 12), L"\u5F00\u59CB files\uFF01 \uFFFD.");
  EXPECT_EQ(ScreenInfo(console_.get()).dwCursorPosition.Y, row + 1);
}

TEST_F(ConsoleSessionTest, StderrOnTheConsoleTakesEscapesWhereItCanAndGetsItsModeBack) {
  const StderrReplaced onConsole(console_.get());
  DWORD before = 0;
  ASSERT_TRUE(GetConsoleMode(console_.get(), &before));
  ASSERT_TRUE(SetConsoleMode(console_.get(), before & ~ENABLE_VIRTUAL_TERMINAL_PROCESSING));
  {
    const ConsoleSession session;
    DWORD during = 0;
    GetConsoleMode(console_.get(), &during);
    EXPECT_EQ(session.StderrTakesEscapes(), (during & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0);
  }
  DWORD after = 0;
  GetConsoleMode(console_.get(), &after);
  EXPECT_EQ(after, before & ~ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  SetConsoleMode(console_.get(), before);
}

TEST_F(ConsoleSessionTest, StderrInAFileTakesNoEscapes) {
  const testing::TempDirectory folder;
  const OwnedHandle file(CreateFileW((folder.Path() / "err.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                     CREATE_NEW, 0, nullptr));
  ASSERT_TRUE(file.get() != INVALID_HANDLE_VALUE);
  const StderrReplaced inFile(file.get());
  const ConsoleSession session;
  EXPECT_FALSE(session.StderrTakesEscapes());
  EXPECT_FALSE(StderrColumns().has_value());
  EXPECT_FALSE(StderrRows().has_value());
}

// The size of the console's window, not of its buffer.
TEST_F(ConsoleSessionTest, StderrOnTheConsoleIsAsWideAndAsHighAsItsWindow) {
  const StderrReplaced onConsole(console_.get());
  const SMALL_RECT window = ScreenInfo(console_.get()).srWindow;
  EXPECT_EQ(StderrColumns(), window.Right - window.Left + 1);
  EXPECT_EQ(StderrRows(), window.Bottom - window.Top + 1);
  EXPECT_GT(StderrRows().value_or(0), 1);
}

// The log reports the last error after calls that do not set it. Standard
// output here is a pipe, no console.
TEST_F(ConsoleSessionTest, LeavesTheThreadsLastErrorAsItWas) {
  constexpr DWORD kEarlier = ERROR_MORE_DATA;
  SetLastError(kEarlier);
  const ConsoleSession session;
  EXPECT_EQ(GetLastError(), kEarlier);
}

// usblink-cli.exe on this console, both of its outputs there; its exit status.
DWORD RunCliOnConsole(HANDLE console, const std::wstring& arguments) {
  const char* cli = std::getenv("USBLINK_CLI");
  if (cli == nullptr) return ~0u;
  std::wstring command = L"\"" + std::filesystem::path(cli).wstring() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = console;
  startup.hStdError = console;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return ~0u;
  }
  const OwnedHandle thread(process.hThread);
  const OwnedHandle child(process.hProcess);
  WaitForSingleObject(child.get(), INFINITE);
  DWORD status = ~0u;
  GetExitCodeProcess(child.get(), &status);
  return status;
}

// The log's full-width marks show as themselves, the progress bar is drawn
// there and ends on its last line, and the console gets its mode back and keeps its code page.
// (Wine accepts virtual-terminal processing but its console without a window shows the escapes as
// they are, so what the bar writes without them is held in ProgressViewTest.)
TEST_F(ConsoleSessionTest, TheCommandLineShowsItsTextsOnTheConsole) {
  ASSERT_NE(std::getenv("USBLINK_CLI"), nullptr) << "USBLINK_CLI names usblink-cli.exe";
  const testing::TempDirectory folder;
  const auto image = folder.Write("image.UD", testing::Pattern(3000));
  DWORD before = 0;
  ASSERT_TRUE(GetConsoleMode(console_.get(), &before));
  ASSERT_TRUE(SetConsoleMode(console_.get(), before & ~ENABLE_VIRTUAL_TERMINAL_PROCESSING));
  const SHORT row = ScreenInfo(console_.get()).dwCursorPosition.Y;
  EXPECT_EQ(RunCliOnConsole(console_.get(),
                            L"-v --simulate --fast download \"" + image.wstring() + L"\""),
            0u);
  DWORD after = 0;
  GetConsoleMode(console_.get(), &after);
  SetConsoleMode(console_.get(), before);
  EXPECT_EQ(after, before & ~ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  EXPECT_EQ(GetConsoleOutputCP(), kOemUnitedStates);
  const std::wstring screen = ScreenText(console_.get(), row);
  EXPECT_NE(screen.find(L"Connected to the device, you can download files\uFF01"),
            std::wstring::npos);
  // The bar ends on its last line, drawn over it.
  EXPECT_NE(screen.find(L"download done: "), std::wstring::npos);
}

}  // namespace
}  // namespace usblink
