#pragma once
// The file dialog's filter as the model words it, "File(*.UD)|*.UD", turned
// into the list that GetOpenFileName takes: description and patterns, each
// ended by a NUL, the list by one more.

#include <string>
#include <string_view>

namespace usblink::app::win32 {

[[nodiscard]] std::string OpenFileFilter(std::string_view filter);

}  // namespace usblink::app::win32
