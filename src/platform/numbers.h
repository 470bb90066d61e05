#pragma once

#include <cstdint>

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

}  // namespace qel
