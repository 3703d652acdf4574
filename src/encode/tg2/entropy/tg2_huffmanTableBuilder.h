#pragma once
// Chooses a band segment's Huffman table from how often each symbol occurs in it.
// The decoder only reads tables; the encoder needs this to write streams of its own.
#include "encode/tg2/entropy/tg2_symbolMapper.h"
#include "tg2/entropy/tg2_htDesc.h"

namespace Corvane {

// The Huffman table for a band segment from its symbol frequencies, built the
// way JPEG encoders build theirs: code lengths from repeated merging of the two
// rarest entries (with one reserved extra entry so that no code is all ones),
// lengths above 16 folded down, symbols listed by length and then by value.
// Symbols of frequency 0 get no code; no symbols give an empty table.
HTDesc buildHTDesc(const TG2SymbolFrequencies& frequencies);

}  // namespace Corvane
