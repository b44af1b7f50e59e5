// The Win32 window on the simulated calculator, under Wine's null display
// driver: where every control is, its font and state, the tab order, a
// connect clicked as a user does, the file dialog, and the whole run as
// WinMain has it. Then the window on a Simplified Chinese desktop, on the
// machine's own HID interfaces through the real backend: the discovery log
// reads back from the list box as the system's Chinese texts, and every
// control's font has a glyph for each character it shows; those need
// LC_ALL=zh_CN.UTF-8 under Wine.

#include "app/win32/UsbLinkWindow.h"

// windows.h first: the lean one leaves out the common dialogs.
#include <commdlg.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "platform/hid/win32/Win32HidApi.h"
#include "platform/os/win32/CodePageText.h"
#include "protocol/HidCP.h"
#include "sim/SimHidApi.h"
#include "support/TempDirectory.h"

namespace usblink::app::win32 {
namespace {

using usblink::win32::CodePageFromWide;
using usblink::win32::WideFromUtf8;

// What a control shows, read back from the control itself.
std::wstring TextOf(HWND window) {
  std::wstring text(256, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), 256)));
  return text;
}

std::vector<std::wstring> ListBoxLines(HWND list) {
  std::vector<std::wstring> lines;
  const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const auto length = static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0));
    std::wstring line(length + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
    line.resize(length);
    lines.push_back(line);
  }
  return lines;
}

TwipsScale ScreenScale() {
  HDC screen = GetDC(nullptr);
  const TwipsScale scale(GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  return scale;
}

std::wstring ClassOf(HWND window) {
  std::wstring name(64, L'\0');
  name.resize(static_cast<std::size_t>(GetClassNameW(window, name.data(), 64)));
  return name;
}

LOGFONTW FontOf(HWND window) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font;
}

SIZE CaptionExtent(HWND window) {
  HDC dc = GetDC(window);
  HGDIOBJ original =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
  const std::wstring caption = TextOf(window);
  SIZE size{};
  GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
  SelectObject(dc, original);
  ReleaseDC(window, dc);
  return size;
}

const wchar_t* ClassNameOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Button:
      return L"Button";
    case ControlKind::ListBox:
      return L"ListBox";
    case ControlKind::TextBox:
      return L"Edit";
    case ControlKind::Label:
      return L"Static";
  }
  return L"";
}

