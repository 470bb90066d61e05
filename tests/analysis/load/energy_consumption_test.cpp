#include <QBuffer>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "analysis/calculation_fixture.h"
#include "analysis/load/energy_consumption.h"
#include "foundation/settings/zones.h"
#include "model/field/field_bytes.h"
#include "model/transponder/metabolic_power.h"

namespace qel::test {
namespace {

// The metabolic power as the formula reads, term by term.
double FormulaPower(double aSpeed, double anAccel, double anECCRF, double aFactor) {
    const double a = std::isnan(anAccel) || anAccel > 6.2 ? 6.2 : std::max(anAccel, -4.8);
    const double em = std::sqrt(a * a + 96.2361) / 9.81;
    const double es = a == 0 ? 0 : std::tan(std::numbers::pi / 2 - std::atan(9.81 / a));
    const double ec = 155.4 * (es * es * es * es * es) - 30.4 * (es * es * es * es) -
                      43.3 * (es * es * es) + 46.3 * (es * es) + 19.5 * es + anECCRF;
    return ec * em * aFactor * aSpeed;
}

TEST(MetabolicPower, FollowsTheEquivalentSlopeModel) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double Accel;
        double Expected;
    };
    for (const Case& c : {Case{0, 21.0}, Case{2, 51.09}, Case{-2, 11.83}, Case{10, 215.55},
                          Case{nan, 215.55}, Case{6.2, 215.55}, Case{-6, 26.39}}) {
        const double power = MetabolicPower(5, c.Accel, 4.0, 1.05);
        EXPECT_NEAR(power, c.Expected, 0.005) << c.Accel;
        EXPECT_DOUBLE_EQ(power, FormulaPower(5, c.Accel, 4.0, 1.05)) << c.Accel;
    }
    // Limits: 10 as 6.2, NaN as 6.2, -6 as -4.8, bit for bit.
    EXPECT_EQ(MetabolicPower(5, 10, 4, 1.05), MetabolicPower(5, 6.2, 4, 1.05));
    EXPECT_EQ(MetabolicPower(5, nan, 4, 1.05), MetabolicPower(5, 6.2, 4, 1.05));
    EXPECT_EQ(MetabolicPower(5, -6, 4, 1.05), MetabolicPower(5, -4.8, 4, 1.05));
    EXPECT_EQ(MetabolicPower(0, 2, 4, 1.05), 0.0);
}

// An athlete with ECCRF 4 over absolute power zones 0-10-20-35-50 and a maximum of 50 W/kg.
class EnergyConsumption : public CalculationFixture {
protected:
    // The fixture leaves only its probes; this test needs the energy analysis back.
    qel::ScopedCalculationClass energyClass{qel::CalcSlot::Energy,
                                            &qel::MakeCalculation<TqelEnergyConsumption>};
    void SetUp() override {
        transponder.Recon = 4.0;
        SetZones({0, 10, 20, 35, 50});
    }
    void SetZones(std::initializer_list<double> aBounds) {
        TqelZones& zones = definition.PowerZonesAbsolute();
        zones.Clear();
        const double* bound = aBounds.begin();
        for (int i = 0; i + 1 < static_cast<int>(aBounds.size()); ++i) {
            zones.AddZone(i, bound[i], bound[i + 1], i + 1.5, QStringLiteral("zone %1").arg(i),
                          0x100u + i, true);
        }
    }
    static TqelEnergyConsumption* Energy(TqelCalculation& aCalculation) {
        return aCalculation.Energy();
    }
    // A calculation over [0, 50) with 10 ms steps, initialised from the definition.
    std::unique_ptr<TqelCalculation> Ready() {
        auto calc = Make();
        calc->Init(&definition, {}, 0, 50, 0, 0, {}, 0, {}, 0, {}, nullptr);
        calc->setTimeFrame(10);
        return calc;
    }
    static void Step(TqelEnergyConsumption& anEnergy, double aSpeed, double anAccel,
                     double aDistance = 0) {
        anEnergy.ProcessTimeFrame(0, true, {}, aDistance, aSpeed, aSpeed, anAccel, 0, 0, false,
                                  pldNone, true, true);
    }
    // Rest, then 5 m/s flat, +2, -2 and flat again.
    void ScriptTrack() {
        transponder.Speed = [](int32_t t, int32_t) { return t == 0 ? 0.0 : 5.0; };
        transponder.Acceleration = [](int32_t t) { return t == 20 ? 2.0 : t == 30 ? -2.0 : 0.0; };
    }
};

