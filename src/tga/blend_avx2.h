// The blend in 256-bit vectors for the layout the writer blends every block
// in: 4-byte image pixels under 32-bit masks. Compiled for AVX2 whatever the
// rest of the program is compiled for; to be called only where the CPU has it.
#pragma once

#include <cstddef>
#include <cstdint>

// GCC and Clang building for x86 can compile single functions for AVX2 and ask
// the CPU at run time whether it has it.
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define BD_BLEND_AVX2 1
#else
#define BD_BLEND_AVX2 0
#endif

namespace tga {

#if BD_BLEND_AVX2
// Lays mask pixel i (blue, green, red, alpha) over image pixel i for i <
// count, exactly as blendRun does, and puts the result at out (which may be
// the image itself). With imageHasAlpha false the image's fourth byte is no
// alpha and the image counts as opaque. The fourth byte of each pixel is kept
// as it was.
void blendOver32BitMaskAvx2(const std::uint8_t* image, std::uint8_t* out, bool imageHasAlpha,
                            const std::uint8_t* mask, std::size_t count);

// Widens 3-byte pixels to 4-byte ones, as widenRun does; returns how many it
// did (all but a few at the end).
std::size_t widenAvx2(const std::uint8_t* in, std::uint8_t* out, std::size_t count, std::uint8_t alpha);
#endif

}  // namespace tga
