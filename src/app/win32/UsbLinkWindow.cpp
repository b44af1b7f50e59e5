#include "app/win32/UsbLinkWindow.h"

#include <chrono>
#include <system_error>

#include "app/SessionLog.h"
#include "app/win32/Resources.h"
#include "platform/os/SessionLogFolder.h"
#include "platform/os/win32/CodePageText.h"

namespace usblink::app::win32 {

namespace {

using usblink::win32::CodePageFromWide;
using usblink::win32::WideFromUtf8;

constexpr const wchar_t* kClassName = L"UsbLinkWindow";

// Fixed frame with a caption and only the close box.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// Control ids are the layout's index past this base.
constexpr int kFirstControlId = 100;
// The space a list box keeps left of its items' text.
constexpr int kListItemMargin = 4;
// Posted to the window to draw the log again after a run of changes.
constexpr UINT kRedrawLog = WM_APP;

// Throws the thread's last error as a std::system_error naming `call`.
[[noreturn]] void ThrowLastError(const char* call) {
  throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), call);
}

std::size_t IndexOf(Control control) { return static_cast<std::size_t>(control); }

std::optional<Control> ControlOfId(int id) {
  const int index = id - kFirstControlId;
  if (index < 0 || static_cast<std::size_t>(index) >= kControlCount) return std::nullopt;
  return static_cast<Control>(index);
}

TwipsScale ScreenScale() {
  HDC screen = GetDC(nullptr);
  const TwipsScale scale(GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  return scale;
}

struct ControlClass {
  const wchar_t* name;
  DWORD style;
  DWORD exStyle;
};

ControlClass ClassOf(const ControlLayout& layout) {
  switch (layout.kind) {
    case ControlKind::Button:
      return {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0};
    case ControlKind::ListBox:
      return {L"LISTBOX", WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT,
              WS_EX_CLIENTEDGE};
    case ControlKind::TextBox:
      return {L"EDIT", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::Label:
      // A label that sizes itself keeps its caption on one line; the others
      // wrap it at word boundaries.
      return {L"STATIC",
              static_cast<DWORD>(SS_NOPREFIX | (layout.autoSize ? SS_LEFTNOWORDWRAP : SS_LEFT)), 0};
  }
  return {L"STATIC", 0, 0};
}

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

RECT CenteredWindowRect(const PixelRect& client) {
  RECT frame{0, 0, client.width, client.height};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const LONG width = frame.right - frame.left;
  const LONG height = frame.bottom - frame.top;
  const LONG left = work.left + (work.right - work.left - width) / 2;
  const LONG top = work.top + (work.bottom - work.top - height) / 2;
  return {left, top, left + width, top + height};
}

}  // namespace

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

UsbLinkWindow::UsbLinkWindow(HINSTANCE instance, Win32EventLoop& events, std::string_view caption)
    : events_(events),
      scale_(ScreenScale()),
      fonts_(scale_),
      instance_(instance),
      class_(instance, &UsbLinkWindow::Procedure) {
  const RECT frame = CenteredWindowRect(scale_.Client());
  window_.reset(CreateWindowExW(0, class_.Name(), WideFromUtf8(caption).c_str(), kWindowStyle,
                                frame.left, frame.top, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, instance, this));
  // Without a display (Wine on a headless machine) there is no window.
  if (!window_) ThrowLastError("CreateWindowExW");
  for (const auto& layout : kControls) Create(layout);
  OrderForTab();
  events_.Bind(Handle());
}

void UsbLinkWindow::Create(const ControlLayout& layout) {
  const ControlClass look = ClassOf(layout);
  const PixelRect place = scale_.Rect(layout);
  const auto id = static_cast<UINT_PTR>(kFirstControlId) + IndexOf(layout.control);
  HWND control = CreateWindowExW(look.exStyle, look.name, L"", WS_CHILD | look.style, place.left,
                                 place.top, place.width, place.height, Handle(),
                                 reinterpret_cast<HMENU>(id), instance_, nullptr);
  if (control == nullptr) ThrowLastError("CreateWindowExW");
  controls_[IndexOf(layout.control)] = control;
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.For(layout.font)), FALSE);
}

