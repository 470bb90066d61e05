#include "model/blocks/time_on_ice.h"

#include <algorithm>

#include "foundation/settings/client_config.h"
#include "platform/binary_stream.h"

TqelTimeOnIce::TqelTimeOnIce(TqelDataset* aDataSet)
    : FDataSet(aDataSet), FPeriodDurationInSec(ClientConfig()->TimeOnIcePeriodDurationInSec()) {}

void TqelTimeOnIce::AddRecord(const RqelClockSample& aClockSample) {
    if (!FClockSamples.empty() && FClockSamples.back().value1() == aClockSample.value1()) {
        return;
    }
    FClockSamples.push_back(aClockSample);
}

int32_t TqelTimeOnIce::IndexAtTime(int32_t aTimeStampInMS) const {
    const auto first = std::lower_bound(FClockSamples.begin(), FClockSamples.end(), aTimeStampInMS,
                                        [](const RqelClockSample& aSample, int32_t aTime) {
                                            return aSample.GetDatasetTimeInMS() < aTime;
                                        });
    int32_t index =
        std::min(static_cast<int32_t>(first - FClockSamples.begin()), ClockSampleCount() - 1);
    if (index >= 0 && aTimeStampInMS < FClockSamples[index].GetDatasetTimeInMS()) {
        --index;
    }
    return index;
}

RqelClockSample TqelTimeOnIce::ClockData(int32_t aTimeStampInMS) const {
    const int32_t index = IndexAtTime(aTimeStampInMS);
    return index < 0 ? RqelClockSample() : FClockSamples[index];
}

int32_t TqelTimeOnIce::ClockTimeInS(int32_t aTimeStampInMS) const {
    const int32_t index = IndexAtTime(aTimeStampInMS);
    return index < 0 ? 0 : FClockSamples[index].GetGameTimeInS();
}

bool TqelTimeOnIce::IsRunning(int32_t aTimeStampInMS) const {
    const int32_t index = IndexAtTime(aTimeStampInMS);
    if (index < 0) {
        return false;
    }
    // In 64 bits: times near the int32 limits must not wrap.
    const int64_t t = aTimeStampInMS;
    const int64_t at = FClockSamples[index].GetDatasetTimeInMS();
    if (index == ClockSampleCount() - 1) {
        return t - RunningGapInMS < at;
    }
    const int64_t next = FClockSamples[index + 1].GetDatasetTimeInMS();
    if (next - at < RunningGapInMS) {
        return true;
    }
    return t < at + RunningEdgeInMS || next - RunningEdgeInMS < t;
}

void TqelTimeOnIce::readFromStream(qel::BinaryReader& aReader, int32_t aVersion) {
    if (aVersion < FirstStreamVersion) {
        return;
    }
    const int32_t count = aReader.readI32();
    if (aVersion <= LastWordFormVersion) {
        readWords(aReader, count);
        return;
    }
    aReader.checkCount(count, sizeof(RqelClockSample));
    const size_t oldSize = FClockSamples.size();
    FClockSamples.resize(oldSize + static_cast<size_t>(count));
    try {
        if (count > 0) {
            aReader.readExact(FClockSamples.data() + oldSize,
                              qint64{count} * qint64{sizeof(RqelClockSample)});
        }
    } catch (...) {
        FClockSamples.resize(oldSize);
        throw;
    }
}

void TqelTimeOnIce::readWords(qel::BinaryReader& aReader, int32_t aCount) {
    aReader.checkCount(aCount, sizeof(uint32_t));
    uint32_t previous = 0;
    for (int32_t slot = 0; slot < aCount; ++slot) {
        const uint32_t word = aReader.readU32();
        if (word == previous) {
            continue;
        }
        RqelClockSample sample;
        // Dataset times are int32: slots past 24 days wrap as the file's own times would.
        sample.SetDatasetTimeInMS(static_cast<int32_t>(int64_t{slot} * WordSlotInMS));
        sample.setValue1(word);
        AddRecord(sample);
        previous = word;
    }
}

void TqelTimeOnIce::writeToStream(qel::BinaryWriter& aWriter) const {
    aWriter.writeI32(ClockSampleCount());
    if (!FClockSamples.empty()) {
        aWriter.writeBytes(FClockSamples.data(),
                           qint64{ClockSampleCount()} * qint64{sizeof(RqelClockSample)});
    }
}
