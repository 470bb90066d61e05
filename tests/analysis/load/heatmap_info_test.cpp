#include <cmath>
#include <limits>

#include "analysis/calculation_fixture.h"
#include "analysis/load/heatmap_info.h"
#include "model/field/field_bytes.h"

namespace qel::test {
namespace {

// A box from its edges in metres.
RqelFieldBox Box(double aLeft, double aTop, double aRight, double aBottom) {
    auto mm = [](double aMetres) { return static_cast<int32_t>(std::lround(aMetres * 1000)); };
    return {{mm(aLeft), mm(aTop)}, {mm(aRight), mm(aBottom)}};
}

int64_t Total(const TqelHeatmapInfo& aHeatmap) {
    int64_t sum = 0;
    for (int32_t i = 0; i < aHeatmap.XResolution(); ++i) {
        for (int32_t j = 0; j < aHeatmap.YResolution(); ++j) {
            sum += aHeatmap.Sectors(i, j);
        }
    }
    return sum;
}

// An athlete of game 26, part 3, with the heat map the only analysis beside the fixture's probes.
class HeatmapInfo : public CalculationFixture {
protected:
    qel::ScopedCalculationClass heatmapClass{qel::CalcSlot::Heatmap,
                                             &qel::MakeCalculation<TqelHeatmapInfo>};
    void SetUp() override { definition.setHeatmapDoCalc(true); }

