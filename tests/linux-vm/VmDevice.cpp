// The guest side of the VM test: plays the calculator on the kernel's real
// HID stack through uhid, with the simulator's protocol engine, and reports
// the guest's verdict to the host through the isa-debug-exit port.
//
//   usblink-vm-device serve [--other-first] [--calculators N] [--silent-after N]
//                           [--first-serial TEXT] --ready FILE
//   usblink-vm-device unprivileged COMMAND [ARG...]
//   usblink-vm-device exit STATUS

#include <grp.h>
#include <poll.h>
#include <sys/io.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "UhidDevice.h"
#include "sim/SimBus.h"
#include "sim/SimCalculator.h"

namespace usblink::vm {
namespace {

constexpr unsigned short kDebugExitPort = 0xf4;
constexpr int kWaitStepMs = 10;
constexpr uid_t kNobody = 65534;

struct ServeOptions {
  bool otherFirst = false;
  int calculators = 1;  // each with a flash and a serial number of its own
  std::optional<int> silentAfter;
  // The first calculator's serial number, byte for byte, instead of its own.
  std::optional<std::string> firstSerial;
  std::filesystem::path readyFile;
};

// The devices, and the calculator behind each one that plays one.
class Bench {
 public:
  explicit Bench(sim::CalculatorFaults faults) : faults_(std::move(faults)) {}

  void AddOther() {
    const auto other = sim::SimBus::OtherInterface(0);
    devices_.push_back({UhidDevice({"usblink test keyboard", "", other.vendorId, other.productId,
                                    other.versionNumber},
                                   other.reportDescriptor),
                        std::nullopt});
  }
  void AddCalculator(std::size_t number, const std::optional<std::string>& serial) {
    const auto calculator = sim::SimBus::CalculatorInterface(number);
    devices_.push_back(
        {UhidDevice({"usblink test calculator", serial.value_or(*calculator.serialNumber),
                     calculator.vendorId, calculator.productId, calculator.versionNumber},
                    calculator.reportDescriptor),
         sim::SimCalculator(faults_)});
  }

  // Answers the kernel until `done` holds (checked every few milliseconds),
  // or for ever without one.
  void Serve(const std::function<bool()>& done = {}) {
    std::vector<pollfd> polled;
    for (const auto& device : devices_) polled.push_back({device.uhid.Fd(), POLLIN, 0});
    while (!done || !done()) {
      if (::poll(polled.data(), polled.size(), done ? kWaitStepMs : -1) < 0) continue;
      for (std::size_t index = 0; index < polled.size(); ++index) {
        if ((polled[index].revents & POLLIN) != 0) Answer(devices_[index]);
      }
    }
  }

 private:
  struct Served {
    UhidDevice uhid;
    std::optional<sim::SimCalculator> calculator;
  };

  static void Answer(Served& device) {
    const uhid_event event = device.uhid.Read();
    switch (event.type) {
      case UHID_OUTPUT:
        if (device.calculator && event.u.output.size >= kReportLength) {
          device.calculator->ReceiveOutputReport(
              std::span<const std::uint8_t, kReportLength>(event.u.output.data, kReportLength));
          // Wine answers a read of the input report from its copy of the
          // last one the device sent, where Windows asks the device: the
          // reply goes out at once as well.
          device.uhid.SendInput(InputReport(*device.calculator, kReportId));
        }
        break;
      case UHID_GET_REPORT:
        if (device.calculator && event.u.get_report.rtype == UHID_INPUT_REPORT) {
          device.uhid.ReplyGetReport(event.u.get_report.id,
                                     InputReport(*device.calculator, event.u.get_report.rnum));
        } else {
          device.uhid.RefuseGetReport(event.u.get_report.id);
        }
        break;
      case UHID_SET_REPORT:
        device.uhid.RefuseSetReport(event.u.set_report.id);
        break;
      default:
        break;
    }
  }

