// Replacing a file all or nothing: the new bytes go to a temporary file
// beside the target, which takes the target's place only once every write
// and the close have succeeded.
#include <cstring>

#include "platform/file_faults.h"
#include "platform/files.h"
#include "platform/replacement_steps.h"

namespace platform {

ReplacementFile::~ReplacementFile() {
    discard();
}

bool ReplacementFile::open(Folder& folder, const std::string& name, const MadeFrom& from) {
    discard();
    failed_ = false;
    heldSize_ = 0;
    if (shouldFail(FileOp::Open) || !replacement::chooseTarget(folder, name, from, target_)) return false;
    handle_ = replacement::createTemporaryBeside(target_, temporary_);
    return handle_ != kNoHandle;
}

bool ReplacementFile::write(const void* data, std::size_t size) {
    if (handle_ == kNoHandle || failed_) return false;
    // A write that fails fails here, whether or not its bytes are held back.
    if (shouldFail(FileOp::Write)) return giveUp();
    if (heldSize_ + size <= sizeof held_) {
        if (size > 0) std::memcpy(held_ + heldSize_, data, size);
        heldSize_ += size;
        return true;
    }
    const bool written = replacement::writeAll(handle_, held_, heldSize_, data, size);
    heldSize_ = 0;
    return written || giveUp();
}

bool ReplacementFile::giveUp() {
    // What the temporary file holds goes at once: on a full disk its space
    // is what the next files need.
    failed_ = true;
    discard();
    return false;
}

bool ReplacementFile::commit() {
    if (handle_ == kNoHandle || failed_) {
        discard();
        return false;
    }
    bool ok = !shouldFail(FileOp::Flush) && replacement::writeAll(handle_, held_, heldSize_, nullptr, 0) &&
              replacement::finish(handle_, target_);
    bool closeFailed = shouldFail(FileOp::Close);
    if (!replacement::close(handle_)) closeFailed = true;
    handle_ = kNoHandle;
    ok = ok && !closeFailed && !shouldFail(FileOp::Rename) && replacement::swapIn(temporary_, target_);
    if (!ok) {
        discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void ReplacementFile::discard() {
    if (handle_ != kNoHandle) {
        replacement::close(handle_);
        handle_ = kNoHandle;
    }
    if (!temporary_.empty()) {
        replacement::removeTemporary(target_, temporary_);
        temporary_.clear();
    }
}

bool canWriteInto(Folder& folder) {
    if (!replacement::folderTakesFiles(folder)) return false;
    ReplacementTarget target;
    target.folder = &folder;
    std::string temporary;
    FileHandle handle = replacement::createTemporaryBeside(target, temporary);
    if (handle == kNoHandle) return false;
    replacement::close(handle);
    replacement::removeTemporary(target, temporary);
    return true;
}

}  // namespace platform