TEST_F(EnergyConsumption, TrackOverAbsoluteZonesByHand) {
    ScriptTrack();
    auto calc = Ready();
    ASSERT_TRUE(calc->Execute(10));
    TqelEnergyConsumption& energy = *Energy(*calc);
    ASSERT_EQ(energy.PowerBinCount(), 4);
    struct Expected {
        int32_t Time;
        int32_t Count;
        double Distance;
        double Energy;
    };
    // The +2 step is clamped to 50 and lands in the top zone; the first step into bin 0 is no
    // entry.
    const Expected bins[] = {{10, 0, 0, 0},
                             {10, 1, 50, 10 * MetabolicPower(5, -2, 4, 1.05)},
                             {20, 2, 100, 10 * 21.0 + 10 * 21.0},
                             {10, 1, 50, 500}};
    for (int i = 0; i < 4; ++i) {
        const RPowerBin& bin = *energy.GetPowerBin(i);
        EXPECT_EQ(bin.CumTimeInMS, bins[i].Time) << i;
        EXPECT_EQ(bin.Count, bins[i].Count) << i;
        EXPECT_DOUBLE_EQ(bin.CumDistanceInMM, bins[i].Distance) << i;
        EXPECT_DOUBLE_EQ(bin.CumEnergyInJ_kg, bins[i].Energy) << i;
        EXPECT_EQ(bin.Description, QStringLiteral("zone %1").arg(i));
        EXPECT_EQ(bin.Color, 0x100u + i);
        EXPECT_DOUBLE_EQ(bin.Weight, i + 1.5);
    }
    EXPECT_EQ(energy.TotalTimeInMS(), 50);
    EXPECT_NEAR(energy.EnergyInJ_kg(), 1.03833, 0.00001);
    EXPECT_NEAR(energy.PowerWkg(), 20.77, 0.005);
    EXPECT_DOUBLE_EQ(energy.GetPowerBin(2)->TimePercentage(energy.TotalTimeInMS()), 40.0);
    EXPECT_DOUBLE_EQ(energy.GetPowerBin(3)->EnergyInKJ(), 0.5);
    // 75 kg: 77.87 J.
    EXPECT_EQ(energy.EnergyInJ(), 78);
    EXPECT_DOUBLE_EQ(energy.EnergyInkCal(), 78 / 4186.8);
    EXPECT_EQ(energy.GetPowerBin(-1), nullptr);
    EXPECT_EQ(energy.GetPowerBin(4), nullptr);
}

TEST_F(EnergyConsumption, RelativeZonesTakePercentOfMaxPower) {
    SetZones({0, 40, 45, 100});
    auto calc = Ready();
    calc->setPowerZone(1);
    TqelEnergyConsumption& energy = *Energy(*calc);
    Step(energy, 5, 0);
    // 21 W/kg of 50 is 42 %.
    EXPECT_EQ(energy.GetPowerBin(1)->CumTimeInMS, 10);
    EXPECT_EQ(energy.GetPowerBin(1)->Count, 1);
}