// The modal dialog this thread shows, once it is up.
HWND ModalDialog() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM result) -> BOOL {
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// What the file dialog showed before a thread timer closed it with Cancel.
struct ShownFileDialog {
  std::string folder;
  std::string name;
};
constexpr const wchar_t* kShownProperty = L"usblink-test-shown";

void CALLBACK CancelFileDialog(HWND owner, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = ModalDialog();
  if (dialog == nullptr) return;
  KillTimer(owner, timer);
  auto* shown = static_cast<ShownFileDialog*>(GetPropW(owner, kShownProperty));
  // The dialog is the ANSI one: its answers are narrow.
  std::string text(MAX_PATH, '\0');
  SendMessageA(dialog, CDM_GETFOLDERPATH, text.size(), reinterpret_cast<LPARAM>(text.data()));
  shown->folder = text.c_str();
  text.assign(MAX_PATH, '\0');
  SendMessageA(dialog, CDM_GETSPEC, text.size(), reinterpret_cast<LPARAM>(text.data()));
  shown->name = text.c_str();
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

class UsbLinkWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view.Attach(model);
    view.Show(SW_SHOWNORMAL);
  }

  [[nodiscard]] HWND Handle(Control control) const { return view.ControlHandle(control); }

  // A control's rectangle in the window's client area.
  [[nodiscard]] PixelRect Place(Control control) const {
    RECT rect{};
    GetWindowRect(Handle(control), &rect);
    MapWindowPoints(HWND_DESKTOP, view.Handle(), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
  }

  [[nodiscard]] std::vector<std::wstring> Log() const {
    return ListBoxLines(Handle(Control::lstResults));
  }

  sim::SimBus bus = sim::SimBus::WithCalculator(2);
  sim::SimHidApi api{bus};
  Win32EventLoop events;
  UsbLinkWindow view{GetModuleHandleW(nullptr), events};
  UsbWindow model{api, events.Pacer(), view};
  TwipsScale scale = ScreenScale();
};

TEST_F(UsbLinkWindowTest, EveryControlSitsAtItsTwipsPlaceWithItsFontAndFirstState) {
  for (const auto& layout : kControls) {
    SCOPED_TRACE(std::string(layout.caption) + " #" +
                 std::to_string(static_cast<int>(layout.control)));
    HWND control = Handle(layout.control);
    const PixelRect expected = scale.Rect(layout);
    const PixelRect place = Place(layout.control);
    EXPECT_EQ(place.left, expected.left);
    EXPECT_EQ(place.top, expected.top);
    if (layout.autoSize) {
      const SIZE extent = CaptionExtent(control);
      EXPECT_EQ(place.width, extent.cx);
      EXPECT_EQ(place.height, extent.cy);
    } else {
      EXPECT_EQ(place, expected);
    }
    EXPECT_EQ(ClassOf(control), ClassNameOf(layout.kind));
    if (layout.kind != ControlKind::ListBox) {
      EXPECT_EQ(TextOf(control), WideFromUtf8(layout.caption));
    }
    EXPECT_EQ(IsWindowVisible(control) != FALSE, layout.visible);
    EXPECT_EQ(IsWindowEnabled(control) != FALSE, layout.enabled);
    const LOGFONTW font = FontOf(control);
    EXPECT_EQ(std::wstring(font.lfFaceName), WideFromUtf8(layout.font.face));
    EXPECT_EQ(font.lfHeight, -scale.FontHeight(layout.font.points));
    EXPECT_EQ(font.lfWeight, layout.font.bold ? FW_BOLD : FW_NORMAL);
    EXPECT_EQ(font.lfCharSet, GB2312_CHARSET);
  }
}

TEST_F(UsbLinkWindowTest, AFixedFrameWithOnlyACloseBoxCentredOnTheScreen) {
  EXPECT_EQ(TextOf(view.Handle()), L"USB Link");
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(view.Handle(), GWL_STYLE));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  RECT client{};
  GetClientRect(view.Handle(), &client);
  EXPECT_EQ(client.right, scale.Client().width);
  EXPECT_EQ(client.bottom, scale.Client().height);
  RECT frame{};
  RECT work{};
  GetWindowRect(view.Handle(), &frame);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_NEAR(frame.left - work.left, work.right - frame.right, 1);
  EXPECT_NEAR(frame.top - work.top, work.bottom - frame.bottom, 1);
}

// One window at a time: its class is registered while it lives.
TEST(DemoWindowTest, TheTitleBarSaysItIsTheSimulatedCalculator) {
  Win32EventLoop events;
  const UsbLinkWindow demo{GetModuleHandleW(nullptr), events, kDemoWindowCaption};
  EXPECT_EQ(TextOf(demo.Handle()), L"USB Link (simulated calculator)");
}

TEST_F(UsbLinkWindowTest, TabFollowsTheFocusOrderSkippingHiddenAndDisabledControls) {
  EXPECT_EQ(GetFocus(), Handle(Control::contion));
  EXPECT_EQ(GetNextDlgTabItem(view.Handle(), Handle(Control::contion), FALSE),
            Handle(Control::lstResults));
  EXPECT_EQ(GetNextDlgTabItem(view.Handle(), Handle(Control::lstResults), FALSE),
            Handle(Control::contion));
  for (const auto control : kFocusOrder) {
    ShowWindow(Handle(control), SW_SHOWNA);
    EnableWindow(Handle(control), TRUE);
  }
  for (std::size_t i = 0; i < kFocusOrder.size(); ++i) {
    EXPECT_EQ(GetNextDlgTabItem(view.Handle(), Handle(kFocusOrder[i]), FALSE),
              Handle(kFocusOrder[(i + 1) % kFocusOrder.size()]))
        << "after focus position " << i;
  }
}

