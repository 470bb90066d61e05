#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "platform/format_settings.h"
#include "platform/format_text.h"

class TqelZone;
class TqelZones;

namespace qel {
class BinaryReader;
class BinaryWriter;
}  // namespace qel

// The zone bins of the speed, heart-rate and acceleration analyses: a copy of one zone of the
// analysis definition with the time, distance and entries counted in it.

struct RFatigueBin {
    int32_t CumTimeInMS = 0;
    double CumDistInMM = 0;
};

struct RSpeedBin {
    double MinSpeed = 0;
    double MaxSpeed = 0;
    QString Description;
    double Weight = 0;
    uint32_t Color = 0;
    int32_t CumTimeInMS = 0;
    double CumDistInMM = 0;
    int32_t Count = 0;
    std::vector<RFatigueBin> FatigueBin;

    double Lower() const { return MinSpeed; }
    double Upper() const { return MaxSpeed; }
    void Assign(const TqelZone& aZone);
};

struct RHeartbeatBin {
    double MinHeartbeat = 0;
    double MaxHeartbeat = 0;
    uint32_t Color = 0;
    QString Description;
    double Weight = 0;
    int32_t CumTimeInMS = 0;
    double CumDistInMM = 0;
    int32_t Count = 0;

    double Lower() const { return MinHeartbeat; }
    double Upper() const { return MaxHeartbeat; }
    void Assign(const TqelZone& aZone);
};

struct RAccelBin {
    double MinForce = 0;
    double MaxForce = 0;
    QString Description;
    uint32_t Color = 0;
    double Weight = 0;
    int32_t CumTimeInMS = 0;
    double CumDistInMM = 0;
    int32_t Count = 0;

    double Lower() const { return MinForce; }
    double Upper() const { return MaxForce; }
    void Assign(const TqelZone& aZone);
};

namespace qel {

// A bin's share of a total time, and of an index (minutes × weight summed), in percent.
template <class Bin>
double TimeShare(const Bin& aBin, double aTotal) {
    return aBin.CumTimeInMS * 100.0 / aTotal;
}
template <class Bin>
double IndexShare(const Bin& aBin, double anIndex) {
    return aBin.CumTimeInMS * aBin.Weight / (anIndex * 600);
}

// Every stored bin takes at least this many bytes (an empty description), so a count can be
// checked against the bytes left before the bins are allocated.
constexpr int64_t kZoneBinMinBytes = 48;
constexpr int64_t kFatigueBinBytes = 12;

// Sizes aBins to the table (none without one) and copies its zones with zeroed accumulators.
template <class Bin>
void BinsFromZones(std::vector<Bin>& aBins, const TqelZones* aZones);

// Counts one step of aValue: the first bin with Lower <= aValue < Upper takes aTimeFrame ms
// and aDistance mm, and an entry when it was not the previous bin. Answers that bin, or -1
// (and the previous bin becomes -1) when none takes the step.
template <class Bin>
int32_t AccountZoneStep(std::vector<Bin>& aBins, int32_t& aPrevBin, double aValue,
                        int32_t aTimeFrame, double aDistance) {
    const int32_t count = static_cast<int32_t>(aBins.size());
    for (int32_t i = 0; i < count; ++i) {
        Bin& bin = aBins[static_cast<size_t>(i)];
        if (bin.Lower() <= aValue && aValue < bin.Upper()) {
            if (i != aPrevBin) {
                ++bin.Count;
                aPrevBin = i;
            }
            bin.CumTimeInMS += aTimeFrame;
            bin.CumDistInMM += aDistance;
            return i;
        }
    }
    aPrevBin = -1;
    return -1;
}

// Σ CumTimeInMS / 60000 × Weight, in bin order.
template <class Bin>
double ZoneIndex(const std::vector<Bin>& aBins) {
    double result = 0;
    for (const Bin& bin : aBins) {
        result += bin.CumTimeInMS / 60000.0 * bin.Weight;
    }
    return result;
}

// Each bin's share of aTotalTime (TimeShares) or of anIndex (IndexShares) in percent, "%.2f",
// joined by semicolons; empty when the total is not above 0.
template <class Bin>
QString TimeShares(const std::vector<Bin>& aBins, double aTotalTime,
                   const FormatSettings& aSettings = FormatSettings::Invariant()) {
    QStringList values;
    if (aTotalTime > 0) {
        for (const Bin& bin : aBins) {
            values.append(Format(QStringLiteral("%.2f"), {TimeShare(bin, aTotalTime)}, aSettings));
        }
    }
    return values.join(u';');
}

template <class Bin>
QString IndexShares(const std::vector<Bin>& aBins, double anIndex,
                    const FormatSettings& aSettings = FormatSettings::Invariant()) {
    QStringList values;
    if (anIndex != 0) {
        for (const Bin& bin : aBins) {
            values.append(Format(QStringLiteral("%.2f"), {IndexShare(bin, anIndex)}, aSettings));
        }
    }
    return values.join(u';');
}

// The format settings of the user's locale: the defaults with the system's decimal separator.
FormatSettings UserFormatSettings();

// The bin of anIndex; raises EArgumentOutOfRangeException outside the array.
template <class Bin>
Bin& BinAt(std::vector<Bin>& aBins, int32_t anIndex);
template <class Bin>
const Bin& BinAt(const std::vector<Bin>& aBins, int32_t anIndex) {
    return BinAt(const_cast<std::vector<Bin>&>(aBins), anIndex);
}

// Stream layouts of the bins; a speed bin carries aFatigueCount windows.
void ReadBin(BinaryReader& aStream, RSpeedBin& aBin, int32_t aFatigueCount);
void WriteBin(BinaryWriter& aStream, const RSpeedBin& aBin);
void ReadBin(BinaryReader& aStream, RHeartbeatBin& aBin);
void WriteBin(BinaryWriter& aStream, const RHeartbeatBin& aBin);
void ReadBin(BinaryReader& aStream, RAccelBin& aBin);
void WriteBin(BinaryWriter& aStream, const RAccelBin& aBin);

// A bin count from the stream, checked against the bytes left for bins of at least
// aBinBytes each.
int32_t ReadBinCount(BinaryReader& aStream, int64_t aBinBytes);

}  // namespace qel
