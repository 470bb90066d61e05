#include "model/transponder/field_records.h"

#include "foundation/geometry.h"

namespace {

// |a - b| wrapped to 32 bits, as the stored values are.
int32_t Distance(int32_t a, int32_t b) {
    const int32_t difference = qel::WrapAdd(a, qel::WrapNegate(b));
    return difference < 0 ? qel::WrapNegate(difference) : difference;
}

}  // namespace

void RqelFieldBox::Rotate90Deg() {
    LeftTop.Rotate90Deg();
    RightBottom.Rotate90Deg();
}

void RqelFieldBox::Rotate(double aDegrees) {
    LeftTop.Rotate(aDegrees);
    RightBottom.Rotate(aDegrees);
}

void RqelFieldBox::Transpose(int32_t aXOffsetInMM, int32_t aYOffsetInMM) {
    LeftTop.Transpose(aXOffsetInMM, aYOffsetInMM);
    RightBottom.Transpose(aXOffsetInMM, aYOffsetInMM);
}

bool RqelFieldBox::PositionInBox(double aXinMM, double aYinMM) const {
    // Written as "not outside": a comparison with NaN is false, so a NaN coordinate passes.
    const bool xInside = !(aXinMM < LeftTop.XinMM) && !(aXinMM > RightBottom.XinMM);
    const bool yInside = !(aYinMM < RightBottom.YinMM) && !(aYinMM > LeftTop.YinMM);
    return xInside && yInside;
}

int32_t RqelFieldBox::LengthInMM() const {
    return Distance(RightBottom.XinMM, LeftTop.XinMM);
}

int32_t RqelFieldBox::WidthInMM() const {
    return Distance(LeftTop.YinMM, RightBottom.YinMM);
}

void RqelGPSPosition::Clear() {
    const int32_t time = TimeInMS();
    *this = RqelGPSPosition();
    setTimeInMS(time);
}

void RqelGPSPosition::RotateRAD(double anAngle) {
    int32_t x = XinMM();
    int32_t y = YinMM();
    RotatePoint(x, y, anAngle);
    setXinMM(x);
    setYinMM(y);
}