TEST_F(EnergyConsumption, RelativeZonesWithoutMaxPowerCountTotalsOnly) {
    ScriptTrack();
    context.Power = 0;
    auto calc = Ready();
    calc->setPowerZone(1);
    ASSERT_TRUE(calc->Execute(10));
    EXPECT_FALSE(calc->RecalculationNeeded());
    TqelEnergyConsumption& energy = *Energy(*calc);
    EXPECT_EQ(energy.TotalTimeInMS(), 50);
    // Every power is clamped to the maximum of 0.
    EXPECT_EQ(energy.EnergyInJ_kg(), 0.0);
    for (int i = 0; i < energy.PowerBinCount(); ++i) {
        EXPECT_EQ(energy.GetPowerBin(i)->CumTimeInMS, 0) << i;
    }
    EXPECT_EQ(energy.StepFaultCount(), 0);
}

TEST_F(EnergyConsumption, EdgesOfTheZones) {
    transponder.PowerFactor = 1.0;
    SetZones({0, 10, 20, 30, 40, 45, 50});
    auto calc = Ready();
    TqelEnergyConsumption& energy = *Energy(*calc);
    EXPECT_EQ(energy.PowerWkg(), 0.0);

    // 10 W/kg lies on the bound of zones 0 and 1: the lower one takes it.
    Step(energy, 2.5, 0);
    EXPECT_EQ(energy.GetPowerBin(0)->CumTimeInMS, 10);
    EXPECT_EQ(energy.GetPowerBin(0)->Count, 0);
    // Alternating between bins 1 and 2: one entry per change.
    for (int i = 0; i < 3; ++i) {
        Step(energy, 3.75, 0);  // 15
        Step(energy, 6.25, 0);  // 25
    }
    Step(energy, 6.25, 0);
    EXPECT_EQ(energy.GetPowerBin(1)->Count, 3);
    EXPECT_EQ(energy.GetPowerBin(2)->Count, 3);
    EXPECT_EQ(energy.GetPowerBin(2)->CumTimeInMS, 40);
    // A negative power adds to the totals only, unchanged.
    const double before = energy.EnergyInJ_kg();
    Step(energy, -1, 0);
    EXPECT_DOUBLE_EQ(energy.EnergyInJ_kg(), before - 0.04);
    EXPECT_EQ(energy.TotalTimeInMS(), 90);
    int32_t binned = 0;
    for (int i = 0; i < energy.PowerBinCount(); ++i) {
        binned += energy.GetPowerBin(i)->CumTimeInMS;
    }
    EXPECT_EQ(binned, 80);
}

TEST_F(EnergyConsumption, APowerInNoZoneAddsToTheTotalsOnly) {
    SetZones({0, 10, 20, 50});
    definition.PowerZonesAbsolute().GetZone(1).Min = 12;
    definition.PowerZonesAbsolute().GetZone(1).Max = 14;
    auto calc = Ready();
    TqelEnergyConsumption& energy = *Energy(*calc);
    transponder.PowerFactor = 1.0;
    Step(energy, 4, 0, 40);  // 16 W/kg, between zones 1 and 2
    EXPECT_DOUBLE_EQ(energy.EnergyInJ_kg(), 0.16);
    EXPECT_EQ(energy.TotalTimeInMS(), 10);
    for (int i = 0; i < energy.PowerBinCount(); ++i) {
        EXPECT_EQ(energy.GetPowerBin(i)->CumTimeInMS, 0) << i;
        EXPECT_EQ(energy.GetPowerBin(i)->CumDistanceInMM, 0) << i;
    }
}

TEST_F(EnergyConsumption, JoulesByTheAthletesWeightRoundHalfToEven) {
    auto calc = Ready();
    TqelEnergyConsumption& energy = *Energy(*calc);
    // Above the maximum: 50 W/kg for 10 ms, 500 mJ/kg.
    Step(energy, 20, 0);
    EXPECT_DOUBLE_EQ(energy.EnergyInJ_kg(), 0.5);
    struct Case {
        double Weight;
        int32_t Joules;
    };
    for (const Case& c :
         {Case{5, 2}, Case{7, 4}, Case{0, 0}, Case{std::numeric_limits<double>::quiet_NaN(), 0},
          Case{1e12, std::numeric_limits<int32_t>::max()},
          Case{-1e12, std::numeric_limits<int32_t>::min()}}) {
        transponder.Weight = c.Weight;
        EXPECT_EQ(energy.EnergyInJ(), c.Joules) << c.Weight;
        EXPECT_DOUBLE_EQ(energy.EnergyInkCal(), c.Joules / 4186.8) << c.Weight;
    }
    EXPECT_DOUBLE_EQ(energy.EnergyInJ_kg(), 0.5);

    TqelCalculation alone(nullptr, nullptr, {}, true, &context);
    TqelEnergyConsumption orphan(alone);
    EXPECT_EQ(orphan.EnergyInJ(), 0);
}