TEST_F(UsbLinkWindowTest, AClickOnUsbLinkConnectsAndHandsFocusOnFromTheDisabledButton) {
  SendMessageW(Handle(Control::contion), BM_CLICK, 0, 0);
  EXPECT_EQ(TextOf(Handle(Control::Label3)), L"USB Link OK!");
  EXPECT_EQ(Log(),
            std::vector<std::wstring>{L"Connected to the device, you can download files\uff01"});
  EXPECT_FALSE(IsWindowEnabled(Handle(Control::contion)));
  EXPECT_TRUE(IsWindowEnabled(Handle(Control::CmdOpenFile)));
  EXPECT_EQ(GetFocus(), Handle(Control::lstResults));
  EXPECT_FALSE(events.Closed());
}

TEST_F(UsbLinkWindowTest, LabelsThatFitTheirCaptionFollowItsWidth) {
  const int notConnected = Place(Control::Label3).width;
  model.SetLinkStatus("USB Link Error!");
  const int error = Place(Control::Label3).width;
  EXPECT_GT(error, notConnected);
  EXPECT_EQ(error, CaptionExtent(Handle(Control::Label3)).cx);
  model.SetLinkStatus("OK");
  EXPECT_LT(Place(Control::Label3).width, notConnected);
  // The others keep their size whatever their caption.
  model.SetProgressCaption("Downloading： FF");
  EXPECT_EQ(Place(Control::Label5), scale.Rect(LayoutOf(Control::Label5)));
}

TEST_F(UsbLinkWindowTest, OnlyTheNoteIsRed) {
  HDC dc = GetDC(view.Handle());
  for (const auto& layout : kControls) {
    if (layout.kind != ControlKind::Label) continue;
    SetTextColor(dc, RGB(0, 0, 1));
    SendMessageW(view.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(Handle(layout.control)));
    EXPECT_EQ(GetTextColor(dc) == RGB(255, 0, 0), layout.red) << layout.caption;
  }
  ReleaseDC(view.Handle(), dc);
}

TEST_F(UsbLinkWindowTest, TheLogAppendsSelectsTheLastLineScrollsToTheWidestAndClears) {
  model.AppendLine("开始");
  model.AppendLine(
      "  a line longer than the first one and wider than the list is wide, so that it scrolls");
  model.SelectLastLine();
  HWND list = Handle(Control::lstResults);
  EXPECT_EQ(Log(), (std::vector<std::wstring>{L"\u5f00\u59cb",
                                              L"  a line longer than the first one and wider than "
                                              L"the list is wide, so that it scrolls"}));
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
  EXPECT_GT(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), Place(Control::lstResults).width);
  model.ClearLines();
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), 0);
}

TEST_F(UsbLinkWindowTest, EditingAnIdFieldReachesTheModel) {
  SetWindowTextW(Handle(Control::TextVID), L" 0 ");
  EXPECT_EQ(model.State(Control::TextVID).caption, " 0 ");
}

TEST_F(UsbLinkWindowTest, TheFileDialogOpensOnTheEarlierChoiceAndCancelChoosesNothing) {
  testing::TempDirectory directory;
  const std::string earlier = directory.Write("image.UD", std::vector<std::uint8_t>{1}).string();
  ShownFileDialog shown;
  SetPropW(view.Handle(), kShownProperty, &shown);
  SetTimer(view.Handle(), 1000, 20, CancelFileDialog);
  EXPECT_EQ(view.ShowOpenFileDialog(kDialogFilter, earlier), std::nullopt);
  RemovePropW(view.Handle(), kShownProperty);
  EXPECT_EQ(shown.name, "image.UD");
  EXPECT_EQ(std::filesystem::path(shown.folder), directory.Path());
}

TEST_F(UsbLinkWindowTest, ClosingHidesTheWindowAndEndsItsLoop) {
  SendMessageW(view.Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindowVisible(view.Handle()));
  EXPECT_TRUE(events.Closed());
  EXPECT_EQ(events.Run(), 0);
}

// Clicks "USB Link" once the window is up and answers the message box.
void CALLBACK ClickUsbLinkAndAnswer(HWND, UINT, UINT_PTR, DWORD) {
  if (HWND box = ModalDialog()) {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return;
  }
  HWND window = FindWindowW(nullptr, L"USB Link");
  if (window == nullptr || !IsWindowVisible(window)) return;
  HWND button = FindWindowExW(window, nullptr, L"Button", L"USB Link");
  if (button != nullptr && IsWindowEnabled(button)) PostMessageW(button, BM_CLICK, 0, 0);
}

