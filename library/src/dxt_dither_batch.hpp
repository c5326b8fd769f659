// The in-block dither of the colour fit for eight blocks at once: the error diffusion runs
// down a chain of 16 dependent steps per channel, so one block at a time leaves the core
// waiting; eight blocks side by side in vector lanes fill it.
#pragma once

#include "dxt_block_encoder.hpp"

namespace ormel::dxt {

inline constexpr int kDitherBatch = 8;

// The same bytes as DitherForFit on each block in turn; alpha is not touched.
void DitherForFitBatch(const EncoderTables& tables, const PixelBlock (&blocks)[kDitherBatch],
                       PixelBlock (&dithered)[kDitherBatch]);

}  // namespace ormel::dxt
