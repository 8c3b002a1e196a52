#include "batch/picture_files.h"

#include <algorithm>
#include <limits>
#include <new>
#include <stdexcept>

#include "platform/names.h"

namespace {

// A file up to this size is read whole in one go; of a larger one, no more
// than its header says the codec can need.
constexpr std::uint64_t kReadWholeBelow = 16 * 1024 * 1024;

// Reads the file's bytes up to `size` in all, behind those already in
// `bytes`, into a buffer with room for the slack behind them: the codec
// then makes its pixel buffer of it without moving it.
void readUpTo(platform::InputFile& file, tga::ByteBuffer& bytes, std::uint64_t size) {
    if (size + tga::kSlackBytes > std::numeric_limits<std::size_t>::max()) throw std::bad_alloc();
    const std::size_t had = bytes.size();
    bytes.reserve(static_cast<std::size_t>(size + tga::kSlackBytes));
    if (size <= had) return bytes.resize(static_cast<std::size_t>(size));
    bytes.resize(static_cast<std::size_t>(size));
    bytes.resize(had + file.read(bytes.data() + had, bytes.size() - had));
}

// Passes the bytes on to the file, keeping a copy where asked.
class FileSink final : public tga::ByteSink {
public:
    FileSink(platform::ReplacementFile& file, tga::ByteBuffer* keep) : file_(file), keep_(keep) {}
    bool write(const std::uint8_t* bytes, std::size_t size) override {
        if (keep_ != nullptr) {
            try {
                keep_->insert(keep_->end(), bytes, bytes + size);
            } catch (const std::bad_alloc&) {
                tga::ByteBuffer().swap(*keep_);
                keep_ = nullptr;
            }
        }
        return file_.write(bytes, size);
    }

private:
    platform::ReplacementFile& file_;
    tga::ByteBuffer* keep_;
};

}  // namespace

bool loadPicture(platform::Folder& folder, const std::string& name, TgaImage& image, platform::Readers* readers) {
    platform::InputFile file;
    if (!file.open(folder, name)) return false;
    tga::ByteBuffer bytes;
    try {
        // The header is asked for whatever the size says: a file may hold
        // more than its size tells (a file of /proc).
        std::uint64_t worth = std::max<std::uint64_t>(file.size(), tga::kHeaderLength);
        if (worth > kReadWholeBelow && !platform::hasPngExtension(name)) {
            readUpTo(file, bytes, tga::kHeaderBlockSize);
            worth = tga::bytesWorthReading(bytes.data(), bytes.size(), file.size());
        }
        readUpTo(file, bytes, worth);
    } catch (const std::bad_alloc&) {
        // A 32-bit process runs out of address space for a file of a
        // gigabyte or so: such a file is as good as one not found.
        image.release();
        return false;
    } catch (const std::length_error&) {  // more than a vector can hold
        image.release();
        return false;
    }
    if (readers != nullptr) *readers = file.readers();
    // A PNG file is read whole; one that is no picture the decoder takes
    // leaves the record empty.
    if (platform::hasPngExtension(name)) {
        image.loadPng(bytes.data(), bytes.size());
        return true;
    }
    return image.load(std::move(bytes));
}

bool writePicture(platform::Folder& folder, const std::string& name, const platform::MadeFrom& from,
                  const std::function<bool(tga::ByteSink&)>& encode, const KeptCopy& keep) {
    platform::ReplacementFile file;
    if (!file.open(folder, name, from)) return false;
    if (keep.writtenAs != nullptr) *keep.writtenAs = file.name();
    FileSink sink(file, keep.bytes);
    return encode(sink) && file.commit();
}
