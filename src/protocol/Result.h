#pragma once
// The one way to fail above the platform: a value, or the failure that took
// its place, told once where it happens with the exit status a run ends
// with. Only a transaction unwinds otherwise (DeviceFailure,
// TransactionsStopped), since every caller on the way closes the device.

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace usblink {

struct Failure {
  int exitStatus;       // one of kExitStatuses
  std::string message;  // what happened and what to do, as the user reads it
  friend bool operator==(const Failure&, const Failure&) = default;
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

  [[nodiscard]] explicit operator bool() const { return state_.index() == 0; }
  // The value; only when there is one.
  [[nodiscard]] T& operator*() & { return std::get<0>(state_); }
  [[nodiscard]] const T& operator*() const& { return std::get<0>(state_); }
  [[nodiscard]] T&& operator*() && { return std::get<0>(std::move(state_)); }
  [[nodiscard]] T* operator->() { return &std::get<0>(state_); }
  [[nodiscard]] const T* operator->() const { return &std::get<0>(state_); }
  // The failure; only when there is no value.
  [[nodiscard]] const Failure& Error() const { return std::get<1>(state_); }

 private:
  std::variant<T, Failure> state_;
};

// Done, or the failure that stopped it.
template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Failure failure) : failure_(std::move(failure)) {}

  [[nodiscard]] explicit operator bool() const { return !failure_; }
  [[nodiscard]] const Failure& Error() const { return failure_.value(); }

 private:
  std::optional<Failure> failure_;
};

}  // namespace usblink
