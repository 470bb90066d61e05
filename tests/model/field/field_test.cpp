#include "model/field/field.h"

#include <gtest/gtest.h>

#include <QFile>
#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

#include "model/dataset/dataset.h"
#include "model/field/cam_field_loader.h"
#include "model/field/field_bytes.h"
#include "model/field/field_varuzas.h"
#include "support/temp_folder.h"

namespace {

TEST(FieldTest, Defaults) {
    TqelField field;
    EXPECT_EQ(field.Version(), 27);
    EXPECT_EQ(field.PowerFactor(), 1.05);
    EXPECT_EQ(field.MeasureBoxLeftTop(), (RqelFieldPosition{-55000, 37000}));
    EXPECT_EQ(field.MeasureBoxRightBottom(), (RqelFieldPosition{55000, -37000}));
    EXPECT_EQ(field.FieldBoxLeftTop(), (RqelFieldPosition{}));
    EXPECT_EQ(field.Color(), 0x008000);
    EXPECT_EQ(field.Material(), matGrassLight);
    EXPECT_EQ(field.FieldRotation3DViewer(), 4.71238898038469);
    EXPECT_FALSE(field.HasTrack());
    EXPECT_FALSE(field.Modified());
    EXPECT_EQ(field.FieldVaruzaCount(), 0);
    EXPECT_EQ(field.Dataset(), nullptr);
}

TEST(FieldTest, PenaltyCornersFollowModified) {
    TqelField field;
    field.setFieldBox({{-52500, 34000}, {52500, -34000}});
    EXPECT_EQ(field.LeftPenaltyArea(), (RqelFieldPosition{}));
    field.setModified(true);
    EXPECT_EQ(field.LeftPenaltyArea(), (RqelFieldPosition{-36040, 20115}));
    EXPECT_EQ(field.RightPenaltyArea(), (RqelFieldPosition{36040, -20115}));
    // The middle is truncated towards zero.
    field.setFieldBox({{0, 3}, {100000, 0}});
    field.setModified(false);
    EXPECT_EQ(field.LeftPenaltyArea(), (RqelFieldPosition{16460, 20116}));
}

TEST(FieldTest, PropertiesMarkModifiedOnlyWhenChanged) {
    TqelDataset dataset;
    TqelField field(&dataset);
    const std::function<void()> changes[] = {
        [&] { field.setDrawBorder(true); },       [&] { field.setTrackTeamPursuit(true); },
        [&] { field.setBorderHeight(1.5); },      [&] { field.setFieldRotation3DViewer(0); },
        [&] { field.setCustomMaterial("Turf"); }, [&] { field.setIcehockeyPenaltyArea(ipaPosY); },
        [&] { field.setSportType(sportSoccer); },
    };
    for (const auto& change : changes) {
        field.setModified(false);
        change();
        EXPECT_TRUE(field.Modified());
        field.setModified(false);
        change();
        EXPECT_FALSE(field.Modified());
    }
    // NaN is never equal to itself.
    field.setBorderHeight(std::numeric_limits<double>::quiet_NaN());
    field.setModified(false);
    field.setBorderHeight(std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(field.Modified());
    // Plain fields.
    field.setModified(false);
    field.setColor(1);
    field.setPowerFactor(2);
    field.setSurface("Hall");
    EXPECT_FALSE(field.Modified());
}

TEST(FieldTest, SportTypeReachesTheDatasetAlsoWhenUnchanged) {
    TqelDataset dataset;
    TqelField field(&dataset);
    field.setSportType(sportIceHockey);
    EXPECT_EQ(dataset.SportType(), sportIceHockey);
    dataset.setSportType(sportSoccer);
    field.setModified(false);
    field.setSportType(sportIceHockey);
    EXPECT_EQ(dataset.SportType(), sportIceHockey);
    EXPECT_FALSE(field.Modified());
}

TEST(FieldTest, Lookups) {
    TqelField field;
    auto* line1 = field.NewVaruza<TqelFieldLineVaruza>();
    line1->setName("line1");
    field.NewVaruza<TqelFieldCircleVaruza>()->setName("LINE2");
    auto* autoLine = field.NewVaruza<TqelFieldLineVaruza>();
    autoLine->setName("LineAuto");
    autoLine->setAutoCreated(true);
    auto* leftGoal = field.NewVaruza<TqelFieldSoccerGoalVaruza>();
    leftGoal->setPosition(-50000, 0, 0);
    auto* sameX = field.NewVaruza<TqelFieldSoccerGoalVaruza>();
    sameX->setPosition(-50000, 100, 0);
    auto* rightGoal = field.NewVaruza<TqelFieldSoccerGoalVaruza>();
    rightGoal->setPosition(50000, 0, 0);
    auto* camera3 = field.NewVaruza<TqelFieldCameraVaruza>();
    camera3->setCameraIndex(3);

    EXPECT_EQ(field.FieldVaruzaByName("LiNe1"), line1);
    EXPECT_EQ(field.FieldVaruzaIndexOf("line2"), 1);
    EXPECT_EQ(field.FieldVaruzaByName("line"), nullptr);
    EXPECT_EQ(field.FieldVaruzaIndexOf("none"), -1);
    EXPECT_EQ(field.FieldVaruzaNameStartWith("line", false), line1);
    EXPECT_EQ(field.FieldVaruzaNameStartWith("line", true), autoLine);
    EXPECT_EQ(field.FieldVaruzaNameStartWith("circle", false), nullptr);
    EXPECT_EQ(field.NewVaruzaName("line"), "line3");
    EXPECT_EQ(field.NewVaruzaName("Goal"), "Goal1");
    EXPECT_EQ(field.GetSoccerGoal(igLeft), leftGoal);
    EXPECT_EQ(field.GetSoccerGoal(igRight), rightGoal);
    rightGoal->setPosition(-50000, 0, 0);
    EXPECT_EQ(field.GetSoccerGoal(igRight), leftGoal);
    EXPECT_EQ(field.FieldCameraVaruzaByCamIndex(3), camera3);
    EXPECT_EQ(field.FieldCameraVaruzaByCamIndex(0), nullptr);
    EXPECT_EQ(TqelField().GetSoccerGoal(igLeft), nullptr);

    EXPECT_EQ(field.getFieldVaruza(-1), nullptr);
    EXPECT_THROW(field.getFieldVaruza(field.FieldVaruzaCount()), EArgumentOutOfRangeException);
}

TEST(FieldTest, ListIndexesAreChecked) {
    TqelField field;
    field.addLaneDef({1, 2, "L"});
    field.addSectorDef({1, 0, 10, "S"});
    field.FieldSectors().push_back({1, {}, "F"});
    EXPECT_EQ(field.getLane(0).EndRadiusInMM, 2);
    for (const int32_t index : {-1, 1}) {
        EXPECT_THROW(field.getLane(index), EArgumentOutOfRangeException);
        EXPECT_THROW(field.getSector(index), EArgumentOutOfRangeException);
        EXPECT_THROW(field.getFieldSector(index), EArgumentOutOfRangeException);
    }
    field.clearLanes();
    field.clearSectors();
    EXPECT_EQ(field.LaneCount() + field.SectorCount(), 0);
}

TEST(FieldTest, ObjectsAreHandedToOneFieldOnce) {
    TqelField field;
    TqelField other;
    auto line = std::make_unique<TqelFieldLineVaruza>(&other);
    EXPECT_THROW(field.addFieldVaruza(std::move(line)), EAssertionFailed);
    auto* added = field.addFieldVaruza(std::make_unique<TqelFieldPoleVaruza>());
    EXPECT_EQ(added->Field(), &field);
    // Another field's object is not deleted here.
    auto* foreign = other.NewVaruza<TqelFieldPoleVaruza>();
    field.DeleteVaruza(foreign);
    EXPECT_EQ(other.FieldVaruzaCount(), 1);
}

// A track field whose finish is given by name, by points, or not at all.
QByteArray TrackStream(const QString& aFinish1, const QString& aFinish2, bool aHasTrack,
                       const QByteArray& anObjects, int32_t anObjectCount) {
    FieldBytes b;
    b.u16(27).i32(0).u8(0).str("").i32(sportTrack).box(-60000, 40000, 60000, -40000);
    b.i32(0).i32(0).u8(0).box(0, 0, 0, 0).u8(aHasTrack ? 1 : 0).u8(0);
    b.pos(0, 0).pos(0, 0).i32(0).i32(0).i32(0).u8(0);
    b.pos(-30000, 0).pos(-25000, 0).i32(400000).i32(28000);  // finish points
    b.u8(0).f64(1.05).i32(0).i32(0).i32(0);
    b.i32(anObjectCount).raw(anObjects);
    b.box(-52500, 34000, 52500, -34000).u8(0).f64(0.5);
    b.str(aFinish1).str(aFinish2).f64(0).f64(0).f64(0).f64(0).f64(0).f64(0).f64(0).i32(0).str("");
    return b.data();
}

TEST(FieldTest, FinishLinesAreLinkedOnReading) {
    FieldBytes objects;
    // A circle of the finish line's name, a line near the finish points (within 1 mm, either way
    // round), and the named line.
    objects.u8(fotCircle).base("Finish", 0).pos(0, 0).i32(1).i32(0).i32(360).i32(0).i32(2);
    objects.u8(fotLine)
        .base("ByPoints", 0)
        .pos(-24999, 1)
        .pos(-30001, 0)
        .i32(0)
        .i32(2)
        .i32(0)
        .i32(0);
    objects.u8(fotLine).base("finish", 0).pos(0, 0).pos(0, 1000).i32(0).i32(2).i32(1).i32(0);
    objects.u8(fotLine).base("Far", 0).pos(-30000, 0).pos(-25002, 0).i32(0).i32(2).i32(0).i32(0);

    TqelField field;
    ReadBytes(field, TrackStream("FINISH", "Finish", true, objects.data(), 4));
    auto* named = field.getFieldVaruza(2);
    EXPECT_EQ(field.TrackFinishLine1(), named);
    EXPECT_EQ(field.TrackFinishLine2(), named);
    EXPECT_EQ(field.TrackFinishDirection1(), qel::CrossPositiveY);
    EXPECT_EQ(field.TrackFinishDirection2(), qel::CrossPositiveY);

    ReadBytes(field, TrackStream("Nothing", "Else", true, objects.data(), 4));
    EXPECT_EQ(field.TrackFinishLine1(), field.getFieldVaruza(1));
    EXPECT_EQ(field.TrackFinishLine2(), nullptr);

    // Without a track no search by points; the penalty corners are derived instead.
    ReadBytes(field, TrackStream("Nothing", "Else", false, objects.data(), 4));
    EXPECT_EQ(field.TrackFinishLine1(), nullptr);
    EXPECT_EQ(field.TrackFinishLine2(), nullptr);
    EXPECT_EQ(field.LeftPenaltyArea(), (RqelFieldPosition{-36040, 20115}));
}

// Freeing an object clears the finish line that names it (AddressSanitizer would report a later
// use).
TEST(FieldTest, FreedFinishLinesLeaveNoReference) {
    TqelField field;
    auto* first = field.NewVaruza<TqelFieldLineVaruza>();
    auto* second = field.NewVaruza<TqelFieldLineVaruza>();
    field.setTrackFinishLine1(first);
    field.setTrackFinishLine2(second);
    field.DeleteVaruza(first);
    EXPECT_EQ(field.TrackFinishLine1(), nullptr);
    EXPECT_EQ(field.TrackFinishLine2(), second);
    EXPECT_EQ(field.FieldVaruzaCount(), 1);
    field.clearVaruzas();
    EXPECT_EQ(field.TrackFinishLine2(), nullptr);

    auto* kept = field.NewVaruza<TqelFieldLineVaruza>();
    field.setTrackFinishLine1(kept);
    FieldBytes objects;
    ReadBytes(field, TrackStream("", "", true, objects.data(), 0));
    EXPECT_EQ(field.TrackFinishLine1(), nullptr);
    EXPECT_EQ(WriteBytes(field).size(), TrackStream("", "", true, objects.data(), 0).size());
}

// A kind of our own that fails while it is written.
class FailingVaruza : public TqelFieldVaruza {
public:
    FailingVaruza() : TqelFieldVaruza(nullptr, fotFreeForm) {}
    void writeToStream(qel::BinaryWriter&) const override { throw EWriteError("disk full"); }
    void Rotate90Deg() override {}
    void Rotate(double) override {}
    void Transpose(int32_t, int32_t) override {}
};

TEST(FieldTest, FilesAreSavedWholeOrNotAtAll) {
    qel::test::TempFolder folder;
    const QString path = folder.file("pitch.qfd");
    TqelField field;
    field.NewVaruza<TqelFieldLineVaruza>()->setName("Halfway");
    field.NewVaruza<TqelFieldRectangleVaruza>()->setName("Box left");
    field.NewVaruza<TqelFieldCircleVaruza>()->setName("Centre");
    field.NewVaruza<TqelFieldLineVaruza>()->setName("Goal line");
    field.NewVaruza<TqelFieldRectangleVaruza>()->setName("Box right");
    field.SaveToFile(path);
    const QByteArray saved = WriteBytes(field);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), saved);
    file.close();

