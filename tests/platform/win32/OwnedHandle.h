#pragma once
// A kernel handle that closes itself, for the Windows tests.

#include <memory>
#include <type_traits>

#include "platform/os/win32/LeanWindows.h"

namespace usblink::testing {

struct HandleCloser {
  void operator()(HANDLE handle) const {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};
using OwnedHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

}  // namespace usblink::testing
