#include "analysis/framework/speed_info.h"

#include <QBuffer>
#include <cstring>

#include "analysis/zone_fixture.h"
#include "platform/binary_stream.h"
#include "platform/exception.h"

namespace qel::test {
namespace {

using SpeedInfo = ZoneFixture;

TEST_F(SpeedInfo, StepsCountByBinEdgesFieldAndClock) {
    TqelSpeedInfo& speed = *Make().SpeedInfo();
    ASSERT_EQ(speed.BinCount(), 3);
    struct Case {
        Step In;
        int32_t Bin;  // -1: no bin takes it
        double MaxSpeed;
        int32_t TotalTime;
    } cases[] = {
        {{.Time = 0, .Speed = 2.0, .Distance = 200},
         1,
         2.0,
         100},  // a bin's maximum is the next bin
        {{.Time = 100, .Speed = 8.0, .Distance = 800, .FifaSpeed = 8.5}, -1, 8.0, 100},
        {{.Time = 200, .Speed = 4.0, .Distance = 400}, 2, 8.0, 200},
        {{.Time = 300, .Speed = 9.0, .Distance = 900, .OnField = false}, -1, 8.0, 200},
        {{.Time = 400, .Speed = 9.5, .Distance = 900, .ClockRunning = false}, -1, 8.0, 200},
    };
    for (const Case& c : cases) {
        Run(speed, c.In);
        EXPECT_DOUBLE_EQ(speed.MaxSpeed(), c.MaxSpeed) << c.In.Time;
        EXPECT_EQ(speed.TotalTimeInMS(), c.TotalTime) << c.In.Time;
    }
    EXPECT_DOUBLE_EQ(speed.MaxFifaSpeed(), 8.5);
    EXPECT_EQ(speed.GetSpeedBin(1).CumTimeInMS, 100);
    EXPECT_DOUBLE_EQ(speed.GetSpeedBin(1).CumDistInMM, 200);
    EXPECT_EQ(speed.GetSpeedBin(2).Count, 1);
    EXPECT_DOUBLE_EQ(speed.DistanceInMM(), 600);
    EXPECT_DOUBLE_EQ(speed.AvgSpeed(), 3.0);
    EXPECT_THROW(speed.GetSpeedBin(3), EArgumentOutOfRangeException);
    EXPECT_THROW(speed.GetSpeedBin(-1), EArgumentOutOfRangeException);

    // Above every bin resets the previous bin: coming back to bin 2 is a new entry. Leaving the
    // field inside bin 2 and coming back is not.
    Run(speed, {.Time = 500, .Speed = 5.0});
    Run(speed, {.Time = 600, .Speed = 5.0, .OnField = false});
    Run(speed, {.Time = 700, .Speed = 5.0});
    EXPECT_EQ(speed.GetSpeedBin(2).Count, 1);
    Run(speed, {.Time = 800, .Speed = 12.0});
    Run(speed, {.Time = 900, .Speed = 5.0});
    EXPECT_EQ(speed.GetSpeedBin(2).Count, 2);
    EXPECT_EQ(speed.GetSpeedBin(2).CumTimeInMS, 400);
}

TEST_F(SpeedInfo, RelativeZonesUseTheAthleteMaximum) {
    definition.setSpeedZone(1);
    transponder.MaxSpeed = 8;
    TqelSpeedInfo& speed = *Make().SpeedInfo();
    Run(speed, {.Speed = 6.0});  // 75 %
    EXPECT_EQ(speed.GetSpeedBin(2).CumTimeInMS, 100);
    Run(speed, {.Speed = 4.0});  // 50 %: the edge
    EXPECT_EQ(speed.GetSpeedBin(1).CumTimeInMS, 100);

    transponder.MaxSpeed = 0;
    TqelSpeedInfo& zero = *Make().SpeedInfo();
    Run(zero, {.Speed = 3.0});
    EXPECT_EQ(zero.TotalTimeInMS(), 0);
    EXPECT_DOUBLE_EQ(zero.MaxSpeed(), 3.0);
}

TEST_F(SpeedInfo, WithoutTransponderZonesAreAbsoluteAndTheMaximumIs15) {
    definition.setSpeedZone(1);
    TqelCalculation calculation(nullptr, &definition, nullptr, false, &context);
    TqelSpeedInfo speed(calculation);
    calculation.setTimeFrame(100);
    ASSERT_TRUE(speed.Init());
    Run(speed, {.Speed = 3.0});
    EXPECT_EQ(speed.TotalTimeInMS(), 0);  // no zone table without a definition
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(buffer);
    speed.writeToStream(writer);
    EXPECT_EQ(static_cast<uint8_t>(data[32]), 0);  // zone type
    double max = 0;
    std::memcpy(&max, data.constData() + 33, 8);
    EXPECT_DOUBLE_EQ(max, 15.0);
}

TEST_F(SpeedInfo, FatigueWindowsOfATwelveMinuteRange) {
    const int32_t start = 60000;
    TqelSpeedInfo& speed = *Make(start, start + 720000).SpeedInfo();
    ASSERT_EQ(speed.FatigueCount(), 3);
    Repeat(speed, {.Time = start, .Speed = 3.0, .Distance = 300}, 10);           // window 0
    Repeat(speed, {.Time = start - 60000, .Speed = 5.0, .Distance = 500}, 2);    // window 0
    Repeat(speed, {.Time = start + 300000, .Speed = 1.0, .Distance = 100}, 5);   // window 1
    Repeat(speed, {.Time = start + 600000, .Speed = 3.0, .Distance = 250}, 20);  // window 2
    // Outside every window: in the bins and totals only.
    Run(speed, {.Time = start - 360000, .Speed = 5.0, .Distance = 500});
    Run(speed, {.Time = start + 900000, .Speed = 5.0, .Distance = 500});

    EXPECT_EQ(speed.TotalTimeInMS(), 3900);
    EXPECT_DOUBLE_EQ(speed.DistanceInMM(), 3000 + 1000 + 500 + 5000 + 1000);
    EXPECT_EQ(speed.GetSpeedBin(2).CumTimeInMS, 400);
    EXPECT_EQ(speed.FatigueTimeInMS(0), 1200);
    EXPECT_EQ(speed.FatigueDistanceInMM(0), 4000);
    EXPECT_EQ(speed.FatigueTimeInMS(1), 500);
    EXPECT_EQ(speed.FatigueTimeInMS(2), 2000);
    EXPECT_DOUBLE_EQ(speed.FatigueIndex(0), 1000 / 60000.0 * 2 + 200 / 60000.0 * 3);
    EXPECT_DOUBLE_EQ(speed.FatigueAvgDist(1), 500.0 / 500 * 300000);
    // The last window lasts the 2 minutes left of the range.
    EXPECT_DOUBLE_EQ(speed.FatigueAvgDist(2), 5000.0 / 2000 * 120000);
    EXPECT_EQ(speed.FatigueDistrValue(0), QStringLiteral("0.00;76.92;23.08"));
    for (int32_t outside : {3, -1}) {
        EXPECT_EQ(speed.FatigueTimeInMS(outside), 0);
        EXPECT_EQ(speed.FatigueDistanceInMM(outside), 0);
        EXPECT_EQ(speed.FatigueIndex(outside), 0);
        EXPECT_EQ(speed.FatigueAvgDist(outside), 0);
        EXPECT_EQ(speed.FatigueDistrValue(outside), QString());
    }

    // The whole recording (range 0..0) has no windows.
    EXPECT_EQ(Make(0, 0).SpeedInfo()->FatigueCount(), 0);
}

TEST_F(SpeedInfo, DistributionTexts) {
    definition.SpeedZonesAbsolute().GetZone(2).Weight = 0;
    TqelSpeedInfo& speed = *Make().SpeedInfo();
    EXPECT_EQ(speed.Distr(), QString());
    EXPECT_EQ(speed.DistrValue(), QString());
    EXPECT_EQ(qel::SpeedDistValue(calc.get(), qel::FormatSettings()), QString());
    Repeat(speed, {.Speed = 1.0}, 300);
    Repeat(speed, {.Speed = 3.0}, 900);
    EXPECT_EQ(speed.Distr(), QStringLiteral("25.00;75.00;0.00"));
    EXPECT_DOUBLE_EQ(speed.Index(), 0.5 + 1.5 * 2);
    qel::FormatSettings comma;
    comma.DecimalSeparator = u',';
    EXPECT_EQ(speed.DistrValue(comma), QStringLiteral("14,29;85,71;0,00"));
    EXPECT_EQ(qel::SpeedDistValue(calc.get(), comma), QStringLiteral("14,29;85,71;0,00"));
    EXPECT_EQ(speed.DistrValue(), speed.DistrValue(qel::UserFormatSettings()));
    EXPECT_DOUBLE_EQ(speed.TimeOnField(), 120000 / 86400000.0);

    // A time but a zero index: no value text.
    TqelSpeedInfo& still = *Make().SpeedInfo();
    Repeat(still, {.Speed = 5.0}, 3);
    EXPECT_EQ(still.Distr(), QStringLiteral("0.00;0.00;100.00"));
    EXPECT_EQ(still.DistrValue(comma), QString());

    // Without a speed analysis, or without a calculation.
    qel::ScopedCalculationClass none(qel::CalcSlot::SpeedInfo, nullptr);
    Make();
    EXPECT_EQ(calc->SpeedInfo(), nullptr);
    EXPECT_EQ(qel::SpeedDistValue(calc.get(), comma), QString());
    EXPECT_EQ(qel::SpeedDistValue(nullptr, comma), QString());
}

TEST_F(SpeedInfo, ManualDataFillsTheFourHighestBins) {
    TqelSpeedInfo& three = *Make().SpeedInfo();
    try {
        three.AddManualData(5000, 20000, 1, 2, 3, 4);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("The number of speedbins is less then 4"));
    }
    EXPECT_EQ(three.TotalTimeInMS(), 5000);
    EXPECT_DOUBLE_EQ(three.DistanceInMM(), 20000);

