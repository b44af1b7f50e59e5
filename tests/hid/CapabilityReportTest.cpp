#include <gtest/gtest.h>

#include <string>

#include "DiscoveryTestSupport.h"

namespace usblink {
namespace {

using testing::Block;
using testing::Concat;
using testing::Lines;

Lines CapabilityLines(std::string_view lastError, const Lines& values) {
  Lines lines{"  Last error: " + std::string(lastError)};
  const std::array<std::string_view, 15> texts{"  Usage: ",
                                               "  Usage Page: ",
                                               "  Input Report Byte Length: ",
                                               "  Output Report Byte Length: ",
                                               "  Feature Report Byte Length: ",
                                               "  Number of Link Collection Nodes: ",
                                               "  Number of Input Button Caps: ",
                                               "  Number of Input Value Caps: ",
                                               "  Number of Input Data Indices: ",
                                               "  Number of Output Button Caps: ",
                                               "  Number of Output Value Caps: ",
                                               "  Number of Output Data Indices: ",
                                               "  Number of Feature Button Caps: ",
                                               "  Number of Feature Value Caps: ",
                                               "  Number of Feature Data Indices: "};
  for (std::size_t line = 0; line < texts.size(); ++line) {
    lines.push_back(std::string(texts[line]) + values.at(line));
  }
  return lines;
}

const Lines kCalculatorValues{"1", "FF00", "64", "64", "0", "1", "0", "1",
                              "1", "0",    "1",  "1",  "0", "0", "0"};
const Lines kZeroValues(15, "0");

Lines Report(std::string_view preparsedResult, const Lines& values) {
  return Concat({
      Block("HidD_GetPreparsedData", preparsedResult),
      Block("RtlMoveMemory", preparsedResult),
      Block("HidP_GetCaps", preparsedResult),
      CapabilityLines(preparsedResult, values),
      Block("HidP_GetValueCaps", preparsedResult),
      Block("HidD_FreePreparsedData", preparsedResult == testing::kSuccessText
                                          ? testing::kSuccessText
                                          : "The parameter is incorrect."),
  });
}

class LogCapabilitiesTest : public testing::DiscoveryFixture {
 protected:
  void OpenDevice(const sim::SimInterface& device) {
    link.HIDHandle = sim.CreateFileA(device.path, kGenericReadWrite, kFileShareReadWrite, nullptr,
                                     kOpenExisting, 0);
    ASSERT_TRUE(HidCP::IsOpen(link.HIDHandle));
  }
};

TEST_F(LogCapabilitiesTest, CalculatorReportAddsExactlyThirtyOneLines) {
  OpenDevice(bus.interfaces.back());
  window.AppendLine("before");

  discovery.LogCapabilities();

  ASSERT_EQ(window.lines.size(), 32u);
  EXPECT_EQ(Lines(window.lines.begin() + 1, window.lines.end()),
            Report(testing::kSuccessText, kCalculatorValues));
  EXPECT_EQ(discovery.State().PreparsedDataRef, 0u);
  EXPECT_EQ(sim.PreparsedDataCount(), 0);
}

TEST_F(LogCapabilitiesTest, WithoutPreparsedDataEveryBlockIsWrittenAndNoReferencePassed) {
  // A fresh window shows zeros.
  discovery.LogCapabilities();
  EXPECT_EQ(window.lines, Report("The handle is invalid.", kZeroValues));

  OpenDevice(bus.interfaces.back());
  discovery.LogCapabilities();
  const PreparsedData released = api.preparsedDataUsed.back();
  ASSERT_NE(released, 0u);

  // A later failure shows the previous report's values and never hands on
  // the reference that report released.
  CloseDevice();
  window.ClearLines();
  api.preparsedDataUsed.clear();
  api.preparsedDataOnFailure = 0xDEAD;
  discovery.LogCapabilities();

  EXPECT_EQ(window.lines, Report("The handle is invalid.", kCalculatorValues));
  EXPECT_EQ(api.preparsedDataUsed, (std::vector<PreparsedData>{0, 0, 0}));
}

TEST_F(LogCapabilitiesTest, ValueCapsCountNeverExceedsTheBuffer) {
  // Vendor page, usage 1, twenty 8-bit input values with a usage each.
  std::vector<std::uint8_t> descriptor{0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08};
  for (std::uint8_t usage = 1; usage <= 20; ++usage) {
    descriptor.insert(descriptor.end(), {0x09, usage, 0x95, 0x01, 0x81, 0x02});
  }
  descriptor.push_back(0xC0);
  sim::SimInterface device = sim::SimBus::OtherInterface(0);
  device.reportDescriptor = descriptor;
  bus.interfaces = {device};
  OpenDevice(device);

  discovery.LogCapabilities();

  EXPECT_EQ(discovery.State().DeviceCaps.NumberInputValueCaps, 20);
  ASSERT_EQ(api.valueCapsCalls.size(), 1u);
  const auto& call = api.valueCapsCalls[0];
  EXPECT_EQ(call.reportType, HidpReportType::Input);
  EXPECT_EQ(call.bufferRecords, 14u);
  EXPECT_EQ(call.requestedLength, 14u);
}

TEST_F(LogCapabilitiesTest, ValueCapsCountIsTheDevicesWhenItFits) {
  OpenDevice(bus.interfaces.back());
  discovery.LogCapabilities();
  ASSERT_EQ(api.valueCapsCalls.size(), 1u);
  EXPECT_EQ(api.valueCapsCalls[0].requestedLength, 1u);
}

}  // namespace
}  // namespace usblink