    const TqelField loaded(path);
    EXPECT_EQ(loaded.FieldVaruzaCount(), 5);

    field.addFieldVaruza(std::make_unique<FailingVaruza>());
    EXPECT_THROW(field.SaveToFile(path), EWriteError);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), saved);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 1);

    EXPECT_THROW(TqelField(folder.file("missing.qfd")), EFOpenError);
    EXPECT_THROW(field.SaveToFile(folder.file("no/such/folder.qfd")), EFCreateError);

    QStringList lines{"old"};
    QStringList areas{"old"};
    EXPECT_TRUE(qel::LoadCamFieldObjects(path, lines, areas));
    EXPECT_EQ(lines, (QStringList{"Halfway", "Goal line"}));
    EXPECT_EQ(areas, (QStringList{"Box left", "Box right"}));
    EXPECT_FALSE(qel::LoadCamFieldObjects(folder.file("missing.qfd"), lines, areas));
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_TRUE(areas.isEmpty());
}

// Larger than the save buffer: written in several pieces, read back whole.
TEST(FieldTest, LargeFieldPassesThroughTheBuffer) {
    qel::test::TempFolder folder;
    TqelField field;
    auto* plane = field.NewVaruza<TqelFieldPlaneVaruza>();
    for (int32_t i = 0; i < 10000; ++i) {
        plane->addPoint(i, -i);
    }
    field.SaveToFile(folder.file("big.qfd"));
    const TqelField loaded(folder.file("big.qfd"));
    auto* copy = static_cast<const TqelFieldPlaneVaruza*>(loaded.getFieldVaruza(0));
    ASSERT_EQ(copy->PointCount(), 10000);
    EXPECT_EQ(copy->getPoint(9999), (RqelFieldPosition{9999, -9999}));
}

// While a dataset records, its cadence thread reads the field without a lock; reading a stream
// into that field is refused, so nothing writes what the thread reads (ThreadSanitizer).
TEST(FieldTest, RecordingFieldIsReadWithoutALock) {
    TqelField source;
    source.addSectorDef({1, 0, 500, "Other"});
    const QByteArray stream = WriteBytes(source);

    TqelDataset dataset;
    TqelField field(&dataset);
    field.addSectorDef({1, 0, 100, "Back"});
    dataset.setRecording(true);
    std::atomic<bool> stop{false};
    int64_t sum = 0;
    std::thread cadence([&] {
        // At least one pass, however late the thread starts.
        do {
            sum += field.MeasureBox().LeftTop.XinMM + field.getSector(0).EndInMM +
                   (field.HasTrack() ? 1 : 0) + dataset.SportType();
        } while (!stop);
    });
    for (int i = 0; i < 200; ++i) {
        EXPECT_THROW(ReadBytes(field, stream), EFieldDefinitionError);
        dataset.setSportType(i % 2 ? sportSoccer : sportTrack);
    }
    stop = true;
    cadence.join();
    EXPECT_NE(sum, 0);
    EXPECT_EQ(field.getSector(0).EndInMM, 100);
}

}  // namespace