// Tab follows the order of the children, which is the order of creation
// unless told otherwise: the focus order goes first.
void UsbLinkWindow::OrderForTab() {
  HWND previous = HWND_TOP;
  for (const Control control : kFocusOrder) {
    SetWindowPos(ControlHandle(control), previous, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = ControlHandle(control);
  }
}

HWND UsbLinkWindow::ControlHandle(Control control) const { return controls_[IndexOf(control)]; }

void UsbLinkWindow::Attach(UsbWindow& model) { model_ = &model; }

void UsbLinkWindow::Show(int how) {
  ShowWindow(Handle(), how);
  UpdateWindow(Handle());
  for (const Control control : kFocusOrder) {
    HWND candidate = ControlHandle(control);
    if (IsWindowVisible(candidate) && IsWindowEnabled(candidate)) {
      SetFocus(candidate);
      return;
    }
  }
}

void UsbLinkWindow::ControlChanged(Control control, const ControlState& state) {
  const auto& layout = LayoutOf(control);
  HWND window = ControlHandle(control);
  if (layout.kind != ControlKind::ListBox) {
    // An edit box set to its own text would report a change of it.
    const std::wstring caption = WideFromUtf8(state.caption);
    if (TextOf(window) != caption) SetWindowTextW(window, caption.c_str());
    if (layout.autoSize) FitToCaption(control);
  }
  // A control that can no longer take focus hands it on, as Tab would.
  if (!(state.visible && state.enabled) && GetFocus() == window) {
    SetFocus(GetNextDlgTabItem(Handle(), window, FALSE));
  }
  ShowWindow(window, state.visible ? SW_SHOWNA : SW_HIDE);
  EnableWindow(window, state.enabled ? TRUE : FALSE);
}

void UsbLinkWindow::FitToCaption(Control control) {
  HWND label = ControlHandle(control);
  const SIZE extent = measure_.Extent(fonts_.For(LayoutOf(control).font), TextOf(label));
  SetWindowPos(label, nullptr, 0, 0, extent.cx, extent.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The log is drawn once a run of changes is over, when the window handles
// its messages again: a list box that redraws its scroll bars for every line
// makes discovery's hundred-odd lines take a second.
void UsbLinkWindow::HoldLogRedraw() {
  if (logRedrawHeld_) return;
  logRedrawHeld_ = true;
  SendMessageW(Log(), WM_SETREDRAW, FALSE, 0);
  PostMessageW(Handle(), kRedrawLog, 0, 0);
}

void UsbLinkWindow::RedrawLog() {
  logRedrawHeld_ = false;
  SendMessageW(Log(), WM_SETREDRAW, TRUE, 0);
  RedrawWindow(Log(), nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
}

void UsbLinkWindow::LogAppended(std::string_view line) {
  HoldLogRedraw();
  const std::wstring text = WideFromUtf8(line);
  SendMessageW(Log(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  const SIZE extent = measure_.Extent(fonts_.For(LayoutOf(Control::lstResults).font), text);
  if (extent.cx + kListItemMargin > logExtent_) {
    logExtent_ = extent.cx + kListItemMargin;
    SendMessageW(Log(), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(logExtent_), 0);
  }
}

void UsbLinkWindow::LogCleared() {
  HoldLogRedraw();
  SendMessageW(Log(), LB_RESETCONTENT, 0, 0);
  logExtent_ = 0;
  SendMessageW(Log(), LB_SETHORIZONTALEXTENT, 0, 0);
}

void UsbLinkWindow::LogLineSelected(std::size_t index) {
  HoldLogRedraw();
  // Selecting scrolls the line into view.
  SendMessageW(Log(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void UsbLinkWindow::ShowMessageBox(std::string_view text, std::string_view title) {
  ShowMessage(Handle(), text, title);
}

std::optional<std::string> UsbLinkWindow::ShowOpenFileDialog(const FileFilter& filter,
                                                             std::string_view earlier) {
  return ShowOpenFile(Handle(), filter, earlier);
}

bool UsbLinkWindow::ConfirmClose(std::string_view question) {
  return AskYesNo(Handle(), question, kWindowCaption);
}

void UsbLinkWindow::EndProcess() {
  ShowWindow(Handle(), SW_HIDE);
  events_.MarkClosed();
}

void UsbLinkWindow::Command(Control control, WORD notification) {
  if (model_ == nullptr) return;
  if (notification == EN_CHANGE && LayoutOf(control).kind == ControlKind::TextBox) {
    model_->EditText(control, CodePageFromWide(CP_UTF8, TextOf(ControlHandle(control))));
    return;
  }
  if (notification == BN_CLICKED && LayoutOf(control).kind == ControlKind::Button) {
    model_->Click(control);
  }
}

LRESULT CALLBACK UsbLinkWindow::Procedure(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* self = reinterpret_cast<UsbLinkWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  // Until CreateWindowExW has returned the window is not ours to handle.
  if (self == nullptr || self->Handle() != window) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

LRESULT UsbLinkWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const auto control = ControlOfId(LOWORD(wParam));
      if (lParam != 0 && control) {
        Command(*control, HIWORD(wParam));
        return 0;
      }
      break;
    }
    case WM_TIMER:
      if (events_.OnTimer(wParam)) return 0;
      break;
    case kRedrawLog:
      RedrawLog();
      return 0;
    case WM_CTLCOLORSTATIC: {
      const auto control = ControlOfId(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
      if (control && LayoutOf(*control).red) {
        auto* dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, RGB(255, 0, 0));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    }
    case WM_CLOSE:
      // The model unloads the window, or keeps it when the user says No.
      if (model_ == nullptr) {
        EndProcess();
      } else {
        model_->QueryClose();
      }
      return 0;
    case WM_ACTIVATE:
      // Focus comes back to the control that had it.
      if (LOWORD(wParam) == WA_INACTIVE) {
        focused_ = GetFocus();
      } else if (focused_ != nullptr && IsChild(Handle(), focused_)) {
        SetFocus(focused_);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(Handle(), message, wParam, lParam);
}

int RunWindow(HidApi& api, HINSTANCE instance, int show, AccessHintSource accessHint,
              std::string_view caption) {
  SessionLog log(SessionLogFolder(), std::chrono::system_clock::now());
  Win32EventLoop events;
  UsbLinkWindow view(instance, events, caption);
  UsbWindow model(api, events.Pacer(), view);
  model.KeepSessionLog(log);
  model.SetAccessHint(std::move(accessHint));
  view.Attach(model);
  view.Show(show);
  const int status = events.Run();
  if (const int ended = model.ExitStatus(); ended != 0) return ended;
  return status;
}

}  // namespace usblink::app::win32
