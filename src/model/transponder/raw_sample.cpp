#include "model/transponder/raw_sample.h"

namespace {

constexpr uint32_t kCoordinateMask = 0xFFFFF;
constexpr uint32_t kCoordinateShift = 12;
constexpr uint32_t kLowBits = (1u << kCoordinateShift) - 1;
// val1 holds tenths of a ms above the status nibble: 10 tenths x 16.
constexpr uint32_t kTimeFactor = 160;

// Bits 12..31 as a signed 20-bit number (arithmetic shift of the signed word).
int32_t SignedCoordinate(uint32_t aWord) {
    return static_cast<int32_t>(aWord) >> kCoordinateShift;
}

uint32_t CoordinateBits(int32_t aValue) {
    return (static_cast<uint32_t>(aValue) & kCoordinateMask) << kCoordinateShift;
}

}  // namespace

int32_t RqelRawSample::TimeStampInMS() const {
    return static_cast<int32_t>((val1() >> 4) / 10);
}

int32_t RqelRawSample::XinMM() const {
    return SignedCoordinate(val2());
}

int32_t RqelRawSample::YinMM() const {
    return SignedCoordinate(val3());
}

int32_t RqelRawSample::ZinMM() const {
    return static_cast<int32_t>(((val2() & 0xFF) * 256 + (val3() & 0xFF)) * 10);
}

double RqelRawSample::SpeedInMS() const {
    return (val4() & 0xFFFF) / 1000.0;
}

double RqelRawSample::Acceleration() const {
    return (static_cast<int32_t>(val4()) >> 16) / 1000.0;
}

void RqelRawSample::SetValues(int32_t aTimeStampInMS, int32_t aXinMM, int32_t aYinMM,
                              int32_t aZinMM, int32_t aAntennaID, int32_t aQuality,
                              int32_t /*aSignal*/, int32_t aDistanceMM, int32_t aSpeedMMSec,
                              int32_t anAccelMMss) {
    const uint32_t height = static_cast<uint32_t>(aZinMM / 10);
    setVal1(static_cast<uint32_t>(aTimeStampInMS) * kTimeFactor);
    setVal2(CoordinateBits(aXinMM) | ((static_cast<uint32_t>(aAntennaID) & 3) << 8) |
            ((height >> 8) & 0xFF));
    setVal3(CoordinateBits(aYinMM) | (((static_cast<uint32_t>(aQuality) & 0x7800) >> 11) << 8) |
            (height & 0xFF));
    setVal4(((static_cast<uint32_t>(anAccelMMss) & 0xFFFF) << 16) |
            (static_cast<uint32_t>(aSpeedMMSec) & 0xFFFF));
    setVal5(static_cast<uint32_t>(aDistanceMM) & 0x0FFFFFFF);
}

void RqelRawSample::SetXY(int32_t aXinMM, int32_t aYinMM) {
    setVal2((val2() & kLowBits) | CoordinateBits(aXinMM));
    setVal3((val3() & kLowBits) | CoordinateBits(aYinMM));
}

void RqelRawSample::SetZ(int32_t aZinMM) {
    const uint32_t height = static_cast<uint32_t>(aZinMM / 10);
    setVal2((val2() & ~0xFFu) | ((height >> 8) & 0xFF));
    setVal3((val3() & ~0xFFu) | (height & 0xFF));
}

void RqelRawSample::AddTimeInMS(int32_t aTimeInMS) {
    uint32_t status = StatusNibble();
    // A sample before the start holds its negative time in two's complement; read it signed, or
    // moving it back would start from a huge time and land far off.
    const int32_t current =
        status == ldsBeforeBeginDts ? (static_cast<int32_t>(val1()) >> 4) / 10 : TimeStampInMS();
    const int32_t time = qel::WrapAdd(current, aTimeInMS);
    if (time < 0 && status == ldsOK) {
        status = ldsBeforeBeginDts;
    } else if (time >= 0 && status == ldsBeforeBeginDts) {
        status = ldsOK;
    }
    setVal1(status + static_cast<uint32_t>(time) * kTimeFactor);
}

TqelDataStatus RqelRawSample::GetStatus() const {
    const uint32_t status = StatusNibble();
    if (status == ldsOK && XinMM() == 0 && YinMM() == 0) {
        return ldsAllZeroCoords;
    }
    return static_cast<TqelDataStatus>(status);
}

void RqelRawSample::SetMark(int aValue) {
    const int8_t mark = static_cast<int8_t>(aValue);
    uint32_t status = StatusNibble();
    if (mark == 0) {
        if (status >= 4) {
            status = 0;
        }
    } else if (mark >= 4 && (status == 0 || status >= 4)) {
        status |= static_cast<uint32_t>(mark) & 0xF;
    } else {
        return;
    }
    setVal1((val1() & ~0xFu) | status);
}