    // A calculation over [0, anEnd) with 10 ms steps, its heat map laid at aResolution.
    std::unique_ptr<TqelCalculation> Ready(TqelHeatmapResolution aResolution, int32_t anEnd = 0) {
        definition.setHeatmapResolution(aResolution);
        auto calc = Make();
        calc->setRecalculationNeeded(true);
        calc->Init(&definition, {}, 0, anEnd, 0, 26, QStringLiteral("Game"), 3,
                   QStringLiteral("Part"), 4, QStringLiteral("Team"), nullptr);
        calc->setTimeFrame(10);
        return calc;
    }
    // One step on the field with the clock running.
    static void Step(TqelHeatmapInfo& aHeatmap, double aXinM, double aYinM) {
        RqelCalculatedPosition pos;
        pos.XinM = aXinM;
        pos.YinM = aYinM;
        aHeatmap.ProcessTimeFrame(0, true, pos, 0, 0, 0, 0, 0, 0, false, pldNone, true, true);
    }
};

TEST_F(HeatmapInfo, GridSizesOfTheResolutions) {
    struct Case {
        TqelHeatmapResolution Resolution;
        RqelFieldBox Field;
        int32_t Columns;
        int32_t Rows;
        double CellWidth;
        double CellHeight;
    } cases[] = {
        {hmrMedium, Box(-55, 37, 55, -37), 20, 12, 5500, 74000.0 / 12},
        {hmrLarge, Box(-55, 37, 55, -37), 10, 6, 11000, 74000.0 / 6},
        // The cells cover the whole box: 105 of 1004.76 mm.
        {hmrSmall, Box(-52.75, 34, 52.75, -34), 105, 68, 105500.0 / 105, 1000},
        {hmrSmall, Box(0, 0.999, 0.999, 0), 0, 0, 0, 0},
        // An inverted box gives negative counts at hmrSmall, negative cells otherwise.
        {hmrSmall, Box(10, -5, -10, 5), 0, 0, 0, 0},
        {hmrMedium, Box(10, -6, -10, 6), 20, 12, -1000, -1000},
        // 2 km square: four million cells are not laid.
        {hmrSmall, Box(-1000, 1000, 1000, -1000), 0, 0, 0, 0},
        // The widest box a 32-bit edge allows.
        {hmrSmall, {{INT32_MIN, 500}, {INT32_MAX, 0}}, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        context.Field = c.Field;
        auto calc = Ready(c.Resolution);
        const TqelHeatmapInfo& heatmap = *calc->Heatmap();
        EXPECT_EQ(heatmap.XResolution(), c.Columns) << c.Field.RightBottom.XinMM;
        EXPECT_EQ(heatmap.YResolution(), c.Rows) << c.Field.RightBottom.XinMM;
        EXPECT_NEAR(heatmap.XResolutionMM(), c.CellWidth, 0.005) << c.Field.RightBottom.XinMM;
        EXPECT_NEAR(heatmap.YResolutionMM(), c.CellHeight, 0.005) << c.Field.RightBottom.XinMM;
        EXPECT_EQ(Total(heatmap), 0);
    }
    context.Field = Box(-55, 37, 55, -37);
    EXPECT_NEAR(Ready(hmrMedium)->Heatmap()->YResolutionMM(), 6166.67, 0.005);
}

TEST_F(HeatmapInfo, TheLastColumnOfAMetreGridReachesTheRightEdge) {
    context.Field = Box(-52.75, 34, 52.75, -34);
    auto calc = Ready(hmrSmall);
    TqelHeatmapInfo& heatmap = *calc->Heatmap();
    Step(heatmap, 52.45, 0);
    EXPECT_EQ(heatmap.Sectors(104, 34), 10);
    EXPECT_EQ(Total(heatmap), 10);
}

TEST_F(HeatmapInfo, InitsThatLayNoGridLeaveItAsItWas) {
    context.Field = Box(-10, 6, 10, -6);
    auto calc = Ready(hmrLarge);
    TqelHeatmapInfo& heatmap = *calc->Heatmap();
    Step(heatmap, -9, -5);
    const QByteArray before = WrittenObject(heatmap);

    EXPECT_FALSE(heatmap.Init(hmrNone));
    EXPECT_FALSE(heatmap.Init(static_cast<TqelHeatmapResolution>(4)));
    context.Field = Box(0, 0.5, 0.5, 0);
    EXPECT_TRUE(heatmap.Init(hmrSmall));
    context.Field = Box(-1000, 1000, 1000, -1000);
    EXPECT_TRUE(heatmap.Init(hmrSmall));
    EXPECT_TRUE(heatmap.Init(0, 7));
    EXPECT_TRUE(heatmap.Init(-3, 7));
    EXPECT_EQ(WrittenObject(heatmap), before);
    // The old grid still counts with its old cells.
    Step(heatmap, -9, -5);
    EXPECT_EQ(heatmap.Sectors(0, 0), 20);
}

// 20 m × 12 m at hmrLarge: 2 m cells, column = (X + 10) div 2, row = (Y + 6) div 2.
TEST_F(HeatmapInfo, AScriptedWalkByHand) {
    context.Field = Box(-10, 6, 10, -6);
    context.Sport = sportIceHockey;
    context.Recording = 1;
    context.ClockData = true;
    context.ClockRunning = [](int32_t t) { return t < 4000 || t >= 5000; };
    struct Leg {
        int32_t End;
        double X;
        double Y;
    };
    // Each leg runs from the previous end; positions in metres.
    static constexpr Leg kLegs[] = {
        {1000, -9, -5},      // cell [0][0]
        {3000, 3, 5},        // cell [6][5]
        {4000, 3, 5},        // off the field
        {5000, -9, -5},      // clock stopped
        {5500, -10.5, 0},    // 0.5 m left of the box: column 0, row 3
        {6000, -12.5, 0},    // 2.5 m left: nowhere
        {6500, 10, 0},       // on the right edge: nowhere
        {7000, 0, 6},        // on the top edge: nowhere
        {7500, 9.99, 5.99},  // cell [9][5]
    };
    // The step asks for the position before it asks whether it lies on the field.
    int32_t now = 0;
    transponder.Position = [&now](int32_t t) {
        now = t;
        RqelCalculatedPosition pos;
        for (const Leg& leg : kLegs) {
            if (t < leg.End) {
                pos.XinM = leg.X;
                pos.YinM = leg.Y;
                break;
            }
        }
        return pos;
    };
    transponder.OnField = [&now](const RqelCalculatedPosition&) {
        return now < 3000 || now >= 4000;
    };
    auto calc = Ready(hmrLarge, 7500);
    ASSERT_TRUE(calc->Execute(10));
    const TqelHeatmapInfo& heatmap = *calc->Heatmap();
    for (int32_t i = 0; i < 10; ++i) {
        for (int32_t j = 0; j < 6; ++j) {
            int32_t expected = 0;
            if (i == 0 && j == 0) {
                expected = 1000;
            } else if (i == 6 && j == 5) {
                expected = 2000;
            } else if (i == 0 && j == 3) {
                expected = 500;
            } else if (i == 9 && j == 5) {
                expected = 500;
            }
            EXPECT_EQ(heatmap.Sectors(i, j), expected) << i << "," << j;
        }
    }
    EXPECT_EQ(heatmap.Sectors(10, 0), 0);
    EXPECT_EQ(heatmap.Sectors(0, -1), 0);
}

TEST_F(HeatmapInfo, ATeamPlayingRightToLeftMirrorsBothAxes) {
    context.Field = Box(-52.5, 34, 52.5, -34);
    // The groups' direction of the moment does not count: the part's begin decides.
    context.Groups = {CalculationGroup{true, 0, 1000000, 4, true, pldRightToLeft}};
    struct Case {
        TqelPlayDirection Direction;
        int32_t Column;
        int32_t Row;
    } cases[] = {{pldRightToLeft, 19, 11}, {pldLeftToRight, 0, 0}, {pldNone, 0, 0}};
    for (const Case& c : cases) {
        QList<int32_t> asked;
        context.PartDirection = [&](int32_t aGame, int32_t aPart, int32_t aTPid) {
            asked = {aGame, aPart, aTPid};
            return c.Direction;
        };
        transponder.Position = [](int32_t) {
            RqelCalculatedPosition pos;
            pos.XinM = -52;
            pos.YinM = -30;
            return pos;
        };
        transponder.OnField = [](const RqelCalculatedPosition&) { return true; };
        auto calc = Ready(hmrMedium, 100);
        EXPECT_EQ(asked, (QList<int32_t>{26, 3, 7}));
        ASSERT_TRUE(calc->Execute(10));
        EXPECT_EQ(calc->Heatmap()->Sectors(c.Column, c.Row), 100) << int(c.Direction);
        EXPECT_EQ(Total(*calc->Heatmap()), 100) << int(c.Direction);
    }
}

TEST_F(HeatmapInfo, FinalizeRendersTheGridAsCompactJson) {
    auto calc = Ready(hmrNone);
    TqelHeatmapInfo& heatmap = *calc->Heatmap();
    EXPECT_TRUE(heatmap.MetaData().isEmpty());
    ASSERT_TRUE(heatmap.Init(2, 1));
    for (int i = 0; i < 3; ++i) {
        Step(heatmap, -50, 0);
    }
    heatmap.Finalize();
    EXPECT_EQ(heatmap.MetaData(),
              QStringLiteral("{\"XResolution\":2,\"YResolution\":1,\"Sectors\":["
                             "{\"X\":0,\"Y\":[{\"Y\":0,\"TimeMS\":30}]},"
                             "{\"X\":1,\"Y\":[{\"Y\":0,\"TimeMS\":0}]}]}"));
    Step(heatmap, 50, 0);
    heatmap.Finalize();
    EXPECT_TRUE(heatmap.MetaData().endsWith(QStringLiteral("{\"Y\":0,\"TimeMS\":10}]}]}")))
        << heatmap.MetaData().toStdString();
    ASSERT_TRUE(ReadObject(heatmap, WrittenObject(heatmap)));
    EXPECT_TRUE(heatmap.MetaData().isEmpty());
    EXPECT_FALSE(heatmap.HasPicture());
    EXPECT_TRUE(heatmap.Picture().isEmpty());
}

TEST_F(HeatmapInfo, AZeroWidthBoxCountsNothingAndTheRunFinalizes) {
    context.Field = Box(5, 34, 5, -34);
    transponder.OnField = [](const RqelCalculatedPosition&) { return true; };
    transponder.Position = [](int32_t) {
        RqelCalculatedPosition pos;
        pos.XinM = 5;
        return pos;
    };
    auto calc = Ready(hmrMedium, 100);
    const TqelHeatmapInfo& heatmap = *calc->Heatmap();
    ASSERT_EQ(heatmap.XResolution(), 20);
    ASSERT_EQ(heatmap.YResolution(), 12);
    EXPECT_TRUE(calc->Execute(10));
    EXPECT_FALSE(calc->RecalculationNeeded());
    EXPECT_EQ(Total(heatmap), 0);
    EXPECT_EQ(heatmap.StepFaultCount(), 0);
    EXPECT_TRUE(heatmap.MetaData().startsWith(QStringLiteral("{\"XResolution\":20,")));
}

TEST_F(HeatmapInfo, PositionsThatAreNoNumberOrFarAwayAreDropped) {
    auto calc = Ready(hmrSmall);
    TqelHeatmapInfo& heatmap = *calc->Heatmap();
    const double inf = std::numeric_limits<double>::infinity();
    for (double x : {std::numeric_limits<double>::quiet_NaN(), inf, -inf, 1e300, -1e300}) {
        Step(heatmap, x, 0);
        Step(heatmap, 0, x);
    }
    EXPECT_EQ(Total(heatmap), 0);
}

TEST_F(HeatmapInfo, AHeatMapReadAndSteppedBeforeInitCountsNothing) {
    TqelCalculation calc(&transponder, nullptr, {}, true, &context);
    calc.setTimeFrame(10);
    TqelHeatmapInfo heatmap(calc);
    FieldBytes b;
    b.i32(2).i32(1).i32(7).i32(8);
    ASSERT_TRUE(ReadObject(heatmap, b.data()));
    Step(heatmap, 0, 0);
    Step(heatmap, -52, -33);
    EXPECT_EQ(WrittenObject(heatmap), b.data());
}

TEST_F(HeatmapInfo, BlocksReadAndWriteBackByteForByte) {
    auto calc = Ready(hmrLarge);
    TqelHeatmapInfo& heatmap = *calc->Heatmap();
    FieldBytes grid;
    grid.i32(3).i32(2);
    for (int32_t v = 1; v <= 6; ++v) {
        grid.i32(v);
    }
    ASSERT_TRUE(ReadObject(heatmap, grid.data()));
    EXPECT_EQ(heatmap.XResolution(), 3);
    EXPECT_EQ(heatmap.YResolution(), 2);
    EXPECT_EQ(heatmap.Sectors(0, 1), 2);
    EXPECT_EQ(heatmap.Sectors(2, 0), 5);
    EXPECT_EQ(heatmap.Sectors(2, 1), 6);
    EXPECT_EQ(WrittenObject(heatmap), grid.data());

    for (int32_t columns : {0, 3}) {
        FieldBytes empty;
        empty.i32(columns).i32(0);
        ASSERT_TRUE(ReadObject(heatmap, empty.data())) << columns;
        EXPECT_EQ(heatmap.XResolution(), columns);
        EXPECT_EQ(heatmap.YResolution(), 0);
        EXPECT_EQ(Total(heatmap), 0);
        EXPECT_EQ(WrittenObject(heatmap), empty.data()) << columns;
    }
}

TEST_F(HeatmapInfo, BadCountsRaiseBeforeAnythingIsSized) {
    auto calc = Ready(hmrLarge);
    TqelHeatmapInfo& heatmap = *calc->Heatmap();
    Step(heatmap, 0, 0);
    const QByteArray before = WrittenObject(heatmap);
    struct Case {
        int32_t X;
        int32_t Y;
    };
    for (const Case& c : {Case{-1, 2}, Case{2, -1}, Case{1000001, 0}, Case{0, 1000001},
                          Case{1000000, 1000000}, Case{3, 2}}) {
        FieldBytes b;
        b.i32(c.X).i32(c.Y);
        // Five of the six cells of a 3 x 2 grid.
        for (int k = 0; k < 5; ++k) {
            b.i32(k);
        }
        EXPECT_THROW(ReadObject(heatmap, b.data()), EReadError) << c.X << " x " << c.Y;
        EXPECT_EQ(WrittenObject(heatmap), before) << c.X << " x " << c.Y;
    }
}

TEST_F(HeatmapInfo, IsMadeInProcessingOrderBetweenCoveredAreaAndEnergy) {
    ProbeClasses around{qel::CalcSlot::CovertArea, qel::CalcSlot::Energy};
    auto calc = Ready(hmrLarge);
    ASSERT_EQ(calc->CalcVaruzaCount(), 5);
    EXPECT_EQ(calc->CalcVaruza(2), calc->Analysis(qel::CalcSlot::CovertArea));
    EXPECT_EQ(calc->CalcVaruza(3), calc->Heatmap());
    EXPECT_EQ(calc->CalcVaruza(4), calc->Analysis(qel::CalcSlot::Energy));

    definition.setHeatmapDoCalc(false);
    EXPECT_EQ(Make()->Heatmap(), nullptr);
}

TEST_F(HeatmapInfo, AVersion92FileReadsItsHeatMapInListOrder) {
    ProbeClasses more{qel::CalcSlot::AccelAct, qel::CalcSlot::Energy};
    // The settings rows of version 92: no bad-data flags, no analysis id, no thresholds.
    FieldBytes b;
    b.i32(5).i32(26).str(QStringLiteral("Game")).i32(4).str({}).i32(3).str({});
    b.i32(90000).i32(1000).i32(300000).i32(10).u8(0).u8(0).u8(0).u8(0).f64(4.0).u8(0);
    b.i32(30000).i32(10000);
    // No sprints; speed, acceleration efforts, heat map and energy present.
    b.i32(0);
    b.u8(1).i32(20).f64(2.5);               // speed
    b.u8(0).u8(0);                          // heart rate, acceleration zones
    b.u8(1).i32(30).f64(3.5);               // acceleration efforts
    b.u8(0).u8(0).u8(0);                    // ice hockey, load, covered area
    b.u8(1).i32(2).i32(1).i32(30).i32(40);  // heat map
    b.u8(1).i32(40).f64(4.5);               // energy
    b.i32(0);

    TqelCalculation calc(&transponder, nullptr, {}, true, &context);
    ASSERT_TRUE(ReadBlock(calc, b.data(), 92));
    using S = qel::CalcSlot;
    const S order[] = {S::SpeedInfo, S::AccelAct, S::Heatmap, S::Energy};
    ASSERT_EQ(calc.CalcVaruzaCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(calc.CalcVaruza(i), calc.Analysis(order[i])) << i;
    }
    EXPECT_TRUE(calc.CalculationTypes().contains(calcHeatmap));
    EXPECT_EQ(calc.Heatmap()->Sectors(1, 0), 40);
    EXPECT_EQ(calc.Heatmap()->XResolution(), 2);
}

// Every analysis that is built, with the heat map at one cell per metre.
TEST(HeatmapCalculation, EveryObjectIsWrittenReadAndWrittenAgainByteForByte) {
    ScriptedTransponder transponder;
    FakeCalculationContext context;
    TqeldbAnalyzeDef definition(nullptr);
    definition.setHeatmapDoCalc(true);
    definition.setHeatmapResolution(hmrSmall);
    transponder.Position = [](int32_t t) {
        RqelCalculatedPosition pos;
        pos.XinM = (t % 20000) / 200.0 - 50;
        pos.YinM = (t % 6000) / 100.0 - 30;
        return pos;
    };
    TqelCalculation source(&transponder, &definition, {}, false, &context);
    uint32_t types = 0;
    for (int bit = 0; bit < qel::CalculationTypeCount; ++bit) {
        types |= source.CalculationTypes().contains(bit) ? 1u << bit : 0;
    }
    EXPECT_EQ(types, 0x2D9FFu);
    source.Init(&definition, {}, 0, 60000, 0, 26, {}, 3, {}, 4, {}, nullptr);
    ASSERT_TRUE(source.Execute(10));
    ASSERT_NE(source.Heatmap(), nullptr);
    EXPECT_EQ(source.Heatmap()->XResolution(), 105);
    EXPECT_GT(Total(*source.Heatmap()), 0);
    const QByteArray written = WrittenBlock(source);

    TqelCalculation calc(&transponder, nullptr, {}, true, &context);
    ASSERT_TRUE(ReadBlock(calc, written, 151));
    for (const qel::CalculationClassInfo& info : qel::kCalculationClasses) {
        const bool wanted = source.CalculationTypes().contains(info.Bit) &&
                            qel::RegisteredCalculation(info.Slot) != nullptr;
        EXPECT_EQ(source.Analysis(info.Slot) != nullptr, wanted) << info.ClassName;
        EXPECT_EQ(calc.Analysis(info.Slot) != nullptr, wanted) << info.ClassName;
    }
    EXPECT_EQ(calc.CalcVaruzaCount(), source.CalcVaruzaCount());
    EXPECT_EQ(WrittenBlock(calc), written);
}

}  // namespace
}  // namespace qel::test
