#include "app/win32/OpenFileFilter.h"

#include <algorithm>

namespace usblink::app::win32 {

std::string OpenFileFilter(std::string_view filter) {
  std::string list(filter);
  std::replace(list.begin(), list.end(), '|', '\0');
  list.append(2, '\0');
  return list;
}

}  // namespace usblink::app::win32
