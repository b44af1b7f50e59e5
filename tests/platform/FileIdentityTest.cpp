#include "platform/os/FileIdentity.h"

#include <gtest/gtest.h>

#include "support/TempDirectory.h"

namespace usblink {
namespace {

namespace fs = std::filesystem;

bool SameFile(const fs::path& a, const fs::path& b) { return SameFile(NamedFile(a), NamedFile(b)); }

TEST(FileIdentityTest, OneFileWhateverItsSpelling) {
  const testing::TempDirectory dir;
  const auto image = dir.Write("image.UD", std::vector<std::uint8_t>{1, 2, 3});
  const auto twin = dir.Write("twin.UD", std::vector<std::uint8_t>{1, 2, 3});
  fs::create_directory(dir.Path() / "sub");

  EXPECT_TRUE(SameFile(image, dir.Path() / "." / "image.UD"));
  EXPECT_TRUE(SameFile(image, dir.Path() / "sub" / ".." / "image.UD"));
  const auto previous = fs::current_path();
  fs::current_path(dir.Path());
  EXPECT_TRUE(SameFile("image.UD", image));
  fs::current_path(previous);
  EXPECT_FALSE(SameFile(image, twin));  // same bytes, another file
  EXPECT_FALSE(SameFile(image, dir.Path() / "new.UD"));
}

TEST(FileIdentityTest, LinksNameTheFileTheyLeadTo) {
  const testing::TempDirectory dir;
  const auto image = dir.Write("image.UD", std::vector<std::uint8_t>{1});
  fs::create_hard_link(image, dir.Path() / "hard.UD");
  EXPECT_TRUE(SameFile(image, dir.Path() / "hard.UD"));

  std::error_code error;
  fs::create_symlink("image.UD", dir.Path() / "soft.UD", error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  fs::create_symlink(dir.Path() / "soft.UD", dir.Path() / "chain.UD");
  EXPECT_TRUE(SameFile(dir.Path() / "chain.UD", image));
  EXPECT_TRUE(SameFile(dir.Path() / "hard.UD", dir.Path() / "soft.UD"));
}

TEST(FileIdentityTest, FilesNotMadeYetCompareByWhereTheyWouldBeWritten) {
  const testing::TempDirectory dir;
  fs::create_directory(dir.Path() / "sub");
  EXPECT_TRUE(SameFile(dir.Path() / "new.bin", dir.Path() / "sub" / ".." / "new.bin"));
  EXPECT_FALSE(SameFile(dir.Path() / "new.bin", dir.Path() / "other.bin"));

  std::error_code error;
  fs::create_symlink("sub/new.bin", dir.Path() / "dangling", error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  EXPECT_TRUE(SameFile(dir.Path() / "dangling", dir.Path() / "sub" / "new.bin"));
  EXPECT_EQ(WrittenPath(dir.Path() / "dangling"), WrittenPath(dir.Path() / "sub/new.bin"));
}

}  // namespace
}  // namespace usblink
