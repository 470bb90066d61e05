#include "analysis/framework/zone_bins.h"

#include "foundation/settings/server_config.h"
#include "foundation/settings/zones.h"
#include "foundation/stream_strings.h"
#include "platform/binary_stream.h"
#include "platform/exception.h"

void RSpeedBin::Assign(const TqelZone& aZone) {
    *this = RSpeedBin{};
    MinSpeed = aZone.Min;
    MaxSpeed = aZone.Max;
    Description = aZone.Description;
    Weight = aZone.Weight;
    Color = aZone.Color;
}

void RHeartbeatBin::Assign(const TqelZone& aZone) {
    *this = RHeartbeatBin{};
    MinHeartbeat = aZone.Min;
    MaxHeartbeat = aZone.Max;
    Description = aZone.Description;
    Weight = aZone.Weight;
    Color = aZone.Color;
}

void RAccelBin::Assign(const TqelZone& aZone) {
    *this = RAccelBin{};
    MinForce = aZone.Min;
    MaxForce = aZone.Max;
    Description = aZone.Description;
    Weight = aZone.Weight;
    Color = aZone.Color;
}

namespace qel {

template <class Bin>
void BinsFromZones(std::vector<Bin>& aBins, const TqelZones* aZones) {
    const int32_t count = aZones ? aZones->Count() : 0;
    aBins.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        aBins[static_cast<size_t>(i)].Assign(aZones->GetZone(i));
    }
}

template <class Bin>
Bin& BinAt(std::vector<Bin>& aBins, int32_t anIndex) {
    if (anIndex < 0 || static_cast<size_t>(anIndex) >= aBins.size()) {
        throw EArgumentOutOfRangeException(QStringLiteral("Bin index %1 is outside 0 to %2")
                                               .arg(anIndex)
                                               .arg(static_cast<qsizetype>(aBins.size()) - 1));
    }
    return aBins[static_cast<size_t>(anIndex)];
}

template void BinsFromZones(std::vector<RSpeedBin>&, const TqelZones*);
template void BinsFromZones(std::vector<RHeartbeatBin>&, const TqelZones*);
template void BinsFromZones(std::vector<RAccelBin>&, const TqelZones*);
template RSpeedBin& BinAt(std::vector<RSpeedBin>&, int32_t);
template RHeartbeatBin& BinAt(std::vector<RHeartbeatBin>&, int32_t);
template RAccelBin& BinAt(std::vector<RAccelBin>&, int32_t);

FormatSettings UserFormatSettings() {
    FormatSettings settings;
    settings.DecimalSeparator = SystemDecimalSeparator();
    return settings;
}

void ReadBin(BinaryReader& aStream, RSpeedBin& aBin, int32_t aFatigueCount) {
    aBin.MinSpeed = aStream.readDouble();
    aBin.MaxSpeed = aStream.readDouble();
    ReadStreamString(aStream, aBin.Description);
    aBin.Weight = aStream.readDouble();
    aBin.Color = aStream.readU32();
    aBin.CumTimeInMS = aStream.readI32();
    aBin.CumDistInMM = aStream.readDouble();
    aBin.Count = aStream.readI32();
    aStream.checkCount(aFatigueCount, kFatigueBinBytes);
    aBin.FatigueBin.resize(static_cast<size_t>(aFatigueCount));
    for (RFatigueBin& window : aBin.FatigueBin) {
        window.CumTimeInMS = aStream.readI32();
        window.CumDistInMM = aStream.readDouble();
    }
}

void WriteBin(BinaryWriter& aStream, const RSpeedBin& aBin) {
    aStream.writeDouble(aBin.MinSpeed);
    aStream.writeDouble(aBin.MaxSpeed);
    WriteStreamString(aStream, aBin.Description);
    aStream.writeDouble(aBin.Weight);
    aStream.writeU32(aBin.Color);
    aStream.writeI32(aBin.CumTimeInMS);
    aStream.writeDouble(aBin.CumDistInMM);
    aStream.writeI32(aBin.Count);
    for (const RFatigueBin& window : aBin.FatigueBin) {
        aStream.writeI32(window.CumTimeInMS);
        aStream.writeDouble(window.CumDistInMM);
    }
}

void ReadBin(BinaryReader& aStream, RHeartbeatBin& aBin) {
    aBin.MinHeartbeat = aStream.readDouble();
    aBin.MaxHeartbeat = aStream.readDouble();
    aBin.Color = aStream.readU32();
    ReadStreamString(aStream, aBin.Description);
    aBin.Weight = aStream.readDouble();
    aBin.CumTimeInMS = aStream.readI32();
    aBin.CumDistInMM = aStream.readDouble();
    aBin.Count = aStream.readI32();
}

void WriteBin(BinaryWriter& aStream, const RHeartbeatBin& aBin) {
    aStream.writeDouble(aBin.MinHeartbeat);
    aStream.writeDouble(aBin.MaxHeartbeat);
    aStream.writeU32(aBin.Color);
    WriteStreamString(aStream, aBin.Description);
    aStream.writeDouble(aBin.Weight);
    aStream.writeI32(aBin.CumTimeInMS);
    aStream.writeDouble(aBin.CumDistInMM);
    aStream.writeI32(aBin.Count);
}

void ReadBin(BinaryReader& aStream, RAccelBin& aBin) {
    aBin.MinForce = aStream.readDouble();
    aBin.MaxForce = aStream.readDouble();
    ReadStreamString(aStream, aBin.Description);
    aBin.Color = aStream.readU32();
    aBin.Weight = aStream.readDouble();
    aBin.CumTimeInMS = aStream.readI32();
    aBin.CumDistInMM = aStream.readDouble();
    aBin.Count = aStream.readI32();
}

void WriteBin(BinaryWriter& aStream, const RAccelBin& aBin) {
    aStream.writeDouble(aBin.MinForce);
    aStream.writeDouble(aBin.MaxForce);
    WriteStreamString(aStream, aBin.Description);
    aStream.writeU32(aBin.Color);
    aStream.writeDouble(aBin.Weight);
    aStream.writeI32(aBin.CumTimeInMS);
    aStream.writeDouble(aBin.CumDistInMM);
    aStream.writeI32(aBin.Count);
}

int32_t ReadBinCount(BinaryReader& aStream, int64_t aBinBytes) {
    const int32_t count = aStream.readI32();
    aStream.checkCount(count, aBinBytes);
    return count;
}

}  // namespace qel
