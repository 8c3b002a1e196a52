// Which machine code lays masks over pixels. Every path computes exactly the
// same bytes; they differ only in how many pixels one instruction handles. The
// program takes the widest path the CPU runs when it starts; the tests force
// each path in turn to check that they agree.
#pragma once

namespace tga {

enum class BlendPath {
    Baseline,  // the portable loops, vectorised for what every CPU of the target runs (SSE2 on x86-64)
    Avx2,      // 256-bit vectors for 4-byte pixels under 32-bit masks on x86 CPUs with AVX2; other layouts as Baseline
};

// Whether this build has the path and this CPU (and its operating system) can
// run it.
bool blendPathAvailable(BlendPath path);

// The path the program takes by itself: the widest available one.
BlendPath bestBlendPath();

// Makes every later blend take `path`. False, with nothing changed, when the
// path is not available.
bool forceBlendPath(BlendPath path);

}  // namespace tga
