// The "over" operator on eight pixels at a time, in AVX2. Every lane does
// exactly what the portable loops of tga_blend.cpp do, so the bytes are the
// integer operator's (see the arguments there and the notes below).
#include "tga/blend_avx2.h"

#if BD_BLEND_AVX2

#include <immintrin.h>

#include <cstring>

#define BD_AVX2 __attribute__((target("avx2")))

namespace tga {
namespace {

constexpr std::size_t kPixelsPerVector = 8;
constexpr std::size_t kBytesPerPixel = 4;
constexpr char kZero = -128;  // a shuffle index that yields a zero byte

// x / 255 in every 16-bit lane, for x <= 65534: (x + 1 + (x >> 8)) >> 8. The
// sum stays below 2^16 there.
BD_AVX2 inline __m256i divideBy255Epi16(__m256i x) {
    __m256i sum = _mm256_add_epi16(_mm256_add_epi16(x, _mm256_set1_epi16(1)), _mm256_srli_epi16(x, 8));
    return _mm256_srli_epi16(sum, 8);
}

// The same in 32-bit lanes, for the same x.
BD_AVX2 inline __m256i divideBy255Epi32(__m256i x) {
    __m256i sum = _mm256_add_epi32(_mm256_add_epi32(x, _mm256_set1_epi32(1)), _mm256_srli_epi32(x, 8));
    return _mm256_srli_epi32(sum, 8);
}

// Over an opaque image: colour = (over * aMask + colour * (255 - aMask)) /
// 255. Both products and their sum stay within 255 * 255, so it is all done in
// 16-bit lanes, one per byte. The caller replaces the alpha byte it gives.
BD_AVX2 inline __m256i blendOverOpaque(__m256i image, __m256i mask) {
    const __m256i zero = _mm256_setzero_si256();
    // Unpacking works within each 128-bit half: the low bytes are pixels 0, 1
    // and 4, 5, the high bytes pixels 2, 3 and 6, 7. These shuffles put each
    // of those pixels' mask alpha into the 16-bit lanes of its bytes.
    const __m256i alphaOfLowPixels =
        _mm256_setr_epi8(3, kZero, 3, kZero, 3, kZero, 3, kZero, 7, kZero, 7, kZero, 7, kZero, 7, kZero,
                         3, kZero, 3, kZero, 3, kZero, 3, kZero, 7, kZero, 7, kZero, 7, kZero, 7, kZero);
    const __m256i alphaOfHighPixels =
        _mm256_setr_epi8(11, kZero, 11, kZero, 11, kZero, 11, kZero, 15, kZero, 15, kZero, 15, kZero, 15, kZero,
                         11, kZero, 11, kZero, 11, kZero, 11, kZero, 15, kZero, 15, kZero, 15, kZero, 15, kZero);
    const __m256i opaque = _mm256_set1_epi16(255);

    __m256i aMaskLow = _mm256_shuffle_epi8(mask, alphaOfLowPixels);
    __m256i aMaskHigh = _mm256_shuffle_epi8(mask, alphaOfHighPixels);
    __m256i low = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(mask, zero), aMaskLow),
                                   _mm256_mullo_epi16(_mm256_unpacklo_epi8(image, zero),
                                                      _mm256_sub_epi16(opaque, aMaskLow)));
    __m256i high = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(mask, zero), aMaskHigh),
                                    _mm256_mullo_epi16(_mm256_unpackhi_epi8(image, zero),
                                                       _mm256_sub_epi16(opaque, aMaskHigh)));
    return _mm256_packus_epi16(divideBy255Epi16(low), divideBy255Epi16(high));
}

