#include "app/win32/ModalDialogs.h"

#include <vector>

#include "app/win32/OpenFileFilter.h"
#include "app/win32/Utf16Text.h"

namespace usblink::app::win32 {

void ShowMessage(HWND owner, std::string_view text, std::string_view title) {
  MessageBoxW(owner, Utf16(text).c_str(), Utf16(title).c_str(), MB_OK);
}

bool AskYesNo(HWND owner, std::string_view question, std::string_view title) {
  return MessageBoxW(owner, Utf16(question).c_str(), Utf16(title).c_str(),
                     MB_YESNO | MB_DEFBUTTON2) == IDYES;
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
