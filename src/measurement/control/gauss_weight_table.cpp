#include "measurement/control/gauss_weight_table.h"

#include <array>
#include <cmath>

namespace {

std::array<double, qel::kGaussWeightCount> gaussWeights{};

}  // namespace

void BuildGaussWeightTable(int32_t aSensitivity) {
    // The base is e to ten digits, not the full-precision e: the clients build the same table.
    constexpr double base = 2.718281828;
    const double c = aSensitivity >= 1 ? aSensitivity / 75.0 : 1.0 / 75.0;
    for (int i = 0; i < qel::kGaussWeightCount; ++i) {
        const double x = i / 199.8;
        gaussWeights[static_cast<size_t>(i)] = std::pow(base, -(x * x) / (2 * c * c));
    }
}

namespace qel {

double GaussWeight(int anAgeInMS) {
    return gaussWeights[static_cast<size_t>(anAgeInMS)];
}

void ResetGaussWeightTable() {
    gaussWeights.fill(0);
}

}  // namespace qel
