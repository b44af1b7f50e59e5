// The window on a Simplified Chinese desktop, on the machine's own HID
// interfaces through the real backend: the discovery log reads back from the
// list box as the system's Chinese texts, and every control's font has a
// glyph for each character it shows. Needs LC_ALL=zh_CN.UTF-8 under Wine.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/UsbWindow.h"
#include "app/win32/UsbLinkWindow.h"
#include "app/win32/Utf16Text.h"
#include "app/win32/WindowReadBack.h"
#include "platform/hid/win32/Win32HidApi.h"

namespace usblink::app::win32 {
namespace {

using testing::ListBoxLines;
using testing::TextOf;

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
    EXPECT_EQ(lines[i].find(L'\uFFFD'), std::wstring::npos) << i << ": " << Utf8(lines[i]);
    EXPECT_EQ(lines[i], Utf16(model.LogLines()[i]));
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
    EXPECT_EQ(Utf8(MissingGlyphs(layout.control, text)), "") << layout.caption;
  }
}

}  // namespace
}  // namespace usblink::app::win32
