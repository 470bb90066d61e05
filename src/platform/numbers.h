#pragma once

#include <QString>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

// Number helpers with the semantics the system relies on.

// Rounds halves to even (banker's rounding), as the system's Round does. Raises EInvalidOp
// when the value is NaN, infinite or outside the 64-bit range.
int64_t Round(double aValue);

// Truncates towards zero. Raises EInvalidOp when the value is NaN, infinite or out of range.
int64_t Trunc(double aValue);

namespace qel {

// Checked conversions of a double to a 32-bit integer: raise EInvalidOp instead of undefined
// behaviour when the value does not fit.
int32_t RoundToInt32(double aValue);
int32_t TruncToInt32(double aValue);
// Rounds halves to even without raising: NaN gives 0, a value beyond the 32-bit range its
// limit. For readers that must answer on any thread.
int32_t RoundToInt32Saturated(double aValue);
// Rounds halves to even into an integer field of type T without raising: NaN gives 0, a value
// beyond T's range its limit. For values stored on threads that must not stop.
template <class T>
T RoundSaturated(double aValue) {
    if (std::isnan(aValue)) {
        return 0;
    }
    const double rounded = std::nearbyint(aValue);
    if (rounded <= static_cast<double>(std::numeric_limits<T>::min())) {
        return std::numeric_limits<T>::min();
    }
    if (rounded >= static_cast<double>(std::numeric_limits<T>::max())) {
        return std::numeric_limits<T>::max();
    }
    return static_cast<T>(rounded);
}
// Rounded to two decimals, halves away from zero, as 0.01 × trunc(x / 0.01 ± 0.5): 0.125 gives
// 0.13, -0.125 gives -0.13. NaN and infinities give NaN.
double RoundTo2Decimals(double aValue);

// The runtime's integer text: decimal with an optional sign after leading blanks, or hexadecimal
// after "$", "x" or "0x" (up to 32 bits, taken as two's complement: $FFFFFFFF is -1). Nothing may
// follow the digits; empty when the text is no 32-bit integer.
std::optional<int32_t> TryStrToInt(const QString& aText);

}  // namespace qel
