#include "platform/numbers.h"

#include <cmath>
#include <limits>

#include "platform/exception.h"

namespace {

// 2^63 is exactly representable; every double below it converts to int64 safely.
constexpr double kTwoPow63 = 9223372036854775808.0;

int64_t ToInt64Checked(double aValue) {
    if (!(aValue >= -kTwoPow63 && aValue < kTwoPow63)) {
        throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
    }
    return static_cast<int64_t>(aValue);
}

int32_t ToInt32Checked(int64_t aValue) {
    if (aValue < std::numeric_limits<int32_t>::min() ||
        aValue > std::numeric_limits<int32_t>::max()) {
        throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
    }
    return static_cast<int32_t>(aValue);
}

}  // namespace

int64_t Round(double aValue) {
    // The default rounding mode is to-nearest-even; nearbyint honours it.
    return ToInt64Checked(std::nearbyint(aValue));
}

int64_t Trunc(double aValue) {
    return ToInt64Checked(std::trunc(aValue));
}

namespace qel {

int32_t RoundToInt32(double aValue) {
    return ToInt32Checked(Round(aValue));
}
int32_t TruncToInt32(double aValue) {
    return ToInt32Checked(Trunc(aValue));
}

}  // namespace qel
