// A full download and a full read-back against the simulated calculator on
// virtual time: what the core itself costs, without the waits between polls.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "protocol/CommandPort.h"
#include "protocol/DownloadImage.h"
#include "protocol/HidCP.h"
#include "protocol/ReadBackImage.h"
#include "sim/SimHidApi.h"

namespace usblink {
namespace {

class NoWait final : public Pacer {
 public:
  void WaitForTick(int) override {}
};

class SilentWindow final : public CommandPort {
 public:
  void AppendLine(std::string_view) override {}
  void ClearLines() override {}
  void SelectLastLine() override {}
  void SetLinkStatus(std::string_view) override {}
  void ReportProgress(const TransferProgress&) override {}
  void ShowMessage(std::string_view, std::string_view) override {}
};

std::filesystem::path Scratch(const char* name) {
  return std::filesystem::temp_directory_path() / name;
}

struct Connected {
  Connected() {
    const auto& path = bus.interfaces.back().path;
    link.HIDHandle =
        api.CreateFileA(path, kGenericReadWrite, kFileShareReadWrite, nullptr, kOpenExisting, 0);
    link.ReadHandle = api.CreateFileA(path, kGenericReadWrite, kFileShareReadWrite, nullptr,
                                      kOpenExisting, kFileFlagOverlapped);
  }
  sim::SimBus bus = sim::SimBus::WithCalculator();
  sim::SimHidApi api{bus};
  NoWait pacer;
  HidCP::Link link;
};

void FullDownload(benchmark::State& state) {
  const auto image = Scratch("usblink-bench.UD");
  {
    std::vector<char> bytes(262144);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 + i / 256);
    std::ofstream(image, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
  }
  SilentWindow window;
  for (auto _ : state) {
    Connected device;
    HidCP::DownloadState progress;
    HidCP::DownloadImage({device.api, device.pacer, device.link}, window,
                         FirmwareImage::Load(image), image, progress);
  }
  state.SetBytesProcessed(state.iterations() * 262144);
  std::filesystem::remove(image);
}
BENCHMARK(FullDownload)->Unit(benchmark::kMillisecond);

void FullReadBack(benchmark::State& state) {
  const auto file = Scratch("usblink-bench-Load.bin");
  SilentWindow window;
  for (auto _ : state) {
    Connected device;
    const auto read = HidCP::ReadBackImage({device.api, device.pacer, device.link}, window, file);
    if (!read) {
      state.SkipWithError(read.Error().message.c_str());
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * 262144);
  std::filesystem::remove(file);
}
BENCHMARK(FullReadBack)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace usblink

BENCHMARK_MAIN();
