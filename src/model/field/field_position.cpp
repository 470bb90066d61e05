#include "model/field/field_position.h"

#include <numbers>

#include "foundation/geometry.h"
#include "model/transponder/packed_record.h"

void RqelFieldPosition::Rotate90Deg() {
    const int32_t x = XinMM;
    XinMM = qel::WrapNegate(YinMM);
    YinMM = x;
}

void RqelFieldPosition::Rotate(double aDegrees) {
    RotatePoint(XinMM, YinMM, aDegrees * std::numbers::pi / 180.0);
}

void RqelFieldPosition::Transpose(int32_t aXOffsetInMM, int32_t aYOffsetInMM) {
    XinMM = qel::WrapAdd(XinMM, aXOffsetInMM);
    YinMM = qel::WrapAdd(YinMM, aYOffsetInMM);
}