TEST(RunWindowTest, ADeviceFailureEndsTheRunWithStatusSixAndItsBoxInTheSessionLog) {
  testing::TempDirectory directory;
  ASSERT_TRUE(SetEnvironmentVariableW(L"LOCALAPPDATA", directory.Path().c_str()));
  sim::SimBus bus = sim::SimBus::WithCalculator(2);
  bus.calculator.Faults().statuses.push_back({0x30, 1, 0x55});
  sim::SimHidApi api(bus);
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, ClickUsbLinkAndAnswer);
  EXPECT_EQ(RunWindow(api, GetModuleHandleW(nullptr), SW_SHOWNORMAL), 6);
  KillTimer(nullptr, timer);
  SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);

  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(directory.Path() / "usblink")) {
    files.push_back(entry.path());
  }
  ASSERT_EQ(files.size(), 1u);
  std::ifstream log(files[0], std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(log, line);) lines.push_back(line);
  ASSERT_GT(lines.size(), 2u);
  EXPECT_EQ(lines.back().rfind("Error: ", 0), 0u) << lines.back();
}

class SimplifiedChineseWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetACP(), 936U) << "run with LC_ALL=zh_CN.UTF-8 in a prefix made in it";
    view.Attach(model);
    view.Show(SW_SHOWNORMAL);
  }

  [[nodiscard]] HWND Handle(Control control) const { return view.ControlHandle(control); }

  // The characters of the text the control's font cannot draw.
  [[nodiscard]] std::wstring MissingGlyphs(Control control, const std::wstring& text) const {
    HWND window = Handle(control);
    HDC dc = GetDC(window);
    HGDIOBJ original =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
    std::vector<WORD> glyphs(text.size());
    GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                     GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, original);
    ReleaseDC(window, dc);
    std::wstring missing;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (glyphs[i] == 0xFFFF) missing += text[i];
    }
    return missing;
  }

  usblink::win32::Win32HidApi api;
  Win32EventLoop events;
  UsbLinkWindow view{GetModuleHandleW(nullptr), events};
  UsbWindow model{api, events.Pacer(), view};
};

// Wine has no calculator, so the connect ends after the whole walk.
TEST_F(SimplifiedChineseWindowTest, TheDiscoveryLogReadsBackAsTheSystemsChineseTexts) {
  SendMessageW(Handle(Control::contion), BM_CLICK, 0, 0);
  EXPECT_EQ(TextOf(Handle(Control::Label3)), L"USB Link Error!");

  const std::vector<std::wstring> lines = ListBoxLines(Handle(Control::lstResults));
  ASSERT_EQ(lines.size(), model.LogLines().size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].find(L'\uFFFD'), std::wstring::npos)
        << i << ": " << CodePageFromWide(CP_UTF8, lines[i]);
    EXPECT_EQ(lines[i], WideFromUtf8(model.LogLines()[i]));
  }
  const auto guid = std::ranges::find(lines, L"GetHidGuid");
  ASSERT_LT(guid + 1, lines.end());
  EXPECT_EQ(guid[1], L"  Result = \u6210\u529f\u3002");  // 成功。
  EXPECT_EQ(lines.back(), L" Not Find USB Link!");
}

TEST_F(SimplifiedChineseWindowTest, EveryControlsFontDrawsEveryCharacterItShows) {
  SendMessageW(Handle(Control::contion), BM_CLICK, 0, 0);
  std::wstring log;
  for (const auto& line : ListBoxLines(Handle(Control::lstResults))) log += line;
  ASSERT_NE(log.find(L'\u6210'), std::wstring::npos);  // 成
  for (const auto& layout : kControls) {
    const std::wstring text =
        layout.kind == ControlKind::ListBox ? log : TextOf(Handle(layout.control));
    EXPECT_EQ(CodePageFromWide(CP_UTF8, MissingGlyphs(layout.control, text)), "") << layout.caption;
  }
}

}  // namespace
}  // namespace usblink::app::win32