  // The calculator's next input report, byte 0 the report id.
  static Report InputReport(sim::SimCalculator& calculator, std::uint8_t reportId) {
    Report report{};
    report[0] = reportId;
    calculator.ProduceInputReport(report);
    return report;
  }

  sim::CalculatorFaults faults_;
  std::vector<Served> devices_;
};

std::size_t HidrawNodeCount() {
  std::error_code error;
  const std::filesystem::directory_iterator nodes("/sys/class/hidraw", error);
  return error ? 0 : static_cast<std::size_t>(std::distance(begin(nodes), end(nodes)));
}

int Serve(const ServeOptions& options) {
  sim::CalculatorFaults faults;
  faults.silentAfter = options.silentAfter;
  Bench bench(std::move(faults));
  std::size_t devices = 0;
  const auto allNodesThere = [&devices] { return HidrawNodeCount() >= devices; };
  // Each device waits for its node, so the other one takes the lower number.
  if (options.otherFirst) {
    bench.AddOther();
    ++devices;
    bench.Serve(allNodesThere);
  }
  for (int number = 0; number < options.calculators; ++number) {
    bench.AddCalculator(static_cast<std::size_t>(number),
                        number == 0 ? options.firstSerial : std::nullopt);
    ++devices;
    bench.Serve(allNodesThere);
  }
  std::ofstream(options.readyFile) << "ready\n";
  bench.Serve();
  return EXIT_SUCCESS;
}

// QEMU ends with (status << 1) | 1.
int ReportExit(int status) {
  if (::ioperm(kDebugExitPort, 4, 1) != 0) {
    std::perror("ioperm");
    return EXIT_FAILURE;
  }
  ::outl(static_cast<unsigned>(status), kDebugExitPort);
  return EXIT_FAILURE;  // only reached without the exit device
}

// Runs the command as an ordinary user, as a desktop user runs usblink-cli.
int RunUnprivileged(char** command) {
  if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
    std::perror("dropping root");
    return EXIT_FAILURE;
  }
  ::execvp(command[0], command);
  std::perror(command[0]);
  return EXIT_FAILURE;
}

int Usage() {
  std::cerr << "usage: usblink-vm-device serve [--other-first] [--calculators N] [--silent-after N]"
               " [--first-serial TEXT] --ready FILE\n"
               "       usblink-vm-device unprivileged COMMAND [ARG...]\n"
               "       usblink-vm-device exit STATUS\n";
  return 2;
}

int Main(const std::vector<std::string_view>& arguments) {
  if (arguments.size() == 2 && arguments[0] == "exit") {
    return ReportExit(std::atoi(std::string(arguments[1]).c_str()));
  }
  if (arguments.empty() || arguments[0] != "serve") return Usage();
  ServeOptions options;
  for (std::size_t index = 1; index < arguments.size(); ++index) {
    const bool hasValue = index + 1 < arguments.size();
    if (arguments[index] == "--other-first") {
      options.otherFirst = true;
    } else if (arguments[index] == "--calculators" && hasValue) {
      options.calculators = std::atoi(std::string(arguments[++index]).c_str());
    } else if (arguments[index] == "--silent-after" && hasValue) {
      options.silentAfter = std::atoi(std::string(arguments[++index]).c_str());
    } else if (arguments[index] == "--first-serial" && hasValue) {
      options.firstSerial = std::string(arguments[++index]);
    } else if (arguments[index] == "--ready" && hasValue) {
      options.readyFile = arguments[++index];
    } else {
      return Usage();
    }
  }
  if (options.readyFile.empty()) return Usage();
  return Serve(options);
}

}  // namespace
}  // namespace usblink::vm

int main(int argc, char** argv) {
  if (argc > 2 && std::string_view(argv[1]) == "unprivileged") {
    return usblink::vm::RunUnprivileged(argv + 2);
  }
  try {
    return usblink::vm::Main(std::vector<std::string_view>(argv + 1, argv + argc));
  } catch (const std::exception& error) {
    std::cerr << "usblink-vm-device: " << error.what() << '\n';
    return EXIT_FAILURE;
  }
}
