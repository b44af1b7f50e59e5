#include "protocol/Result.h"

#include <gtest/gtest.h>

#include <memory>
#include <variant>

#include "protocol/Outcome.h"

namespace usblink {
namespace {

TEST(ResultTest, HoldsAValueOrTheFailureAndNeverHandsOutTheOther) {
  Result<std::unique_ptr<int>> value = std::make_unique<int>(7);
  ASSERT_TRUE(value);
  EXPECT_EQ(**value, 7);
  EXPECT_THROW((void)value.Error(), std::bad_variant_access);
  // A value that cannot be copied is moved out whole.
  const std::unique_ptr<int> taken = *std::move(value);
  EXPECT_EQ(*taken, 7);

  const Result<int> failed = Failure{kExitFileError, "Cannot open \"a.UD\""};
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error(), (Failure{kExitFileError, "Cannot open \"a.UD\""}));
  EXPECT_THROW((void)*failed, std::bad_variant_access);
}

TEST(ResultTest, AResultWithoutAValueIsDoneOrFailed) {
  const Result<void> done;
  EXPECT_TRUE(done);
  EXPECT_THROW((void)done.Error(), std::bad_optional_access);
  const Result<void> failed = Failure{kExitUsage, "no command given"};
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.Error().exitStatus, kExitUsage);
  EXPECT_EQ(failed.Error().message, "no command given");
}

}  // namespace
}  // namespace usblink
