#pragma once
// A file dialog's filter as the window model states it: what the files are
// called and the patterns that pick them. Each view words it the way its
// toolkit's dialog takes it.

#include <span>
#include <string_view>

namespace usblink::app {

struct FileFilter {
  std::string_view description;
  std::span<const std::string_view> patterns;
};

}  // namespace usblink::app
