#include "app/win32/OpenFileFilter.h"

namespace usblink::app::win32 {

std::string OpenFileFilter(const FileFilter& filter) {
  std::string list(filter.description);
  list += '\0';
  for (std::size_t i = 0; i < filter.patterns.size(); ++i) {
    if (i > 0) list += ';';
    list += filter.patterns[i];
  }
  list.append(2, '\0');
  return list;
}

}  // namespace usblink::app::win32
