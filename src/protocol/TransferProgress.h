#pragma once
// How far a transfer has come, counted in blocks, for front ends that show
// more than the progress caption: a bar, a count.

namespace usblink {

enum class Transfer { Download, ReadBack };

struct TransferProgress {
  Transfer transfer;
  int blocksDone;
  int blocksInAll;
  friend bool operator==(const TransferProgress&, const TransferProgress&) = default;
};

}  // namespace usblink
