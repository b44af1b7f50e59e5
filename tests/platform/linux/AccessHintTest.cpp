#include "platform/hid/linux/NodeAccess.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/linux/FakeHidrawTree.h"

namespace usblink::linux_hid {
namespace {

constexpr const char* kCalculatorId = "0003:000004FC:00000C77";
constexpr uid_t kNobody = 65534;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The denied node as an unprivileged user sees it; root opens any node, so a
// child process gives up root first.
bool DeniedAsUnprivilegedIs(const HidrawRoots& roots,
                            const std::optional<std::filesystem::path>& node) {
  if (::geteuid() != 0) return DeniedCalculatorNode(roots) == node;
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
    ::_exit(DeniedCalculatorNode(roots) == node ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(AccessHintTest, ShippedRuleIsTheOneTheHintNames) {
  std::ifstream rules(std::string(USBLINK_PACKAGING_DIR) + "/" + kUdevRuleFile);
  ASSERT_TRUE(rules.is_open());
  std::string rule;
  for (std::string line; std::getline(rules, line);) {
    if (!line.empty() && line[0] != '#') rule = line;
  }
  EXPECT_EQ(rule, kUdevRule);
}

TEST(AccessHintTest, NamesNodeRuleAndTheCommandsThatLoadIt) {
  const std::string hint = AccessHintText("/dev/hidraw4");
  EXPECT_TRUE(Contains(hint, "/dev/hidraw4"));
  EXPECT_TRUE(Contains(
      hint, std::string("echo '") + kUdevRule + "' | sudo tee /etc/udev/rules.d/70-usblink.rules"));
  EXPECT_TRUE(Contains(hint, "sudo udevadm control --reload-rules"));
  EXPECT_TRUE(Contains(hint, "sudo udevadm trigger"));
}

TEST(AccessHintTest, OnlyACalculatorNodeThatRefusesTheUserGetsAHint) {
  FakeHidrawTree tree;
  tree.AddNode(0, "0003:0000046D:0000C31C");
  tree.AddNode(1, kCalculatorId);
  // Only the other device refuses the user; the calculator's node opens.
  ::chmod(tree.DevPath(0).c_str(), 0);
  ::chmod(tree.DevPath(1).c_str(), 0666);
  EXPECT_TRUE(DeniedAsUnprivilegedIs(tree.Roots(), std::nullopt));

  ::chmod(tree.DevPath(1).c_str(), 0);
  EXPECT_TRUE(DeniedAsUnprivilegedIs(tree.Roots(), tree.DevPath(1)));
}

TEST(AccessHintTest, NoHintWithoutACalculatorNode) {
  FakeHidrawTree tree;
  EXPECT_FALSE(DeniedCalculatorNode(tree.Roots()));
  tree.AddNode(2, kCalculatorId);
  std::filesystem::remove(tree.DevPath(2));  // listed in sysfs, but no device node
  EXPECT_FALSE(DeniedCalculatorNode(tree.Roots()));
}

TEST(AccessHintTest, TheWindowsLineNamesNodeRuleAndTheReadmeSectionThatExists) {
  const std::string line = AccessHintLine("/dev/hidraw4");
  EXPECT_EQ(line.find('\n'), std::string::npos);
  EXPECT_TRUE(Contains(line, "/dev/hidraw4"));
  EXPECT_TRUE(Contains(line, kUdevRuleFile));
  EXPECT_TRUE(Contains(line, std::string("\"") + kReadmeSection + "\" in the README"));
  // The section is there and tells where the rule goes.
  std::ifstream readme(std::string(USBLINK_README));
  ASSERT_TRUE(readme.is_open());
  bool inSection = false;
  bool namesRule = false;
  for (std::string text; std::getline(readme, text);) {
    if (text.starts_with('#')) inSection = text.ends_with(std::string(" ") + kReadmeSection);
    if (inSection && Contains(text, kUdevRuleFile)) namesRule = true;
  }
  EXPECT_TRUE(namesRule);
}

}  // namespace
}  // namespace usblink::linux_hid
