#pragma once

#include <cstdint>
#include <type_traits>

// A point of the field geometry in whole millimetres, as the field file stores it. Two naturally
// aligned int32 values: a plain struct is its own packed layout.
struct RqelFieldPosition {
    int32_t XinMM = 0;
    int32_t YinMM = 0;

    // A quarter turn counter-clockwise: (x, y) becomes (-y, x).
    void Rotate90Deg();
    // Counter-clockwise about the origin, each coordinate rounded half to even. Raises EInvalidOp
    // (and leaves the point) when a result does not fit 32 bits, as every rotation does.
    void Rotate(double aDegrees);
    // Adds the offsets (wrapping, as the stored int32 values do).
    void Transpose(int32_t aXOffsetInMM, int32_t aYOffsetInMM);

    friend bool operator==(const RqelFieldPosition&, const RqelFieldPosition&) = default;
};
static_assert(sizeof(RqelFieldPosition) == 8);
static_assert(std::is_trivially_copyable_v<RqelFieldPosition>);
