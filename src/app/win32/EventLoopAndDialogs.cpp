#include "app/win32/EventLoopAndDialogs.h"

// windows.h first: the lean one leaves out the common dialogs.
#include <commdlg.h>

#include <vector>

#include "platform/os/win32/CodePageText.h"

namespace usblink::app::win32 {

namespace {

using usblink::win32::WideFromUtf8;

constexpr UINT_PTR kTmrDelay = 1;

}  // namespace

bool Win32EventLoop::OnTimer(UINT_PTR timer) {
  if (timer != kTmrDelay) return false;
  pacer_.OnTimerTick();
  return true;
}

void Win32EventLoop::MarkClosed() {
  if (closed_) return;
  closed_ = true;
  DisarmTimer();
  PostQuitMessage(exitStatus_);
}

int Win32EventLoop::Run() {
  while (DispatchOne()) {
  }
  return exitStatus_;
}

void Win32EventLoop::ArmTimer(std::chrono::milliseconds interval) {
  SetTimer(window_, kTmrDelay, static_cast<UINT>(interval.count()), nullptr);
}

void Win32EventLoop::DisarmTimer() { KillTimer(window_, kTmrDelay); }

void Win32EventLoop::DispatchEvents() {
  // The quit message belongs to the outer loop of Run(): hand it back.
  if (!DispatchOne()) PostQuitMessage(exitStatus_);
}

bool Win32EventLoop::DispatchOne() {
  MSG message{};
  if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
    closed_ = true;
    exitStatus_ = static_cast<int>(message.wParam);
    return false;
  }
  // Tab moves between the controls as in a dialog.
  if (!IsDialogMessageW(window_, &message)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return true;
}

void ShowMessage(HWND owner, std::string_view text, std::string_view title) {
  MessageBoxW(owner, WideFromUtf8(text).c_str(), WideFromUtf8(title).c_str(), MB_OK);
}

bool AskYesNo(HWND owner, std::string_view question, std::string_view title) {
  return MessageBoxW(owner, WideFromUtf8(question).c_str(), WideFromUtf8(title).c_str(),
                     MB_YESNO | MB_DEFBUTTON2) == IDYES;
}

std::string OpenFileFilter(const FileFilter& filter) {
  std::string list(filter.description);
  list += '\0';
  for (std::size_t i = 0; i < filter.patterns.size(); ++i) {
    if (i > 0) list += ';';
    list += filter.patterns[i];
  }
  list.append(2, '\0');
  return list;
}

std::optional<std::string> ShowOpenFile(HWND owner, const FileFilter& filter,
                                        std::string_view earlier) {
  const std::string filters = OpenFileFilter(filter);
  std::vector<char> name(32768, '\0');
  // A path here also makes the dialog open in its folder; lpstrInitialDir
  // stays unset, since the system prefers the folder visited last over it.
  earlier.copy(name.data(), name.size() - 1);
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filters.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  // "Load.bin" goes to the directory the program was started in, whatever
  // folder the dialog visited.
  dialog.Flags =
      OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameA(&dialog)) return std::nullopt;
  return std::string(name.data());
}

}  // namespace usblink::app::win32
