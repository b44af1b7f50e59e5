#include "platform/hid/linux/WinErrorFromErrno.h"

#include <cerrno>

#include "platform/hid/WindowsRecords.h"

namespace usblink::linux_hid {

std::uint32_t WinErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return WinError::Success;
    case ENOENT:
      return WinError::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return WinError::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:  // Windows opens no directory as a file either
      return WinError::AccessDenied;
    case EBADF:
      return WinError::InvalidHandle;
    case ENOMEM:
    case EMFILE:
    case ENFILE:
      return WinError::NotEnoughMemory;
    case EINVAL:
      return WinError::InvalidParameter;
    case EFAULT:
      return WinError::InvalidUserBuffer;
    case ENOTTY:
    case ENOSYS:
    case EOPNOTSUPP:
      return WinError::InvalidFunction;
    case EBUSY:
      return WinError::Busy;
    case ETXTBSY:
      return WinError::SharingViolation;
    case EINTR:
      return WinError::OperationAborted;
    case EAGAIN:
      return WinError::IoPending;
    case ENODEV:
    case ENXIO:
    case EIO:
    case ESHUTDOWN:
    case EPIPE:
      return WinError::DeviceNotConnected;
    default:
      return WinError::GenFailure;
  }
}

}  // namespace usblink::linux_hid