TEST_F(EnergyConsumption, TimePercentageHoldsBeyondSixHours) {
    RPowerBin bin;
    bin.CumTimeInMS = 7 * 3600 * 1000;
    EXPECT_DOUBLE_EQ(bin.TimePercentage(bin.CumTimeInMS * 2), 50.0);
    EXPECT_EQ(bin.TimePercentage(0), 0.0);
}

TEST_F(EnergyConsumption, ARerunAfterInitCountsTheSame) {
    ScriptTrack();
    auto calc = Ready();
    ASSERT_TRUE(calc->Execute(10));
    const QByteArray first = WrittenBlock(*calc);
    // The track ended in bin 2; a second run must not start from there.
    calc->setRecalculationNeeded(true);
    calc->Init(&definition, {}, 0, 50, 0, 0, {}, 0, {}, 0, {}, nullptr);
    ASSERT_TRUE(calc->Execute(10));
    EXPECT_EQ(Energy(*calc)->GetPowerBin(2)->Count, 2);
    EXPECT_EQ(WrittenBlock(*calc), first);
}

// The energy block of two bins, from the layout table.
FieldBytes TwoBinBlock() {
    FieldBytes b;
    b.i32(2);
    b.f64(0).f64(10).str(QStringLiteral("low")).i32(0x00FF00).f64(1.5);
    b.i32(1200).f64(3400.5).f64(5600.25).i32(3);
    b.f64(10).f64(50).str(QStringLiteral("hoch \u00FC")).i32(0x0000FF).f64(2.5);
    b.i32(700).f64(800.75).f64(9900.5).i32(4);
    b.i32(1).f64(15500.75).f64(3.75).i32(1900);
    return b;
}

TEST_F(EnergyConsumption, BlockReadsAndWritesBackByteForByte) {
    auto calc = Ready();
    TqelEnergyConsumption& energy = *Energy(*calc);
    const QByteArray fixture = TwoBinBlock().data();
    ASSERT_TRUE(ReadObject(energy, fixture));
    ASSERT_EQ(energy.PowerBinCount(), 2);
    const RPowerBin& high = *energy.GetPowerBin(1);
    EXPECT_EQ(high.Description, QStringLiteral("hoch \u00FC"));
    EXPECT_EQ(high.Color, 0x0000FFu);
    EXPECT_EQ(high.CumTimeInMS, 700);
    EXPECT_DOUBLE_EQ(high.CumEnergyInJ_kg, 9900.5);
    EXPECT_EQ(high.Count, 4);
    EXPECT_DOUBLE_EQ(energy.GetPowerBin(0)->CumDistanceInMM, 3400.5);
    EXPECT_EQ(energy.TotalTimeInMS(), 1900);
    EXPECT_DOUBLE_EQ(energy.EnergyInJ_kg(), 15.50075);
    EXPECT_EQ(WrittenObject(energy), fixture);
}

