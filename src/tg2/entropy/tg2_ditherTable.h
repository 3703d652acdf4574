#pragma once
// Declares the constant dither table; its values live in the generated .cpp so that
// the files including this header stay cheap to compile.

namespace Corvane {

// The subtractive dither of TG2 streams: values spread uniformly in
// -0.25 .. 0.25, indexed [row][column], both taken modulo the size. The same
// constant table serves the decoder and the encoder.
inline constexpr int kTG2DitherSize = 128;
extern const float kTG2DitherTable[kTG2DitherSize][kTG2DitherSize];

}  // namespace Corvane
