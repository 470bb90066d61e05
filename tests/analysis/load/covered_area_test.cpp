#include <QBuffer>
#include <climits>

#include "analysis/calculation_fixture.h"
#include "analysis/load/covered_area.h"
#include "model/field/field_bytes.h"

namespace qel::test {
namespace {

// A new field's measure box: -55 m to 55 m along X, -37 m to 37 m along Y (110 x 74 cells).
class CoveredArea : public CalculationFixture {
protected:
    qel::ScopedCalculationClass areaClass{qel::CalcSlot::CovertArea,
                                          &qel::MakeCalculation<TqelCovertArea>};
    std::unique_ptr<TqelCalculation> calc;

    TqelCovertArea& Ready() {
        calc = Make();
        calc->setTimeFrame(10);
        calc->Init(&definition, {}, 0, 0, 0, 0, {}, 0, {}, 0, {}, nullptr);
        return *calc->CovertArea();
    }
    static void Step(TqelCovertArea& anArea, double anX, double aY, bool anOnField = true,
                     bool aClockIsRunning = true) {
        RqelCalculatedPosition pos;
        pos.XinM = anX;
        pos.YinM = aY;
        anArea.ProcessTimeFrame(0, anOnField, pos, 0, 0, 0, 0, 0, 0, false, pldNone, true,
                                aClockIsRunning);
    }
};

TEST_F(CoveredArea, CellsAreMetresCentredOnTheirCorner) {
    TqelCovertArea& area = Ready();
    ASSERT_EQ(area.XResolution(), 110);
    ASSERT_EQ(area.YResolution(), 74);
    // 0.5 m from the left edge rounds to cell 0, 1.5 m to cell 2 (halves to even).
    Step(area, -54.5, -36.5);
    Step(area, -53.5, -36.5);
    Step(area, -53.5, -36.5);
    EXPECT_EQ(area.CellTimeInMS(0, 0), 10);
    EXPECT_EQ(area.CellTimeInMS(1, 0), 0);
    EXPECT_EQ(area.CellTimeInMS(2, 0), 20);
    EXPECT_EQ(area.MaxTimeInSquare(), 20);
    // Outside the box, off the field or with the clock stopped: nothing.
    Step(area, 54.6, 0);
    Step(area, -55.6, 0);
    Step(area, 0, 36.6);
    Step(area, 0, -37.6);
    Step(area, -53.5, -36.5, false, true);
    Step(area, -53.5, -36.5, true, false);
    EXPECT_EQ(area.CellTimeInMS(2, 0), 20);
    area.Finalize();
    EXPECT_EQ(area.SquareMeters(), 2.0);
}

TEST_F(CoveredArea, AreaAndBoundsOfTheVisitedCells) {
    TqelCovertArea& area = Ready();
    // 50 x 5 cells, X cells 10 to 59 and Y cells 5 to 9, one step each; one cell long.
    for (int x = 10; x < 60; ++x) {
        for (int y = 5; y < 10; ++y) {
            Step(area, x - 55, y - 37);
        }
    }
    for (int i = 0; i < 500; ++i) {
        Step(area, -30, -30);
    }
    area.Finalize();
    EXPECT_EQ(area.SquareMeters(), 250.0);
    EXPECT_EQ(area.MinXPosInMM(), -45000);
    EXPECT_EQ(area.MaxXPosInMM(), 4000);
    EXPECT_EQ(area.MinYPosInMM(), -32000);
    EXPECT_EQ(area.MaxYPosInMM(), -28000);
    EXPECT_EQ(area.MaxTimeInSquare(), 5010);
}

TEST_F(CoveredArea, NoVisitedCellGivesTheFarAndNearEdges) {
    TqelCovertArea& area = Ready();
    area.Finalize();
    EXPECT_EQ(area.SquareMeters(), 0.0);
    EXPECT_EQ(area.MinXPosInMM(), 55000);
    EXPECT_EQ(area.MinYPosInMM(), 37000);
    EXPECT_EQ(area.MaxXPosInMM(), -55000);
    EXPECT_EQ(area.MaxYPosInMM(), -37000);
}

TEST_F(CoveredArea, UnusableBoxesGetNoGridAndCountNothing) {
    const RqelFieldBox boxes[] = {
        {{55000, 37000}, {-55000, -37000}},          // inverted along X
        {{-55000, -37000}, {55000, 37000}},          // inverted along Y
        {{-55000, 37000}, {-54500, -37000}},         // less than a cell wide
        {{0, 0}, {0, 0}},                            // empty
        {{-1000000, 1000000}, {1000000, -1000000}},  // 2 km square: 4 million cells
        {{INT_MIN, INT_MAX}, {INT_MAX, INT_MIN}},    // the whole range
    };
    for (const RqelFieldBox& box : boxes) {
        context.Box = box;
        TqelCovertArea& area = Ready();
        EXPECT_EQ(area.GridCapacity(), 0u) << box.LeftTop.XinMM;
        for (int i = 0; i < 10; ++i) {
            Step(area, i * 100.0 - 500, i * 50.0 - 250);
        }
        EXPECT_EQ(area.MaxTimeInSquare(), 0) << box.LeftTop.XinMM;
        area.Finalize();
        EXPECT_EQ(area.SquareMeters(), 0.0) << box.LeftTop.XinMM;
    }
    // A square kilometre still gets its grid.
    context.Box = {{-500000, 500000}, {500000, -500000}};
    TqelCovertArea& area = Ready();
    EXPECT_EQ(area.XResolution(), 1000);
    EXPECT_EQ(area.YResolution(), 1000);
    Step(area, 499.4, -500);
    area.Finalize();
    EXPECT_EQ(area.SquareMeters(), 1.0);
    EXPECT_EQ(area.MaxXPosInMM(), 499000);
}

TEST_F(CoveredArea, StoredBlockReadsBackItsResults) {
    TqelCovertArea& area = Ready();
    FieldBytes b;
    b.i32(-45000).i32(-32000).f64(250.5).i32(4000).i32(5010).i32(-28000);
    const QByteArray data = b.data();
    EXPECT_TRUE(ReadObject(area, data, 151));
    EXPECT_EQ(area.MinXPosInMM(), -45000);
    EXPECT_EQ(area.MinYPosInMM(), -32000);
    EXPECT_EQ(area.SquareMeters(), 250.5);
    EXPECT_EQ(area.MaxXPosInMM(), 4000);
    EXPECT_EQ(area.MaxTimeInSquare(), 5010);
    EXPECT_EQ(area.MaxYPosInMM(), -28000);
    // No cells come with it: steps count nothing until the next Init.
    Step(area, 0, 0);
    EXPECT_EQ(area.MaxTimeInSquare(), 5010);
    EXPECT_EQ(WrittenObject(area), data);
}

}  // namespace
}  // namespace qel::test