TEST_F(EnergyConsumption, AnAnsiDescriptionComesBackInUtf16) {
    auto calc = Ready();
    TqelEnergyConsumption& energy = *Energy(*calc);
    FieldBytes ansi;
    ansi.i32(1).f64(0).f64(10).u32(5).raw("Zon\xE9\x80", 5).i32(0).f64(0).i32(0).f64(0).f64(0);
    ansi.i32(0).i32(0).f64(0).f64(4).i32(0);
    ASSERT_TRUE(ReadObject(energy, ansi.data()));
    EXPECT_EQ(energy.GetPowerBin(0)->Description, QStringLiteral("Zon\u00E9\u20AC"));
    FieldBytes utf16;
    utf16.i32(1).f64(0).f64(10).str(QStringLiteral("Zon\u00E9\u20AC")).i32(0).f64(0).i32(0);
    utf16.f64(0).f64(0).i32(0).i32(0).f64(0).f64(4).i32(0);
    EXPECT_EQ(WrittenObject(energy), utf16.data());
}

TEST_F(EnergyConsumption, CountsBeyondTheDataRaiseBeforeAnythingIsSized) {
    auto calc = Ready();
    TqelEnergyConsumption& energy = *Energy(*calc);
    for (int32_t count : {-1, 0x7FFFFFFF}) {
        FieldBytes b;
        b.i32(count).f64(0).f64(10);
        EXPECT_THROW(ReadObject(energy, b.data()), EReadError) << count;
        EXPECT_EQ(energy.PowerBinCount(), 4) << count;
    }
    // 55 bytes cannot hold a bin.
    FieldBytes b;
    b.i32(1).raw(QByteArray(55, '\0'));
    EXPECT_THROW(ReadObject(energy, b.data()), EReadError);
}

TEST_F(EnergyConsumption, ACutInsideTheBlockLeavesTheCalculationEmpty) {
    auto source = Ready();
    ASSERT_TRUE(source->Execute(10));
    const QByteArray full = WrittenBlock(*source);
    const QByteArray block = WrittenObject(*Energy(*source));
    const qsizetype begin = full.indexOf(block);
    ASSERT_GT(begin, 0);
    for (qsizetype length = begin; length < begin + block.size(); ++length) {
        TqelCalculation calc(&transponder, nullptr, {}, true, &context);
        QByteArray data = full.left(length);
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        BinaryReader reader(buffer);
        EXPECT_THROW(calc.ReadFromStream(reader, 151), EStreamError) << length;
        EXPECT_EQ(calc.CalcVaruzaCount(), 0) << length;
        EXPECT_EQ(calc.Energy(), nullptr) << length;
    }
}

TEST_F(EnergyConsumption, AVersion92FileReadsItsEnergyBlock) {
    // The settings rows of version 92: no bad-data flags, no analysis id, no thresholds.
    FieldBytes b;
    b.i32(5).i32(26).str(QStringLiteral("Game")).i32(4).str({}).i32(3).str({});
    b.i32(90000).i32(1000).i32(300000).i32(10).u8(0).u8(0).u8(0).u8(0).f64(4.0).u8(0);
    b.i32(30000).i32(10000);
    // No sprints; speed present, heart rate to heat map absent, energy present.
    b.i32(0).u8(1).i32(20).f64(2.5);
    for (int row = 1; row < 8; ++row) {
        b.u8(0);
    }
    b.u8(1).raw(TwoBinBlock().data());
    // No agility tests; every later row is newer than version 92.
    b.i32(0);

    TqelCalculation calc(&transponder, nullptr, {}, true, &context);
    QByteArray data = b.data();
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    BinaryReader reader(buffer);
    calc.ReadFromStream(reader, 92);
    EXPECT_TRUE(reader.atEnd());
    ASSERT_EQ(calc.CalcVaruzaCount(), 2);
    EXPECT_EQ(calc.CalcVaruza(0), calc.Analysis(CalcSlot::SpeedInfo));
    EXPECT_EQ(calc.CalcVaruza(1), calc.Energy());
    EXPECT_TRUE(calc.CalculationTypes().contains(calcEnergy));
    EXPECT_EQ(calc.Energy()->PowerBinCount(), 2);
    EXPECT_EQ(calc.Energy()->TotalTimeInMS(), 1900);
    EXPECT_TRUE(calc.RecalculationNeeded());
}

}  // namespace
}  // namespace qel::test
