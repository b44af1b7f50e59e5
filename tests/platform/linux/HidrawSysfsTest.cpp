#include "platform/linux/HidrawSysfs.h"

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
