#include "model/blocks/time_recorder.h"

#include "model/dataset/dataset.h"
#include "platform/binary_stream.h"
#include "platform/numbers.h"

namespace {

constexpr double MSPerDayD = 86400000.0;

}  // namespace

TqelTimeRecorder::TqelTimeRecorder(TqelDataset* aDataSet) : FDataSet(aDataSet) {}

void TqelTimeRecorder::AddTime(int32_t aLPMTime, TDateTime aCurrentTime) {
    // Rounded first: a time that cannot be stored raises before the table changes.
    const int64_t realTime = Round(aCurrentTime * MSPerDayD);
    if (FTimeCount >= TimeLength()) {
        FTime.resize(FTime.size() + GrowStep);
    }
    RqelTimeRecorder& pair = FTime[FTimeCount];
    pair.setLPMTime(aLPMTime);
    pair.setRealTime(realTime);
    ++FTimeCount;
}

void TqelTimeRecorder::Finish() {
    FTime.resize(FTimeCount);
    FTime.shrink_to_fit();
}

TDateTime TqelTimeRecorder::GetDateTime(int32_t aLPMTime) const {
    int32_t low = 0;
    int32_t high = FTimeCount - 1;
    int32_t found = -1;
    while (low <= high) {
        const int32_t m = (low + high) / 2;
        const bool atOrAfter = FTime[m].LPMTime() <= aLPMTime;
        if (atOrAfter && (m == FTimeCount - 1 || aLPMTime < FTime[m + 1].LPMTime())) {
            found = m;
            break;
        }
        if (atOrAfter) {
            low = m + 1;
        } else {
            high = m - 1;
        }
    }
    if (found < 0) {
        return FDataSet ? FDataSet->Timestamp() : 0;
    }
    const RqelTimeRecorder& d = FTime[found];
    if (found == FTimeCount - 1) {
        return static_cast<double>(d.RealTime()) / MSPerDayD;
    }
    const RqelTimeRecorder& next = FTime[found + 1];
    // The product needs 64 bits (ms of a day times a real-time span); only the division is
    // in floating point.
    // A table read from a damaged file can hold spans beyond 64 bits: those are formed in
    // floating point instead of overflowing.
    const int64_t offset = int64_t{aLPMTime} - d.LPMTime();
    const int64_t span = int64_t{next.LPMTime()} - d.LPMTime();
    int64_t realSpan = 0;
    int64_t product = 0;
    double interpolated = 0;
    if (!__builtin_sub_overflow(next.RealTime(), d.RealTime(), &realSpan) &&
        !__builtin_mul_overflow(offset, realSpan, &product)) {
        interpolated = static_cast<double>(product) / static_cast<double>(span);
    } else {
        interpolated = static_cast<double>(offset) *
                       (static_cast<double>(next.RealTime()) - static_cast<double>(d.RealTime())) /
                       static_cast<double>(span);
    }
    return (static_cast<double>(d.RealTime()) + interpolated) / MSPerDayD;
}

void TqelTimeRecorder::readFromStream(qel::BinaryReader& aReader, int32_t aVersion) {
    if (aVersion < FirstStreamVersion) {
        return;
    }
    const int32_t length = aReader.readI32();
    aReader.checkCount(length, sizeof(RqelTimeRecorder));
    std::vector<RqelTimeRecorder> pairs(length);
    if (length > 0) {
        aReader.readExact(pairs.data(), qint64{length} * sizeof(RqelTimeRecorder));
    }
    FTime = std::move(pairs);
    FTimeCount = length;
}

void TqelTimeRecorder::writeToStream(qel::BinaryWriter& aWriter) const {
    aWriter.writeI32(FTimeCount);
    if (FTimeCount > 0) {
        aWriter.writeBytes(FTime.data(), qint64{FTimeCount} * sizeof(RqelTimeRecorder));
    }
}
