#pragma once
// The simulated bus, a recording backend in front of it and a recording
// window, around one discovery object.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "RecordingHidApi.h"
#include "hid/Discovery.h"
#include "hid/Link.h"
#include "sim/SimHidApi.h"
#include "support/FakeWindow.h"

namespace usblink::testing {

using Lines = std::vector<std::string>;

inline constexpr std::string_view kSuccessText = "The operation completed successfully.";

// A result block as the log shows it.
inline Lines Block(std::string_view caption, std::string_view result = kSuccessText) {
  return {"", std::string(caption), "  Result = " + std::string(result)};
}

inline Lines Concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class DiscoveryFixture : public ::testing::Test {
 protected:
  void SetUp() override { discovery.SetIdTexts("&H04FC", "&H0C77"); }
  // What CloseDevice does when the window closes.
  void TearDown() override { CloseDevice(); }

  void CloseDevice() {
    HidCP::CloseIfOpen(sim, link.HIDHandle);
    HidCP::CloseIfOpen(sim, link.ReadHandle);
  }

  // How often a line occurs in the log.
  [[nodiscard]] long Count(std::string_view line) const {
    return std::ranges::count(window.lines, line);
  }

  sim::SimBus bus = sim::SimBus::WithCalculator();
  sim::SimHidApi sim{bus};
  RecordingHidApi api{sim};
  FakeWindow window;
  HidCP::Link link;
  Discovery discovery{api, window, link};
};

}  // namespace usblink::testing
