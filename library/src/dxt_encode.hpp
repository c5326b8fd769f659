// Level encoding on a chosen number of threads, for the tests and benchmarks; the library
// itself calls EncodeDxtImage, which picks the count.
#pragma once

#include "dxt.hpp"

namespace ormel::dxt {

// As EncodeDxtImage, with the block rows split among up to `threads` threads (0 or 1: only the
// calling thread). Blocks are independent, so the bytes never depend on the split.
void EncodeDxtImageOnThreads(ConstBytes pixels, std::uint32_t width, std::uint32_t height,
                             int bytesPerPixel, bool alphaBlock, bool dithering, Bytes out,
                             unsigned threads);

}  // namespace ormel::dxt
