#pragma once
// The probability-state machine shared by the arithmetic decoder and its encoder:
// 47 states, each with its LPS probability estimate and its successors.
#include <array>
#include <cstdint>

namespace Corvane {

struct MqState {
    std::uint16_t qe;    // LPS probability estimate, 16-bit fixed point
    std::uint8_t nlps;   // next state after a less probable symbol
    std::uint8_t nmps;   // next state after a more probable symbol
    std::uint8_t swtch;  // 1: the MPS flips after an LPS in this state
    std::uint8_t pad;
};

inline constexpr int kMqStateCount = 47;
extern const std::array<MqState, kMqStateCount> kMqStates;

// The number of contexts a plane coder uses, and the state a context starts in.
inline constexpr int kMqContextCount = 19;

struct MqContext {
    std::uint8_t state = 0;
    std::uint8_t mps = 0;
    std::uint16_t qe = 0;  // kept next to the state so the MPS path needs no lookup

    void set(int newState, int newMps) {
        state = static_cast<std::uint8_t>(newState);
        mps = static_cast<std::uint8_t>(newMps);
        qe = kMqStates[static_cast<std::size_t>(newState)].qe;
    }
};

using MqContextSet = std::array<MqContext, kMqContextCount>;

// Puts every context into its starting state: context 0 in state 4, 1..16 in
// state 0, 17 in state 3, 18 in state 46, all with MPS 0.
void resetMqContexts(MqContextSet& contexts);

}  // namespace Corvane
