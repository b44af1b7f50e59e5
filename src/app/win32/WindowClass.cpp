#include "app/win32/WindowClass.h"

#include <system_error>

#include "app/win32/Resources.h"

namespace usblink::app::win32 {

namespace {

constexpr const wchar_t* kClassName = L"UsbLinkWindow";

}  // namespace

void ThrowLastError(const char* call) {
  throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), call);
}

WindowClass::WindowClass(HINSTANCE instance, WNDPROC procedure) : instance_(instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(USBLINK_ICON),
                                                    IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                    GetSystemMetrics(SM_CYICON), LR_SHARED));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(USBLINK_ICON),
                                                      IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  if (RegisterClassExW(&windowClass) == 0) ThrowLastError("RegisterClassExW");
}

WindowClass::~WindowClass() { UnregisterClassW(kClassName, instance_); }

const wchar_t* WindowClass::Name() const { return kClassName; }

}  // namespace usblink::app::win32
