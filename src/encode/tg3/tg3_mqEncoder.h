#pragma once
// Binary arithmetic encoder whose output the plane decoder reads back: the
// classic MQ encoder with byte stuffing after 0xFF and the usual flush that
// picks the code value with the most trailing one-bits and drops a final 0xFF.
#include <cstdint>
#include <vector>

#include "tg3/engine/tg3_mqStateTable.h"

namespace Corvane {

class MqEncoder {
  public:
    MqEncoder();

    // Starts a new plane: empties the output and resets the registers. The
    // contexts keep their states, as the decoder's do across planes.
    void restart();

    // Codes one decision (0 or 1) in context k and adapts the context.
    void encode(int k, int decision);

    // Terminates the plane and returns its bytes.
    std::vector<std::uint8_t> flush();

    MqContextSet& contexts() { return contexts_; }

  private:
    void codeMps(MqContext& cx);
    void codeLps(MqContext& cx);
    void renormalise();
    void byteOut();

    MqContextSet contexts_;
    std::uint32_t a_ = 0;
    std::uint32_t c_ = 0;
    int ct_ = 0;
    // bytes_[0] is a placeholder before the first real byte; bytes_.back() is
    // the byte that a carry can still reach.
    std::vector<std::uint8_t> bytes_;
};

}  // namespace Corvane
