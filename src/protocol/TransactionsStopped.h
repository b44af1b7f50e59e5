#pragma once
// Thrown before a command's report is sent once the front end asked to stop:
// the command unwinds between two transactions, closing its files on the way.

#include <stdexcept>

namespace usblink {

class TransactionsStopped : public std::runtime_error {
 public:
  TransactionsStopped() : std::runtime_error("stopped between two transactions") {}
};

}  // namespace usblink
