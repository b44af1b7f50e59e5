#include "fleet/StopPolicy.h"

namespace usblink {

bool StopPolicy::StopNow() {
  if (signals_.StopNow(tolerated_)) return true;
  if (tolerated_ > outsideDownload_ && signals_.TakeFirstInterrupt()) {
    view_.Notice(
        "Warning: stopping the download now can leave the calculator unable to start. "
        "The download goes on; press Ctrl-C again to stop anyway.");
  }
  return false;
}

}  // namespace usblink
