#include "tg2/entropy/tg2_dequantise.h"

#include <cmath>

namespace Corvane {

namespace {
constexpr float kBias = 0.44f;
constexpr std::int32_t kTableReach = 45;
constexpr double kLevelStepBase = 1.5133282207855925;
}  // namespace

float dequantiseIndex(std::int32_t index, float step) {
    if (step == 0.0f || index == 0) return 0.0f;
    const float half = step * 0.5f;
    if (index < 0) return (static_cast<float>(index) + kBias) * step - half;
    return (static_cast<float>(index) - kBias) * step + half;
}

void dequantiseIndices(const std::int32_t* indices, float* coefficients, std::size_t count,
                       float step) {
    if (step == 0.0f) {
        for (std::size_t i = 0; i < count; ++i) coefficients[i] = 0.0f;
        return;
    }
    float table[2 * kTableReach + 1];
    for (std::int32_t i = -kTableReach; i <= kTableReach; ++i)
        table[i + kTableReach] = dequantiseIndex(i, step);
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t index = indices[i];
        coefficients[i] = (index >= -kTableReach && index <= kTableReach)
                              ? table[index + kTableReach]
                              : dequantiseIndex(index, step);
    }
}

float effectiveStep(float segmentStep, int level, double weight) {
    return static_cast<float>(static_cast<double>(segmentStep) *
                              (1.0 / std::pow(kLevelStepBase, level)) / weight);
}

}  // namespace Corvane
