// Replacing a file all or nothing: the new bytes go to a temporary file
// beside the target, which takes the target's place only once every write,
// the flush and the close have succeeded.
#include "platform/file_faults.h"
#include "platform/platform.h"
#include "platform/replacement_steps.h"

namespace platform {

ReplacementFile::~ReplacementFile() {
    discard();
}

bool ReplacementFile::open(const std::string& name) {
    discard();
    failed_ = false;
    if (shouldFail(FileOp::Open) || !replacement::chooseTarget(name, target_)) return false;
    stream_ = replacement::createTemporaryBeside(target_, temporary_);
    return stream_ != nullptr;
}

bool ReplacementFile::write(const void* data, std::size_t size) {
    if (stream_ == nullptr || failed_) return false;
    if (shouldFail(FileOp::Write) || std::fwrite(data, 1, size, stream_) != size) {
        failed_ = true;
    }
    return !failed_;
}

bool ReplacementFile::commit() {
    if (stream_ == nullptr || failed_) {
        discard();
        return false;
    }
    bool ok = !shouldFail(FileOp::Flush) && std::fflush(stream_) == 0;
    bool closeFailed = shouldFail(FileOp::Close);
    if (std::fclose(stream_) != 0) closeFailed = true;
    stream_ = nullptr;
    ok = ok && !closeFailed && !shouldFail(FileOp::Rename) && replacement::swapIn(temporary_, target_);
    if (!ok) {
        discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void ReplacementFile::discard() {
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (!temporary_.empty()) {
        replacement::removeTemporary(temporary_);
        temporary_.clear();
    }
}

}  // namespace platform
