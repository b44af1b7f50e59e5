#include "platform/os/StagedFile.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "support/TempDirectory.h"

namespace usblink {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const Bytes kOld(300, 0xAA);

Bytes Pattern(std::size_t length) {
  Bytes bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  return bytes;
}

// As the read-back writes: a chunk at a time, each handed to the system.
void WriteInChunks(std::FILE* stream, const Bytes& bytes) {
  for (std::size_t at = 0; at < bytes.size(); at += 60) {
    const auto count = std::min<std::size_t>(60, bytes.size() - at);
    ASSERT_EQ(std::fwrite(bytes.data() + at, 1, count, stream), count);
    ASSERT_EQ(std::fflush(stream), 0);
  }
}

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

StagedFile Stage(const fs::path& target) {
  std::error_code error;
  auto staged = StagedFile::Create(target, error);
  if (!staged) throw std::runtime_error("cannot stage: " + error.message());
  return std::move(*staged);
}

TEST(StagedFileTest, CommitReplacesTheTargetWholeAndLeavesNothingElse) {
  const testing::TempDirectory dir;
  const auto target = dir.Write("Load.bin", kOld);
  auto staged = Stage(target);
  WriteInChunks(staged.Stream(), Pattern(1000));

  EXPECT_EQ(dir.Read("Load.bin"), kOld);
  ASSERT_EQ(Names(dir.Path()).size(), 2U);  // the staging file sits beside it
#ifndef _WIN32
  for (const auto& entry : fs::directory_iterator(dir.Path())) {
    if (entry.path() != target) {
      EXPECT_EQ(entry.status().permissions(), fs::perms::owner_read | fs::perms::owner_write);
    }
  }
#endif
  EXPECT_FALSE(staged.Commit());
  EXPECT_EQ(dir.Read("Load.bin"), Pattern(1000));
  EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"Load.bin"});
  EXPECT_EQ(staged.Stream(), nullptr);
}

TEST(StagedFileTest, AnEndWithoutCommitKeepsTheTargetAndThePartial) {
  const testing::TempDirectory dir;
  const auto target = dir.Write("backup.bin", kOld);
  dir.Write("backup.bin.partial", Pattern(5000));  // from an earlier run
  auto staged = Stage(target);
  WriteInChunks(staged.Stream(), Pattern(2680));

  std::error_code error;
  const auto kept = staged.KeepPartial(error);
  EXPECT_FALSE(error);
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->path, dir.Path() / "backup.bin.partial");
  EXPECT_EQ(kept->length, 2680U);
  EXPECT_EQ(dir.Read("backup.bin.partial"), Pattern(2680));
  EXPECT_EQ(dir.Read("backup.bin"), kOld);
  EXPECT_EQ(Names(dir.Path()), (std::set<std::string>{"backup.bin", "backup.bin.partial"}));
}

TEST(StagedFileTest, UnwindingKeepsThePartialAndAnEmptyRunLeavesNoFile) {
  const testing::TempDirectory dir;
  try {
    auto staged = Stage(dir.Path() / "Load.bin");
    WriteInChunks(staged.Stream(), Pattern(120));
    throw std::runtime_error("device failure");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(dir.Read("Load.bin.partial"), Pattern(120));

  auto empty = Stage(dir.Path() / "new.bin");
  std::error_code error;
  EXPECT_FALSE(empty.KeepPartial(error));
  { auto dropped = Stage(dir.Path() / "other.bin"); }
  EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"Load.bin.partial"});
}

TEST(StagedFileTest, AStreamThatFailedAWriteIsNeverCommitted) {
  const testing::TempDirectory dir;
  const auto target = dir.Write("Load.bin", kOld);
  auto staged = Stage(target);
  WriteInChunks(staged.Stream(), Pattern(60));
  std::fgetc(staged.Stream());  // a read on a stream for writing
  if (!std::ferror(staged.Stream())) GTEST_SKIP() << "this C library flags no error for it";
  EXPECT_TRUE(staged.Commit());
  EXPECT_EQ(dir.Read("Load.bin"), kOld);
}

TEST(StagedFileTest, AFailedRenameNeverReachesTheTargetNorLosesTheBytes) {
  const testing::TempDirectory dir;
  // A folder in the target's place makes the rename fail.
  auto failedRename = Stage(dir.Path() / "busy");
  WriteInChunks(failedRename.Stream(), Pattern(90));
  fs::create_directory(dir.Path() / "busy");
  dir.Write("busy/inside", kOld);
  EXPECT_TRUE(failedRename.Commit());
  std::error_code error;
  const auto kept = failedRename.KeepPartial(error);
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->length, 90U);
  EXPECT_EQ(dir.Read("busy.partial"), Pattern(90));
  EXPECT_EQ(dir.Read("busy/inside"), kOld);

  // No place for the partial file either: the bytes stay where they are.
  auto nowhere = Stage(dir.Path() / "late");
  WriteInChunks(nowhere.Stream(), Pattern(30));
  fs::create_directory(dir.Path() / "late.partial");
  dir.Write("late.partial/inside", kOld);
  const auto stayed = nowhere.KeepPartial(error);
  EXPECT_TRUE(error);
  ASSERT_TRUE(stayed);
  EXPECT_EQ(stayed->path.parent_path(), dir.Path());
  EXPECT_EQ(dir.Read(stayed->path.filename().string()), Pattern(30));
}

TEST(StagedFileTest, FoldersAndDevicesAreRefusedAndALinkStays) {
  const testing::TempDirectory dir;
  std::error_code error;
  EXPECT_FALSE(StagedFile::Create(dir.Path(), error));
  EXPECT_EQ(error, std::errc::is_a_directory);
#ifndef _WIN32
  EXPECT_FALSE(StagedFile::Create("/dev/null", error));
  EXPECT_EQ(error, std::errc::not_supported);

  fs::create_directory(dir.Path() / "keep");
  dir.Write("keep/image.bin", kOld);
  fs::create_symlink("keep/image.bin", dir.Path() / "link.bin");
  auto staged = Stage(dir.Path() / "link.bin");
  WriteInChunks(staged.Stream(), Pattern(10));
  EXPECT_FALSE(staged.Commit());
  EXPECT_TRUE(fs::is_symlink(dir.Path() / "link.bin"));
  EXPECT_EQ(dir.Read("keep/image.bin"), Pattern(10));
#endif
}

}  // namespace
}  // namespace usblink
