#include "platform/os/win32/ConsoleTextBuffer.h"

#include <algorithm>
#include <string_view>

#include "platform/os/win32/CodePageText.h"

namespace usblink::win32 {

namespace {

// The length of `text` without a UTF-8 sequence at its end that still lacks
// bytes; a stray byte counts as whole and is shown as U+FFFD.
std::size_t WholeLength(std::string_view text) {
  constexpr std::size_t kLongestSequence = 4;
  for (std::size_t back = 1; back <= std::min(kLongestSequence, text.size()); ++back) {
    const auto byte = static_cast<unsigned char>(text[text.size() - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte
    const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return length > back ? text.size() - back : text.size();
  }
  return text.size();
}

}  // namespace

std::streamsize ConsoleTextBuffer::xsputn(const char* text, std::streamsize count) {
  pending_.append(text, static_cast<std::size_t>(count));
  return WriteWholeCharacters() ? count : 0;
}

ConsoleTextBuffer::int_type ConsoleTextBuffer::overflow(int_type character) {
  if (traits_type::eq_int_type(character, traits_type::eof())) {
    return sync() == 0 ? traits_type::not_eof(character) : traits_type::eof();
  }
  const char byte = traits_type::to_char_type(character);
  return xsputn(&byte, 1) == 1 ? character : traits_type::eof();
}

int ConsoleTextBuffer::sync() { return WriteWholeCharacters() ? 0 : -1; }

bool ConsoleTextBuffer::WriteWholeCharacters() {
  const std::size_t whole = WholeLength(pending_);
  if (whole == 0) return true;
  const std::wstring wide = WideFromCodePage(CP_UTF8, std::string_view(pending_).substr(0, whole));
  pending_.erase(0, whole);
  for (std::size_t done = 0; done < wide.size();) {
    DWORD written = 0;
    if (!WriteConsoleW(console_, wide.data() + done, static_cast<DWORD>(wide.size() - done),
                       &written, nullptr) ||
        written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

}  // namespace usblink::win32
