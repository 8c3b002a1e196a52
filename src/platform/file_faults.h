// A seam for tests: makes chosen file operations fail as a full disk, a
// vanished file or a refused rename would, so that every error path of the
// tool can be driven on purpose. Production code never arms it.
#pragma once

namespace platform {

enum class FileOp { Open, Write, Flush, Close, Rename, Count };

// Makes the n-th call (1 = the next one) of `op` from now on fail.
void failNth(FileOp op, int n);
// Disarms every planned failure and restarts the counts.
void clearFaults();
// Consulted by the platform layer before each operation: true when this
// call is the one planned to fail.
bool shouldFail(FileOp op);

}  // namespace platform