// Over an image with alpha: wImage = (255 - aMask) * aImage / 255, total =
// aMask + wImage, colour = (over * aMask + colour * wImage) / total, and a
// pixel with total 0 keeps its colour (`keep` gets all ones for it). One
// 32-bit lane per pixel for the weights. For the colours, each 32-bit lane
// holds the 16-bit pair (over, colour) of one byte, and one multiply-add with
// the pixel's pair (aMask, wImage) gives the numerator, exactly: all four
// factors are at most 255, and the sum at most 255 * total. The numerator and
// the divisor are exact in float, and the truncated float quotient is the
// integer quotient, as in the portable loop. The caller replaces the alpha
// byte.
BD_AVX2 inline __m256i blendOverTranslucent(__m256i image, __m256i mask, __m256i& keep) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i aImage = _mm256_srli_epi32(image, 24);
    __m256i aMask = _mm256_srli_epi32(mask, 24);
    __m256i wImage =
        divideBy255Epi32(_mm256_mullo_epi32(_mm256_sub_epi32(_mm256_set1_epi32(255), aMask), aImage));
    __m256i total = _mm256_add_epi32(aMask, wImage);
    keep = _mm256_cmpeq_epi32(total, zero);
    // Total 0 divides by 1 instead (keep = -1 there); that quotient is dropped.
    __m256 divisor = _mm256_cvtepi32_ps(_mm256_sub_epi32(total, keep));
    __m256i weights = _mm256_or_si256(aMask, _mm256_slli_epi32(wImage, 16));

    // (over, colour) byte pairs widened to 16-bit pairs; as unpacking is per
    // 128-bit half, part j has pixels j, j + 4.
    __m256i pairsLow = _mm256_unpacklo_epi8(mask, image);
    __m256i pairsHigh = _mm256_unpackhi_epi8(mask, image);
    __m256i part[4] = {_mm256_unpacklo_epi8(pairsLow, zero), _mm256_unpackhi_epi8(pairsLow, zero),
                       _mm256_unpacklo_epi8(pairsHigh, zero), _mm256_unpackhi_epi8(pairsHigh, zero)};
    // Pixel j's weights and divisor, and pixel j + 4's, spread over their
    // bytes' lanes.
    __m256i partWeights[4] = {_mm256_shuffle_epi32(weights, 0x00), _mm256_shuffle_epi32(weights, 0x55),
                              _mm256_shuffle_epi32(weights, 0xAA), _mm256_shuffle_epi32(weights, 0xFF)};
    __m256 partDivisor[4] = {_mm256_permute_ps(divisor, 0x00), _mm256_permute_ps(divisor, 0x55),
                             _mm256_permute_ps(divisor, 0xAA), _mm256_permute_ps(divisor, 0xFF)};
    __m256i quotient[4];
    for (int j = 0; j < 4; ++j) {
        __m256i numerator = _mm256_madd_epi16(part[j], partWeights[j]);
        quotient[j] = _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(numerator), partDivisor[j]));
    }
    // Packing also works per half, which puts the pixels back in order.
    return _mm256_packus_epi16(_mm256_packus_epi32(quotient[0], quotient[1]),
                               _mm256_packus_epi32(quotient[2], quotient[3]));
}

// Eight pixels. Groups whose image pixels are all opaque take the cheaper
// arithmetic, which gives the same bytes there.
BD_AVX2 inline void blendEightPixels(const std::uint8_t* image, std::uint8_t* out, bool imageHasAlpha,
                                     const std::uint8_t* mask) {
    const __m256i alphaBytes = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(image));
    __m256i over = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mask));
    // A mask clear over all eight pixels gives every colour back: common
    // inside a frame or bevel.
    if (_mm256_testz_si256(over, alphaBytes)) {
        if (out != image) _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), pixels);
        return;
    }
    __m256i blended;
    __m256i keep = alphaBytes;
    if (!imageHasAlpha || _mm256_testc_si256(pixels, alphaBytes)) {
        blended = blendOverOpaque(pixels, over);
    } else {
        blended = blendOverTranslucent(pixels, over, keep);
        keep = _mm256_or_si256(keep, alphaBytes);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_blendv_epi8(blended, pixels, keep));
}

}  // namespace

BD_AVX2 void blendOver32BitMaskAvx2(const std::uint8_t* image, std::uint8_t* out, bool imageHasAlpha,
                                    const std::uint8_t* mask, std::size_t count) {
    std::size_t done = 0;
    for (; done + kPixelsPerVector <= count; done += kPixelsPerVector) {
        blendEightPixels(image + done * kBytesPerPixel, out + done * kBytesPerPixel, imageHasAlpha,
                         mask + done * kBytesPerPixel);
    }
    if (done == count) return;
    // The last few pixels go through a full vector of copies, so that no byte
    // outside the run is read or written.
    std::uint8_t imageTail[kPixelsPerVector * kBytesPerPixel] = {};
    std::uint8_t maskTail[kPixelsPerVector * kBytesPerPixel] = {};
    const std::size_t tailBytes = (count - done) * kBytesPerPixel;
    std::memcpy(imageTail, image + done * kBytesPerPixel, tailBytes);
    std::memcpy(maskTail, mask + done * kBytesPerPixel, tailBytes);
    blendEightPixels(imageTail, imageTail, imageHasAlpha, maskTail);
    std::memcpy(out + done * kBytesPerPixel, imageTail, tailBytes);
}

BD_AVX2 std::size_t widenAvx2(const std::uint8_t* in, std::uint8_t* out, std::size_t count, std::uint8_t alpha) {
    // Eight pixels a step: two 16-byte loads, 12 bytes apart, hold four pixels
    // each in their first 12 bytes; one shuffle per 128-bit half spreads them
    // to 4 bytes each, and the alpha fills the gaps.
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, kZero, 3, 4, 5, kZero, 6, 7, 8, kZero, 9, 10, 11, kZero,
                                            0, 1, 2, kZero, 3, 4, 5, kZero, 6, 7, 8, kZero, 9, 10, 11, kZero);
    const __m256i alphas = _mm256_set1_epi32(static_cast<int>(std::uint32_t{alpha} << 24));
    std::size_t done = 0;
    // The second load reads 4 bytes past the step's 24: stop while the pixels
    // themselves still hold them.
    for (; done + kPixelsPerVector + 2 <= count; done += kPixelsPerVector) {
        const std::uint8_t* from = in + done * 3;
        __m256i pixels = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 12)), 1);
        __m256i widened = _mm256_or_si256(_mm256_shuffle_epi8(pixels, spread), alphas);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + done * kBytesPerPixel), widened);
    }
    return done;
}

}  // namespace tga

#endif  // BD_BLEND_AVX2
