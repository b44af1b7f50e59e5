#include "platform/os/SessionLogFolder.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace usblink {

std::optional<std::filesystem::path> SessionLogFolder() {
  const wchar_t* name = L"LOCALAPPDATA";
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return std::nullopt;
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  std::filesystem::path path(value);
  if (!path.is_absolute()) return std::nullopt;
  return path / L"usblink";
}

}  // namespace usblink
