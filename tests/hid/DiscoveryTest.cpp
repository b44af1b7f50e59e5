#include "hid/Discovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "DiscoveryTestSupport.h"
#include "hid/ApiLog.h"

namespace usblink {
namespace {

using testing::Block;
using testing::Concat;
using testing::Lines;

constexpr const char* kCalculatorPath =
    R"(\\?\hid#vid_04fc&pid_0c77#6&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})";

const Lines kWalkStart = Concat({
    Block("GetHidGuid"),
    {"  The GUID number returned by the system： 4D1E55B2-F16F-11CF-88 CB 00 11 11 00 00 30 "},
    Block("SetupDiClassDevs（Find all HID devices）"),
});

const Lines kCalculatorCapabilities = Concat({
    Block("HidD_GetPreparsedData"),
    Block("RtlMoveMemory"),
    Block("HidP_GetCaps"),
    {
        "  Last error: The operation completed successfully.",
        "  Usage: 1",
        "  Usage Page: FF00",
        "  Input Report Byte Length: 64",
        "  Output Report Byte Length: 64",
        "  Feature Report Byte Length: 0",
        "  Number of Link Collection Nodes: 1",
        "  Number of Input Button Caps: 0",
        "  Number of Input Value Caps: 1",
        "  Number of Input Data Indices: 1",
        "  Number of Output Button Caps: 0",
        "  Number of Output Value Caps: 1",
        "  Number of Output Data Indices: 1",
        "  Number of Feature Button Caps: 0",
        "  Number of Feature Value Caps: 0",
        "  Number of Feature Data Indices: 0",
    },
    Block("HidP_GetValueCaps"),
    Block("HidD_FreePreparsedData"),
});

// The log lines of one walk, cut before each enumeration block.
std::vector<Lines> Passes(const Lines& log) {
  std::vector<Lines> passes;
  for (std::size_t line = 0; line < log.size(); ++line) {
    if (line + 1 < log.size() && log[line + 1] == "SetupDiEnumDeviceInterfaces") {
      passes.emplace_back();
    }
    if (!passes.empty()) passes.back().push_back(log[line]);
  }
  return passes;
}

bool EndsWith(const Lines& lines, const Lines& tail) {
  return lines.size() >= tail.size() && std::equal(tail.rbegin(), tail.rend(), lines.rbegin());
}

class FindTheHidTest : public testing::DiscoveryFixture {};

TEST_F(FindTheHidTest, NoInterfaceLogsAnEmptyWalkAndNotFind) {
  bus.interfaces.clear();

  EXPECT_FALSE(discovery.FindTheHid());

  EXPECT_EQ(window.lines, Concat({
                              kWalkStart,
                              Block("SetupDiEnumDeviceInterfaces", "No more data is available."),
                              Block("DestroyDeviceInfoList（Releasing resources）"),
                              {" Not Find USB Link!"},
                          }));
  EXPECT_EQ(window.linkStatus, "USB Link Error!");
  EXPECT_FALSE(discovery.State().DeviceFound);
  EXPECT_TRUE(discovery.State().NoMoreInterfaces);
  EXPECT_EQ(sim.OpenHandleCount(), 0);
}

TEST_F(FindTheHidTest, CalculatorAtIndexZeroLogsEveryStepLineForLine) {
  EXPECT_TRUE(discovery.FindTheHid());

  EXPECT_EQ(window.lines,
            Concat({
                kWalkStart,
                Block("SetupDiEnumDeviceInterfaces"),
                {"  DeviceInfoSet for device Find the equipment you need#0: "},
                Block("SetupDiGetDeviceInterfaceDetail(Device path)",
                      "The data area passed to a system call is too small."),
                {"  (OK to say too small)", "  Required buffer size for the data: 87"},
                Block(" Result of second call:（the second recall） "),
                {"  MyDeviceInterfaceDetailData.cbSize: 5",
                 "  Device pathname: ", std::string("    ") + kCalculatorPath},
                Block("CreateFile（Designation code）"),
                {"  Returned handle: 1F8h"},
                Block("HidD_GetAttributes（Take PID,VID）"),
                {"  HIDD_ATTRIBUTES structure filled without error.", "  Vendor ID: 4FC",
                 "  Product ID: C77", "  The equipment has been found！"},
                Block("DestroyDeviceInfoList（Releasing resources）"),
                kCalculatorCapabilities,
                Block("CreateFile, ReadHandle"),
                {"  Returned handle: 1FCh"},
                Block("CreateEvent"),
            }));
  EXPECT_EQ(window.selected, window.lines.size() - 1);
  EXPECT_EQ(window.linkStatus, "USB Link OK!");
  EXPECT_TRUE(discovery.State().DeviceFound);
  EXPECT_EQ(discovery.State().DevicePath, kCalculatorPath);
  EXPECT_EQ(link.HIDHandle, 0x1F8u);
  EXPECT_EQ(link.ReadHandle, 0x1FCu);
}

TEST_F(FindTheHidTest, CallsCarryTheFlagsAndRecordsOfTheWindowsCalls) {
  ASSERT_TRUE(discovery.FindTheHid());

  EXPECT_EQ(api.classDevsFlags, std::vector<std::uint32_t>{18});
  EXPECT_EQ(api.attributesSizes, std::vector<std::uint32_t>{12});
  // The size query offers no buffer; the fetch offers exactly the reported size.
  EXPECT_EQ(api.detailBufferSizes, (std::vector<std::size_t>{0, 87}));
  ASSERT_EQ(api.createFileCalls.size(), 2u);
  for (const auto& call : api.createFileCalls) {
    EXPECT_EQ(call.fileName, kCalculatorPath);
    EXPECT_EQ(call.desiredAccess, 0xC0000000u);
    EXPECT_EQ(call.shareMode, 3u);
    EXPECT_EQ(call.creationDisposition, 3u);
    ASSERT_TRUE(call.security.has_value());
    EXPECT_EQ(call.security->nLength, 12u);
    EXPECT_TRUE(call.security->bInheritHandle);
  }
  EXPECT_EQ(api.createFileCalls[0].flagsAndAttributes, 0u);
  EXPECT_EQ(api.createFileCalls[1].flagsAndAttributes, 0x40000000u);
  ASSERT_EQ(api.createEventCalls.size(), 1u);
  const auto& event = api.createEventCalls[0];
  EXPECT_TRUE(event.manualReset);
  EXPECT_TRUE(event.initialState);
  EXPECT_NE(event.nameData, nullptr);
  EXPECT_EQ(event.nameSize, 0u);
  ASSERT_TRUE(event.security.has_value());
  EXPECT_TRUE(event.security->bInheritHandle);

  const Overlapped& overlapped = discovery.State().ReadOverlapped;
  EXPECT_NE(discovery.State().ReadEvent, kNoHandle);
  EXPECT_EQ(overlapped.hEvent, discovery.State().ReadEvent);
  EXPECT_EQ(overlapped.Offset, 0u);
  EXPECT_EQ(overlapped.OffsetHigh, 0u);
}

TEST_F(FindTheHidTest, CalculatorAtIndexThreeClosesEachInterfaceBeforeIt) {
  bus = sim::SimBus::WithCalculator(3);

  EXPECT_TRUE(discovery.FindTheHid());

  const auto passes = Passes(window.lines);
  ASSERT_EQ(passes.size(), 4u);
  const std::array<std::string, 3> otherProducts{"C31C", "C077", "C31C"};
  for (std::size_t index = 0; index < 3; ++index) {
    SCOPED_TRACE(index);
    const Lines& pass = passes[index];
    EXPECT_EQ(pass[3], "  DeviceInfoSet for device Find the equipment you need#" +
                           std::to_string(index) + ": ");
    EXPECT_EQ(pass[14], "    " + bus.interfaces[index].path);
    EXPECT_TRUE(
        EndsWith(pass, Concat({{"  Vendor ID: 46D", "  Product ID: " + otherProducts[index]},
                               Block("CloseHandle（Close the interface）")})));
  }
  EXPECT_EQ(passes[3][3], "  DeviceInfoSet for device Find the equipment you need#3: ");
  EXPECT_EQ(Count("  The equipment has been found！"), 1);
  EXPECT_EQ(discovery.State().DevicePath, kCalculatorPath);
  // Three closed interfaces, and the calculator's two handles and the event.
  EXPECT_EQ(sim.OpenHandleCount(), 3);
}

TEST_F(FindTheHidTest, OnlyTheFirstOfTwoMatchingInterfacesIsOpened) {
  sim::SimInterface second = sim::SimBus::CalculatorInterface();
  second.path =
      R"(\\?\hid#vid_04fc&pid_0c77#6&1a2b3c4d&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030})";
  bus.interfaces.push_back(second);

  EXPECT_TRUE(discovery.FindTheHid());

  EXPECT_EQ(Passes(window.lines).size(), 1u);
  EXPECT_EQ(discovery.State().DevicePath, kCalculatorPath);
  for (const auto& call : api.createFileCalls) EXPECT_EQ(call.fileName, kCalculatorPath);
}

TEST_F(FindTheHidTest, VendorMatchWithAnotherProductIsClosedAndTheWalkGoesOn) {
  sim::SimInterface sibling = sim::SimBus::CalculatorInterface();
  sibling.productId = 0x0C78;
  sibling.path =
      R"(\\?\hid#vid_04fc&pid_0c78#6&55aa&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})";
  sibling.isCalculator = false;
  bus.interfaces.insert(bus.interfaces.begin(), sibling);

  EXPECT_TRUE(discovery.FindTheHid());

  const auto passes = Passes(window.lines);
  ASSERT_EQ(passes.size(), 2u);
  EXPECT_TRUE(EndsWith(passes[0], Concat({{"  Vendor ID: 4FC", "  Product ID: C78"},
                                          Block("CloseHandle（Close the interface）")})));
  EXPECT_EQ(discovery.State().DevicePath, kCalculatorPath);
}

TEST_F(FindTheHidTest, UnopenableInterfaceNeverMatchesAlsoInALaterWalk) {
  // It carries the calculator's own ids; only its failed open keeps it out.
  sim::SimInterface held = sim::SimBus::CalculatorInterface();
  held.path = R"(\\?\hid#vid_04fc&pid_0c77#6&77&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})";
  held.refusal = WinError::AccessDenied;
  held.isCalculator = false;
  bus.interfaces.insert(bus.interfaces.begin(), held);

  for (int walk = 0; walk < 2; ++walk) {
    SCOPED_TRACE(walk);
    window.ClearLines();
    EXPECT_TRUE(discovery.FindTheHid());

    const auto passes = Passes(window.lines);
    ASSERT_EQ(passes.size(), 2u);
    // In the second walk the record still holds the calculator's ids from the first.
    const Lines shownIds = walk == 0 ? Lines{"  Vendor ID: 0", "  Product ID: 0"}
                                     : Lines{"  Vendor ID: 4FC", "  Product ID: C77"};
    EXPECT_TRUE(EndsWith(passes[0],
                         Concat({
                             Block("CreateFile（Designation code）", "Access is denied."),
                             {"  Returned handle: FFFFFFFFh"},
                             Block("HidD_GetAttributes（Take PID,VID）", "The handle is invalid."),
                             {"  Error in filling HIDD_ATTRIBUTES structure."},
                             shownIds,
                             Block("CloseHandle（Close the interface）", "The handle is invalid."),
                         })));
    EXPECT_EQ(discovery.State().DevicePath, kCalculatorPath);
    EXPECT_EQ(sim.OpenHandleCount(), 3);
  }
}

TEST_F(FindTheHidTest, TypedIdsMatchAsSixteenBitPatternsInAnyCase) {
  const std::vector<std::pair<std::string, std::string>> typed{
      {"&H04FC", "&H0C77"}, {"&H04fc", "&Hc77"}, {"&H4FC", "&HC77"}};
  for (const auto& [vendor, product] : typed) {
    SCOPED_TRACE(vendor + " " + product);
    discovery.SetIdTexts(vendor, product);
    EXPECT_TRUE(discovery.FindTheHid());
    EXPECT_EQ(window.linkStatus, "USB Link OK!");
  }
}

TEST_F(FindTheHidTest, FieldsWithBlanksMatchOnceTrimmed) {
  discovery.SetIdTexts(IdTextFromField(" 4FC "), IdTextFromField("0C77  "));
  EXPECT_TRUE(discovery.FindTheHid());
}

TEST_F(FindTheHidTest, AllOnesIdMatchesAllOnesDevice) {
  sim::SimInterface device = sim::SimBus::CalculatorInterface();
  device.vendorId = 0xFFFF;
  device.productId = 0xFFFF;
  device.path = R"(\\?\hid#vid_ffff&pid_ffff#1&2&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})";
  bus.interfaces = {device};
  discovery.SetIdTexts("&HFFFF", "&Hffff");

  EXPECT_TRUE(discovery.FindTheHid());

  EXPECT_EQ(Count("  Vendor ID: FFFF"), 1);
  EXPECT_EQ(Count("  Product ID: FFFF"), 1);
}

TEST_F(FindTheHidTest, IdTextsWithoutOneToFourHexDigitsMatchNothing) {
  bus = sim::SimBus::WithCalculator(1);
  const std::vector<std::string> badTexts{"&H",     "&HXYZ",  "&H04FC0", "04FC",
                                          "&H 4FC", "&H-4FC", "&H0x4FC", "&H4FC "};
  for (const auto& bad : badTexts) {
    for (const bool badVendor : {true, false}) {
      SCOPED_TRACE(bad + (badVendor ? " as vendor" : " as product"));
      window.ClearLines();
      if (badVendor) {
        discovery.SetIdTexts(bad, "&H0C77");
      } else {
        discovery.SetIdTexts("&H04FC", bad);
      }
      EXPECT_FALSE(discovery.FindTheHid());
      // Every interface is examined and closed, then the failing enumeration.
      EXPECT_EQ(Passes(window.lines).size(), 3u);
      EXPECT_EQ(Count("CloseHandle（Close the interface）"), 2);
      EXPECT_EQ(window.lines.back(), " Not Find USB Link!");
      EXPECT_EQ(window.linkStatus, "USB Link Error!");
      EXPECT_EQ(sim.OpenHandleCount(), 0);
      // A closed interface's handle is not kept for CloseDevice to close again.
      EXPECT_FALSE(HidCP::IsOpen(link.HIDHandle));
    }
  }
}

TEST_F(FindTheHidTest, SizeQueryBelowFiveBytesGivesAnEmptyPathAndTheWalkGoesOn) {
  for (const std::uint32_t reported : {0u, 2u, 4u}) {
    SCOPED_TRACE(reported);
    window.ClearLines();
    api.detailBufferSizes.clear();
    api.reportedRequiredSize = reported;

    EXPECT_FALSE(discovery.FindTheHid());

    EXPECT_EQ(api.detailBufferSizes, (std::vector<std::size_t>{0, reported}));
    EXPECT_GE(discovery.State().DetailBuffer.Bytes().size(), 5u);
    EXPECT_EQ(discovery.State().DevicePath, "");
    EXPECT_EQ(Count("  Required buffer size for the data: " + std::to_string(reported)), 1);
    EXPECT_EQ(Count("    "), 1);
    EXPECT_EQ(window.lines.back(), " Not Find USB Link!");
  }
}

}  // namespace
}  // namespace usblink
