#include "platform/os/SessionLogFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace usblink {
namespace {

// Sets a variable for one test and puts the old value back after it.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value == nullptr) {
      ::unsetenv(name);
    } else {
      ::setenv(name, value, 1);
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;
  ~ScopedVariable() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(SessionLogFolderTest, TheStateFolderOrItsDefaultUnderHome) {
  ScopedVariable home("HOME", "/home/user");
  {
    ScopedVariable state("XDG_STATE_HOME", "/tmp/state");
    EXPECT_EQ(SessionLogFolder(), std::filesystem::path("/tmp/state/usblink"));
  }
  for (const char* unusable : {static_cast<const char*>(nullptr), "", "relative/state"}) {
    ScopedVariable state("XDG_STATE_HOME", unusable);
    EXPECT_EQ(SessionLogFolder(), std::filesystem::path("/home/user/.local/state/usblink"));
  }
}

TEST(SessionLogFolderTest, NoneWithoutStateFolderOrHome) {
  ScopedVariable state("XDG_STATE_HOME", nullptr);
  ScopedVariable home("HOME", nullptr);
  EXPECT_EQ(SessionLogFolder(), std::nullopt);
}

}  // namespace
}  // namespace usblink