    SetZones(definition.SpeedZonesAbsolute(),
             {{0, 1, 1}, {-1, 1, 1}, {1, 3, 1}, {3, 5, 1}, {5, 9, 1}});
    TqelSpeedInfo& speed = *Make().SpeedInfo();
    speed.AddManualData(60000, 90000, 1000, 4000, 8001, 14000);
    EXPECT_EQ(speed.TotalTimeInMS(), 60000);
    EXPECT_EQ(speed.GetSpeedBin(0).CumTimeInMS, 0);
    const int32_t times[] = {0, 2000, 2000, 2000};  // 8001 / 4 rounds to 2000
    const double distances[] = {1000, 4000, 8001, 14000};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(speed.GetSpeedBin(i + 1).CumTimeInMS, times[i]) << i;
        EXPECT_DOUBLE_EQ(speed.GetSpeedBin(i + 1).CumDistInMM, distances[i]) << i;
    }
}

TEST_F(SpeedInfo, AddTakesWhatBothObjectsHave) {
    TqelSpeedInfo& total = *Make(0, 720000).SpeedInfo();  // 3 bins, 3 windows
    Repeat(total, {.Time = 0, .Speed = 5.0, .Distance = 100}, 2);
    Repeat(total, {.Time = 600000, .Speed = 5.0, .Distance = 100}, 2);
    Run(total, {.Time = 0, .Speed = 8.5});  // only the maximum
    std::unique_ptr<TqelCalculation> totalCalc = std::move(calc);

    SetZones(definition.SpeedZonesAbsolute(), {{0, 2, 1}, {2, 4, 2}});
    TqelSpeedInfo& part = *Make(0, 300000).SpeedInfo();  // 2 bins, 2 windows
    Repeat(part, {.Time = 0, .Speed = 1.0, .Distance = 50}, 3);
    Repeat(part, {.Time = 300000, .Speed = 3.0, .Distance = 70}, 1);
    Run(part, {.Time = 0, .Speed = 9.9});

    total.Add(part);
    EXPECT_EQ(total.GetSpeedBin(0).CumTimeInMS, 300);
    EXPECT_EQ(total.GetSpeedBin(0).Count, 0);  // entries are not merged
    EXPECT_EQ(total.GetSpeedBin(1).CumTimeInMS, 100);
    EXPECT_EQ(total.GetSpeedBin(2).CumTimeInMS, 400);
    EXPECT_EQ(total.FatigueTimeInMS(0), 500);
    EXPECT_EQ(total.FatigueTimeInMS(1), 100);
    EXPECT_EQ(total.FatigueTimeInMS(2), 200);
    EXPECT_EQ(total.TotalTimeInMS(), 800);
    EXPECT_DOUBLE_EQ(total.DistanceInMM(), 400 + 150 + 70);
    EXPECT_DOUBLE_EQ(total.MaxSpeed(), 8.5);
}

}  // namespace
}  // namespace qel::test
