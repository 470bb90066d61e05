#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "model/field/default_soccer_field.h"
#include "model/field/field.h"
#include "model/field/field_notices.h"
#include "model/field/field_varuzas.h"
#include "platform/exception.h"
#include "support/temp_folder.h"

namespace {

using qel::test::FieldNotices;
using qel::test::MetrePosition;

constexpr RqelFieldBox kPitchBox{{-52500, 34000}, {52500, -34000}};

TEST(FieldGeometryTest, PositionToZone) {
    TqelField field;
    field.setFieldBox(kPitchBox);
    // L = -36 m, R = 36 m; the halves of each half end at -18 and 18 m, the rows at +-11 m.
    const struct {
        double x, y;
        TqelPlayDirection direction;
        int32_t zone;
    } cases[] = {
        {-40, 20, pldLeftToRight, 1},
        {-20, 0, pldLeftToRight, 5},
        {10, -15, pldLeftToRight, 12},
        {10, -15, pldRightToLeft, 7},
        // -36.5 rounds to -36 (half to even), which is not left of L.
        {-36.5, 0, pldLeftToRight, 5},
        {-37.5, 0, pldLeftToRight, 2},
        // Row borders: 11 is the middle row, -11 the bottom one.
        {-1, 11, pldNone, 8},
        {-1, 11.5, pldNone, 7},
        {-1, -11, pldNone, 9},
        {-1, -10.5, pldNone, 8},
        {0, 0, pldNone, 11},
        // Column borders belong to the column on their right.
        {-18, 0, pldLeftToRight, 8},
        {18, 0, pldLeftToRight, 14},
        {36, 0, pldLeftToRight, 17},
        {60, -20, pldLeftToRight, 18},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(field.PositionToZone(c.x, c.y, c.direction), c.zone) << c.x << ", " << c.y;
    }
    EXPECT_THROW(field.PositionToZone(std::nan(""), 0, pldNone), EInvalidOp);
}

TEST(FieldGeometryTest, IsOnFieldAndInFieldBox) {
    TqelField field;
    field.setMeasureBox({{-1000, 2000}, {3000, -4000}});
    field.setFieldBox({{-500, 1000}, {500, -1000}});
    const struct {
        int32_t x, y;
        bool onField;
    } cases[] = {
        {-1000, 2000, true}, {3000, -4000, true}, {-1000, -4000, true}, {3000, 2000, true},
        {-1001, 5, false},   {3001, 5, false},    {5, 2001, false},     {5, -4001, false},
        {0, 5, false},       {5, 0, false},       {1, 1, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(field.isOnField(c.x, c.y), c.onField) << c.x << ", " << c.y;
        EXPECT_EQ(field.isOnField(MetrePosition(c.x / 1000.0, c.y / 1000.0)), c.onField)
            << c.x << ", " << c.y;
    }
    // A field position has no zero test.
    EXPECT_TRUE(field.isOnField(RqelFieldPosition{0, 0}));
    EXPECT_TRUE(field.isOnField(RqelFieldPosition{-1000, 2000}));
    EXPECT_FALSE(field.isOnField(RqelFieldPosition{0, 2001}));

    EXPECT_TRUE(field.InFieldBox(MetrePosition(0, 0)));
    EXPECT_TRUE(field.InFieldBox(MetrePosition(-0.5, -1)));
    EXPECT_TRUE(field.InFieldBox(MetrePosition(0.5, 1)));
    EXPECT_FALSE(field.InFieldBox(MetrePosition(0.501, 0)));
    EXPECT_FALSE(field.InFieldBox(MetrePosition(0, -1.001)));
}

RqelGPSPosition Origin(double aDirection) {
    RqelGPSPosition origin;
    origin.setLatitude(48.2);
    origin.setLongitude(16.37);
    origin.setDirection(aDirection);
    return origin;
}

TEST(FieldGeometryTest, GPSPositionsConvertBothWays) {
    TqelField field;
    field.setFieldBox(kPitchBox);
    field.SetGPSFieldLocation(Origin(0.3));
    for (int32_t x = -60000; x <= 60000; x += 7301) {
        for (int32_t y = -40000; y <= 40000; y += 5903) {
            const RqelGPSPosition gps =
                field.calcGPSPosition(MetrePosition(x / 1000.0, y / 1000.0));
            const RqelPositionRec back =
                field.GPStoMetric(qel::Latitude(gps.Latitude()), qel::Longitude(gps.Longitude()));
            EXPECT_NEAR(back.XinMM, x, 1) << x << ", " << y;
            EXPECT_NEAR(back.YinMM, y, 1) << x << ", " << y;
        }
    }
    // Turned counter-clockwise: a point east of the origin lies north of it too.
    const RqelGPSPosition east = field.calcGPSPosition(MetrePosition(100, 0));
    EXPECT_GT(east.Latitude(), 48.2);
    EXPECT_GT(east.Longitude(), 16.37);
    EXPECT_FALSE(east.Valid());
    EXPECT_TRUE(field.calcGPSPosition(MetrePosition(10, 10)).Valid());
    EXPECT_FALSE(field.calcGPSPosition(MetrePosition(0, 10)).Valid());
}

TEST(FieldGeometryTest, GPSLocationSetsTheReferenceAReaderDerivesAgain) {
    qel::test::TempFolder folder;
    TqelField field;
    field.setFieldBox(kPitchBox);
    field.SetGPSFieldLocation(Origin(0.3));
    EXPECT_EQ(field.GPSLatDegM(), 8.993216059187306e-06);
    EXPECT_DOUBLE_EQ(field.GPSLongDegM(), 8.993216059187306e-06 / std::cos(48.2 * M_PI / 180));
    EXPECT_EQ(field.GPSRotation(), 0.3);
    EXPECT_EQ(field.GPSZeroPoint().Latitude(), 48.2);
    EXPECT_EQ(field.GPSZeroPoint().Longitude(), 16.37);
    const RqelGPSPosition left = field.calcGPSPosition(MetrePosition(-52.5, -34));
    const RqelGPSPosition right = field.calcGPSPosition(MetrePosition(52.5, -34));
    EXPECT_EQ(field.GPSPoint1().Latitude(), left.Latitude());
    EXPECT_EQ(field.GPSPoint1().Longitude(), left.Longitude());
    EXPECT_EQ(field.GPSPoint2().Latitude(), right.Latitude());
    EXPECT_EQ(field.GPSPoint2().Longitude(), right.Longitude());

    field.SaveToFile(folder.file("gps.qfd"));
    const TqelField loaded(folder.file("gps.qfd"));
    EXPECT_NEAR(loaded.GPSRotation(), 0.3, 1e-4);
    EXPECT_DOUBLE_EQ(loaded.GPSLongDegM(), field.GPSLongDegM());
    const RqelPositionRec corner =
        loaded.GPStoMetric(qel::Latitude(right.Latitude()), qel::Longitude(right.Longitude()));
    EXPECT_NEAR(corner.XinMM, 52500, 10);
    EXPECT_NEAR(corner.YinMM, -34000, 10);
}

TEST(FieldGeometryTest, GPStoMetricRaisesWithoutAReferenceOrBeyond32Bits) {
    TqelField field;
    EXPECT_THROW(field.GPStoMetric(qel::Latitude(48.2), qel::Longitude(16.37)), EInvalidOp);
    field.SetGPSFieldLocation(Origin(0));
    // 30 degrees north are some 3,300 km: more mm than 32 bits hold.
    EXPECT_THROW(field.GPStoMetric(qel::Latitude(78.2), qel::Longitude(16.37)), EInvalidOp);
    EXPECT_THROW(field.calcGPSPosition(MetrePosition(3e6, 1)), EInvalidOp);
}

TEST(FieldGeometryTest, TransposeMovesTheGeometryOnly) {
    FieldNotices notices;
    TqelField& field = notices.Field();
    field.setFieldBox(kPitchBox);
    auto* line = field.NewVaruza<TqelFieldLineVaruza>();
    line->setStartPoint(0, 0);
    line->setEndPoint(1000, 0);
    field.FieldSectors().push_back({1, {{0, 10}, {10, 0}}, "Half"});
    field.addLaneDef({100, 200, "Lane"});
    field.addSectorDef({1, 0, 500, "Bend"});
    field.setOutOfBoundsBoxLeftTop({-1, 1});
    field.setTransposeXinMM(7);
    field.setHasTrack(true);
    field.setTrackDefinition({{-10000, 0}, {10000, 0}, 1, 2});
    field.setTrackFinishLeft({0, -5000});
    field.setTrackFinishRight({0, -9000});
    field.SetGPSFieldLocation(Origin(0.3));
    const RqelGPSPosition point1 = field.GPSPoint1();
    notices.Take();

    field.Transpose(5000, -2000);
    EXPECT_EQ(line->StartPoint(), (RqelFieldPosition{5000, -2000}));
    EXPECT_EQ(line->EndPoint(), (RqelFieldPosition{6000, -2000}));
    EXPECT_EQ(field.MeasureBoxLeftTop(), (RqelFieldPosition{-50000, 35000}));
    EXPECT_EQ(field.MeasureBoxRightBottom(), (RqelFieldPosition{60000, -39000}));
    EXPECT_EQ(field.FieldBoxLeftTop(), (RqelFieldPosition{-47500, 32000}));
    EXPECT_EQ(field.FieldBoxRightBottom(), (RqelFieldPosition{57500, -36000}));
    EXPECT_EQ(field.getFieldSector(0).Box.LeftTop, (RqelFieldPosition{5000, -1990}));
    EXPECT_EQ(field.TrackDefinition().TrackCorner1, (RqelFieldPosition{-5000, -2000}));
    EXPECT_EQ(field.TrackDefinition().TrackCorner2, (RqelFieldPosition{15000, -2000}));
    EXPECT_EQ(field.TrackDefinition().TrackEndRadiusInMM, 2);
    EXPECT_EQ(field.TrackFinishLeft(), (RqelFieldPosition{5000, -7000}));
    EXPECT_EQ(field.TrackFinishRight(), (RqelFieldPosition{5000, -11000}));
    // Not moved.
    EXPECT_EQ(field.getLane(0).StartRadiusInMM, 100);
    EXPECT_EQ(field.getSector(0).EndInMM, 500);
    EXPECT_EQ(field.OutOfBoundsBoxLeftTop(), (RqelFieldPosition{-1, 1}));
    EXPECT_EQ(field.TransposeXinMM(), 7);
    EXPECT_EQ(field.GPSPoint1().Latitude(), point1.Latitude());
    EXPECT_EQ(notices.Take(), 1);

    // Without a track its corners stay.
    field.setHasTrack(false);
    field.Transpose(5000, -2000);
    EXPECT_EQ(field.TrackDefinition().TrackCorner1, (RqelFieldPosition{-5000, -2000}));
    EXPECT_EQ(field.TrackFinishLeft(), (RqelFieldPosition{5000, -7000}));
}

// While a dataset records, its cadence thread asks isOnField without a lock; moving the field or
// replacing it with a pitch is refused, so nothing writes what it reads (ThreadSanitizer).
TEST(FieldGeometryTest, RecordingFieldIsNotReshaped) {
    TqelDataset dataset;
    TqelField& field = *dataset.Field();
    field.setMeasureBox({{-1000, 1000}, {1000, -1000}});
    dataset.setRecording(true);
    std::atomic<bool> stop{false};
    int64_t onField = 0;
    std::thread cadence([&] {
        while (!stop) {
            onField += field.isOnField(500, 500) ? 1 : 0;
        }
    });
    for (int i = 0; i < 200; ++i) {
        EXPECT_THROW(field.Transpose(5000, 0), EFieldDefinitionError);
        EXPECT_THROW(CreateDefaultSoccerField(field, 105000, 68000), EFieldDefinitionError);
    }
    stop = true;
    cadence.join();
    EXPECT_GT(onField, 0);
    EXPECT_EQ(field.MeasureBoxLeftTop(), (RqelFieldPosition{-1000, 1000}));
    EXPECT_EQ(field.FieldVaruzaCount(), 0);
}

}  // namespace
