#pragma once
// A file dialog's filter as GetOpenFileName takes it: the description and the
// patterns (";" between them), each ended by a NUL, the list by one more.

#include <string>

#include "app/FileFilter.h"

namespace usblink::app::win32 {

[[nodiscard]] std::string OpenFileFilter(const FileFilter& filter);

}  // namespace usblink::app::win32
