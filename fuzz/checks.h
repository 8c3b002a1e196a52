// The properties the fuzz targets check on every input. The same functions
// replay the regression corpus in the normal test suite, so an input that
// once broke a property keeps being checked by every build.
//
// The checks of the codec work on byte buffers alone; the check of a run
// works in the current directory, which must be an empty scratch directory
// of the caller's, and leaves it empty again. Each returns an empty string
// when every property holds, else a description of the first one that
// failed. Memory errors are left to the sanitizers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz_checks {

using Bytes = std::vector<std::uint8_t>;

// The bytes as a TGA file, decoded. A full picture must survive an encoding
// and a decoding with every pixel kept, in exactly the promised size; a
// record without one must hold no more than the bounded pixel buffer.
std::string checkReader(const std::uint8_t* data, std::size_t size);

// The bytes as a PNG file, decoded by loadPng. Bytes that are no whole
// picture leave the record empty; a picture comes as 32 bits in exactly the
// promised buffer, never with more pixel bytes than its file can hold
// (1032 x 4 per byte, or the bounded buffer of a record without backing;
// only the latter for a file of at most 1016 bytes; above 4096 x 4096, no
// more than 256 per byte), and survives an encoding as TGA and a decoding
// with every pixel kept. A second decoding gives the same record.
std::string checkPng(const std::uint8_t* data, std::size_t size);

// Two images made from the bytes (sizes, depths and pixels), the second
// blended over the first: only colour bytes of the first may change, the
// mask not at all, and an opaque mask pixel must come through as it is.
// Writing the blend on the fly (saveBlended) must give the very bytes of
// blending a copy and saving that.
std::string checkBlend(const std::uint8_t* data, std::size_t size);

// A small folder made from the bytes (see BatchInput) run through the tool:
// every file it does not rewrite keeps its bytes, every file it writes is a
// complete picture, and no other file appears.
std::string checkBatch(const std::uint8_t* data, std::size_t size);

}  // namespace fuzz_checks
