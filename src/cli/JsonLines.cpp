#include "cli/JsonLines.h"

namespace usblink::cli {

std::string JsonLine(const Json& object) {
  return object.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace usblink::cli
