#include "analysis/load/energy_consumption.h"

#include "analysis/framework/calculation.h"
#include "analysis/framework/calculation_context.h"
#include "foundation/model_interfaces.h"
#include "foundation/settings/zones.h"
#include "foundation/stream_strings.h"
#include "platform/binary_stream.h"
#include "platform/numbers.h"

QEL_REGISTER_CALCULATION(TqelEnergyConsumption, Energy, Energy)

namespace {

// The smallest bin of a block: bounds, an empty description, colour, weight and the sums.
constexpr qint64 kMinBinBytes = 8 + 8 + 4 + 4 + 8 + 4 + 8 + 8 + 4;

}  // namespace

double RPowerBin::TimePercentage(int32_t aTotalTimeInMS) const {
    if (aTotalTimeInMS == 0) {
        return 0;
    }
    // In double: an int32 product overflows after six hours in one zone.
    return static_cast<double>(CumTimeInMS) * 100 / aTotalTimeInMS;
}

TqelEnergyConsumption::TqelEnergyConsumption(TqelCalculation& aCalculation)
    : TqelCalculationVaruza(aCalculation), FECCRF(aCalculation.ECCRF()) {}

bool TqelEnergyConsumption::Init() {
    FECCRF = Calculation()->ECCRF();
    const TqelZones* zones = Calculation()->PowerZones();
    FPowerBinCount = zones ? zones->Count() : 0;
    FPowerBins.assign(FPowerBinCount, RPowerBin{});
    for (int32_t i = 0; i < FPowerBinCount; ++i) {
        const TqelZone& zone = zones->GetZone(i);
        RPowerBin& bin = FPowerBins[i];
        bin.MinPower = zone.Min;
        bin.MaxPower = zone.Max;
        bin.Description = zone.Description;
        bin.Weight = zone.Weight;
        bin.Color = zone.Color;
    }
    // A re-run of the same track counts its entries as the first run did.
    FLastBin = 0;
    FTimeInMS = 0;
    FEnergyInJ_kg = 0;
    return true;
}

void TqelEnergyConsumption::ProcessTimeFrame(int32_t, bool, const RqelCalculatedPosition&,
                                             double aDistance, double aSpeed, double,
                                             double anAcceleration, double, double, bool,
                                             TqelPlayDirection, bool, bool) {
    TqelCalculation& calculation = *Calculation();
    IqelTransponderData* transponder = calculation.Transponder();
    const double maxPower = calculation.Context().MaxPower();
    double power = transponder ? transponder->calcEnergy(aSpeed, anAcceleration, FECCRF) : 0;
    if (!(power <= maxPower)) {
        power = maxPower;
    }
    const int32_t timeFrame = calculation.TimeFrame();
    FEnergyInJ_kg += timeFrame * power;
    FTimeInMS += timeFrame;

    double value = power;
    if (calculation.PowerZone() == 1) {
        // Relative zones need a maximum: without one the step counts in the totals only.
        if (maxPower == 0) {
            return;
        }
        value = power * 100 / maxPower;
    }
    for (int32_t i = 0; i < FPowerBinCount; ++i) {
        RPowerBin& bin = FPowerBins[i];
        if (bin.MinPower <= value && value <= bin.MaxPower) {
            bin.CumTimeInMS += timeFrame;
            bin.CumEnergyInJ_kg += timeFrame * power;
            bin.CumDistanceInMM += aDistance;
            if (i != FLastBin) {
                FLastBin = i;
                ++bin.Count;
            }
            return;
        }
    }
}

int32_t TqelEnergyConsumption::EnergyInJ() const {
    IqelTransponderData* transponder = Calculation()->Transponder();
    if (!transponder) {
        return 0;
    }
    return qel::RoundToInt32Saturated(transponder->GetAthleteWeight() * FEnergyInJ_kg / 1000);
}

const RPowerBin* TqelEnergyConsumption::GetPowerBin(int32_t anIndex) const {
    if (anIndex < 0 || anIndex >= FPowerBinCount) {
        return nullptr;
    }
    return &FPowerBins[anIndex];
}

void TqelEnergyConsumption::ReadFromStream(qel::BinaryReader& aStream, uint8_t) {
    const int32_t count = aStream.readI32();
    if (count < 0) {
        throw EReadError(QStringLiteral("Stream Error: negative power bin count %1").arg(count));
    }
    aStream.checkCount(count, kMinBinBytes);
    std::vector<RPowerBin> bins(count);
    for (RPowerBin& bin : bins) {
        bin.MinPower = aStream.readDouble();
        bin.MaxPower = aStream.readDouble();
        bin.Description = ReadStreamString(aStream);
        bin.Color = aStream.readU32();
        bin.Weight = aStream.readDouble();
        bin.CumTimeInMS = aStream.readI32();
        bin.CumDistanceInMM = aStream.readDouble();
        bin.CumEnergyInJ_kg = aStream.readDouble();
        bin.Count = aStream.readI32();
    }
    const int32_t lastBin = aStream.readI32();
    const double energy = aStream.readDouble();
    const double eccrf = aStream.readDouble();
    const int32_t time = aStream.readI32();
    FPowerBins = std::move(bins);
    FPowerBinCount = count;
    FLastBin = lastBin;
    FEnergyInJ_kg = energy;
    FECCRF = eccrf;
    FTimeInMS = time;
}

void TqelEnergyConsumption::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(FPowerBinCount);
    for (const RPowerBin& bin : FPowerBins) {
        aStream.writeDouble(bin.MinPower);
        aStream.writeDouble(bin.MaxPower);
        WriteStreamString(aStream, bin.Description);
        aStream.writeU32(bin.Color);
        aStream.writeDouble(bin.Weight);
        aStream.writeI32(bin.CumTimeInMS);
        aStream.writeDouble(bin.CumDistanceInMM);
        aStream.writeDouble(bin.CumEnergyInJ_kg);
        aStream.writeI32(bin.Count);
    }
    aStream.writeI32(FLastBin);
    aStream.writeDouble(FEnergyInJ_kg);
    aStream.writeDouble(FECCRF);
    aStream.writeI32(FTimeInMS);
}
