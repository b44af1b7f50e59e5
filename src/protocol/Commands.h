#pragma once
// The three commands of the calculator, for the window and the command line
// alike: connect (discovery and the handshake), download and read-back. Each
// tells the one who started it what happens through a CommandPort and ends in
// one Outcome; a device failure or a stop between two transactions closes the
// device before the command returns.

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "hid/Discovery.h"
#include "platform/hid/HidApi.h"
#include "protocol/CommandPort.h"
#include "protocol/DownloadImage.h"
#include "protocol/FirmwareImage.h"
#include "protocol/HidCP.h"
#include "protocol/Outcome.h"
#include "protocol/Pacer.h"
#include "protocol/Result.h"

namespace usblink {

// Where the window's "Read" writes, in the working folder.
inline constexpr std::string_view kReadBackFileName = "Load.bin";

// One calculator's link and the commands on it. The link's report buffers
// live as long as this object and are never cleared.
class Commands {
 public:
  Commands(HidApi& api, Pacer& pacer, CommandPort& port);
  Commands(const Commands&) = delete;
  Commands& operator=(const Commands&) = delete;
  // Closes the device.
  ~Commands();

  // The calculator a connect looks for among several with the ids; none: the first.
  void SetDevice(std::optional<DeviceSelector> device) { discovery_.SetDevice(std::move(device)); }
  // Held while the walk opens the interfaces, when several calculators' links
  // walk at once; the handshake runs outside it.
  void SetWalkTurn(std::mutex* turn) { walkTurn_ = turn; }

  // "USB Link": the ids as the id fields hold them, discovery, the handshake,
  // and the ready line.
  Outcome Connect(std::string_view vendorField, std::string_view productField);
  // "Download": sends `image`, loaded once from the file `name`, to the
  // connected calculator.
  Outcome Download(const LoadedImage& image, const std::filesystem::path& name);
  // "Read": banks 0 to 3 into `file`, created when absent and not truncated,
  // so an existing file loses nothing that no read replaced.
  Outcome ReadBack(const std::filesystem::path& file);
  // The same into `out`, a stream the caller opened for `name` and decides the fate of.
  Outcome ReadBack(std::FILE* out, const std::filesystem::path& name);
  // Closes the device, as closing the window does.
  void Close();

  // What the last connect's discovery found: the device path and ids of the
  // calculator when DeviceFound.
  [[nodiscard]] const DiscoveryState& Discovered() const { return discovery_.State(); }
  // How far the last download came, also when it ended in a failure or a stop.
  [[nodiscard]] const HidCP::DownloadState& LastDownload() const { return lastDownload_; }

 private:
  template <typename Command>
  Outcome Guarded(Command command);
  // Discovery, in the walk's turn where there is one.
  bool FindInTurn();
  // A read-back's end: a file that failed is told in an "Error" box.
  Outcome ReadBackEnded(const Result<void>& read);

  HidApi& api_;
  CommandPort& port_;
  HidCP::Link link_;
  HidCP::Channel channel_;
  Discovery discovery_;
  HidCP::DownloadState lastDownload_;
  std::mutex* walkTurn_ = nullptr;
};

}  // namespace usblink
