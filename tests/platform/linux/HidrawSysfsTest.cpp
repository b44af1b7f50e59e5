#include "platform/hid/linux/HidrawSysfs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/FakeHidrawTree.h"

namespace usblink::linux_hid {
namespace {

TEST(HidrawSysfsTest, IdsComeFromTheHidIdLine) {
  FakeHidrawTree tree;
  tree.AddNode(0, "0003:000004FC:00000C77");
  tree.AddNode(1, "0005:0000FFFF:00008000");
  tree.AddNode(2, "0003:000004FC");
  tree.AddEntry("hidraw3");
  const auto sysfs = tree.Roots().sysfs;
  EXPECT_EQ(ReadHidIds(sysfs, "hidraw0"), (HidIds{0x04FC, 0x0C77}));
  EXPECT_EQ(ReadHidIds(sysfs, "hidraw1"), (HidIds{0xFFFF, 0x8000}));
  EXPECT_EQ(ReadHidIds(sysfs, "hidraw2"), std::nullopt);
  EXPECT_EQ(ReadHidIds(sysfs, "hidraw3"), std::nullopt);
}

TEST(HidrawSysfsTest, VersionNumberComesFromTheUsbDeviceAbove) {
  FakeHidrawTree tree;
  tree.AddNode(0, "0003:000004FC:00000C77", "0210");
  tree.AddNode(1, "0003:000004FC:00000C77");
  tree.AddNode(2, "0003:000004FC:00000C77", "zz");
  const auto sysfs = tree.Roots().sysfs;
  EXPECT_EQ(ReadUsbVersionNumber(sysfs, "hidraw0"), 0x0210);
  EXPECT_EQ(ReadUsbVersionNumber(sysfs, "hidraw1"), std::nullopt);
  EXPECT_EQ(ReadUsbVersionNumber(sysfs, "hidraw2"), std::nullopt);
  EXPECT_EQ(ReadUsbVersionNumber(sysfs, "hidraw9"), std::nullopt);
}

TEST(HidrawSysfsTest, StringsComeFromTheUsbDeviceOrElseFromHidName) {
  FakeHidrawTree tree;
  tree.AddNode(0, "0003:000004FC:00000C77", "0100",
               {.uniq = "SN-7",
                .name = "Acme Corp. Graphing Calculator",
                .usbManufacturer = "Acme Corp.",
                .usbProduct = "Graphing Calculator"});
  // HID_NAME is the kernel's "HID vvvv:pppp" when the USB device has no strings.
  tree.AddNode(1, "0003:000004FC:00000C77", "0100", {.name = "HID 04fc:0c77"});
  tree.AddNode(2, "0003:000004FC:00000C77", std::nullopt, {.uniq = "U-1", .name = "Virtual Calc"});
  tree.AddNode(3, "0003:000004FC:00000C77", std::nullopt, {.name = ""});
  const auto sysfs = tree.Roots().sysfs;

  const auto usb = ReadHidStrings(sysfs, "hidraw0");
  ASSERT_TRUE(usb);
  EXPECT_EQ(usb->serialNumber, "SN-7");
  EXPECT_EQ(usb->manufacturer, "Acme Corp.");
  EXPECT_EQ(usb->product, "Graphing Calculator");

  const auto bare = ReadHidStrings(sysfs, "hidraw1");
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->serialNumber, std::nullopt);
  EXPECT_EQ(bare->manufacturer, std::nullopt);
  EXPECT_EQ(bare->product, std::nullopt) << "the made-up name is no product string";

  const auto virtualNode = ReadHidStrings(sysfs, "hidraw2");
  ASSERT_TRUE(virtualNode);
  EXPECT_EQ(virtualNode->serialNumber, "U-1");
  EXPECT_EQ(virtualNode->manufacturer, std::nullopt);
  EXPECT_EQ(virtualNode->product, "Virtual Calc");

  const auto nameless = ReadHidStrings(sysfs, "hidraw3");
  ASSERT_TRUE(nameless);
  EXPECT_EQ(nameless->product, std::nullopt);

  EXPECT_FALSE(ReadHidStrings(sysfs, "hidraw9"));
}

TEST(HidrawSysfsTest, NodesSortByNumberAndOthersAreLeftOut) {
  FakeHidrawTree tree;
  for (const char* name : {"hidraw11", "hidraw1", "hidraw", "hidraw2x", "hidraw-1", "hidraw9"}) {
    tree.AddEntry(name);
  }
  EXPECT_EQ(ListHidrawNodes(tree.Roots().sysfs),
            (std::vector<std::string>{"hidraw1", "hidraw9", "hidraw11"}));
  EXPECT_TRUE(ListHidrawNodes(tree.Roots().sysfs / "absent").empty());
}

}  // namespace
}  // namespace usblink::linux_hid
