#include "hid/GuidText.h"

#include "hid/ApiLog.h"
#include "hid/NumberText.h"

namespace usblink {

std::string GuidText(const Guid& guid) {
  return HexText(guid.Data1) + "-" + HexText(guid.Data2) + "-" + HexText(guid.Data3) + "-" +
         FormatByteDump(guid.Data4);
}

}  // namespace usblink
