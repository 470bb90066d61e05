#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "model/dataset/dataset.h"
#include "model/field/field.h"
#include "model/field/field_bytes.h"
#include "model/field/field_varuzas.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDegreesPerMetre = 8.993216059187306e-06;

// Where the counts of the version-27 fixture lie, to spoil them.
struct Marks {
    qsizetype lanes = 0;
    qsizetype firstLaneDescription = 0;
    qsizetype sectors = 0;
    qsizetype fieldSectors = 0;
    qsizetype objects = 0;
};

// A version-27 field written by hand from the item table: a track with two lanes, a track
// sector, a field sector, the finish line and a camera.
QByteArray Version27Fixture(Marks* aMarks = nullptr) {
    Marks marks;
    FieldBytes b;
    b.u16(27).i32(0x336699).u8(matIce).str("").i32(sportTrack);
    b.box(-60000, 40000, 60000, -40000);  // measure box
    b.i32(100).i32(-200).u8(1);           // transpose, quarter turns
    b.box(-70000, 50000, 70000, -50000);  // out of bounds
    b.u8(1).u8(trackVertical);            // track
    b.pos(0, 20000).pos(0, -20000).i32(25000).i32(30000);
    b.i32(0xFF0000).u8(matConcrete);
    b.pos(-30000, 0).pos(-25000, 0).i32(400000).i32(28000);
    b.u8(1).f64(1.25);  // team pursuit, power factor
    marks.lanes = b.size();
    b.i32(2);
    b.i32(25000).i32(26000);
    marks.firstLaneDescription = b.size();
    b.desc("Lane 1");
    b.i32(26000).i32(27000).desc("Lane 2");
    marks.sectors = b.size();
    b.i32(1).i32(1).i32(0).i32(100000).desc("Back");
    marks.fieldSectors = b.size();
    b.i32(1).i32(2).box(-10000, 10000, 10000, -10000).desc("Centre");
    marks.objects = b.size();
    b.i32(2);
    b.u8(fotLine).base("Finish", 0xFFFFFF).pos(-30000, 0).pos(-25000, 0);
    b.i32(lnpDotted).i32(3).i32(3).i32(1200);  // pattern, width, direction, height
    b.u8(fotCamera).base("Cam1", 0x0000FF).pos(5000, -45000).pos(5000, -44000).i32(9000);
    b.str("Cam1").i32(90).i32(100).i32(-15).str("North").i32(2);
    b.box(-55000, 35000, 55000, -35000);  // field box
    b.u8(1).f64(0.75);                    // border
    b.str("Finish").str("");
    b.f64(0.5);  // 3-D viewer rotation
    b.f64(52.0).f64(4.0).f64(52.0).f64(4.0).f64(52.001).f64(4.0);
    b.i32(ipaNone).str("Oval");
    if (aMarks) {
        *aMarks = marks;
    }
    return b.data();
}

TEST(FieldStreamTest, HandWrittenVersion27ReadsAndWritesBackByteForByte) {
    const QByteArray fixture = Version27Fixture();
    TqelField field;
    ReadBytes(field, fixture);

    EXPECT_EQ(field.Version(), 27);
    EXPECT_EQ(field.Color(), 0x336699);
    EXPECT_EQ(field.Material(), matIce);
    EXPECT_EQ(field.SportType(), sportTrack);
    EXPECT_EQ(field.MeasureBoxLeftTop(), (RqelFieldPosition{-60000, 40000}));
    EXPECT_EQ(field.MeasureBoxRightBottom(), (RqelFieldPosition{60000, -40000}));
    EXPECT_EQ(field.TransposeXinMM(), 100);
    EXPECT_EQ(field.TransposeYinMM(), -200);
    EXPECT_EQ(field.TransposeRotationdegrees(), 1);
    EXPECT_EQ(field.OutOfBoundsBoxRightBottom(), (RqelFieldPosition{70000, -50000}));
    EXPECT_TRUE(field.HasTrack());
    EXPECT_EQ(field.TrackOrientation(), trackVertical);
    EXPECT_EQ(field.TrackDefinition().TrackCorner2, (RqelFieldPosition{0, -20000}));
    EXPECT_EQ(field.TrackDefinition().TrackEndRadiusInMM, 30000);
    EXPECT_EQ(field.TrackColor(), 0xFF0000);
    EXPECT_EQ(field.TrackMaterial(), matConcrete);
    EXPECT_EQ(field.TrackFinishRight(), (RqelFieldPosition{-25000, 0}));
    EXPECT_EQ(field.TrackLengthInMM(), 400000);
    EXPECT_EQ(field.TrackLeftRightRadius(), 28000);
    EXPECT_TRUE(field.TrackTeamPursuit());
    EXPECT_EQ(field.PowerFactor(), 1.25);
    ASSERT_EQ(field.LaneCount(), 2);
    EXPECT_EQ(field.getLane(1).StartRadiusInMM, 26000);
    EXPECT_EQ(field.getLane(1).Description, "Lane 2");
    ASSERT_EQ(field.SectorCount(), 1);
    EXPECT_EQ(field.getSector(0).EndInMM, 100000);
    EXPECT_EQ(field.getSector(0).Description, "Back");
    ASSERT_EQ(field.FieldSectorCount(), 1);
    EXPECT_EQ(field.getFieldSector(0).Num, 2);
    EXPECT_EQ(field.getFieldSector(0).Box.RightBottom, (RqelFieldPosition{10000, -10000}));
    EXPECT_EQ(field.getFieldSector(0).Description, "Centre");

    ASSERT_EQ(field.FieldVaruzaCount(), 2);
    auto* line = dynamic_cast<TqelFieldLineVaruza*>(field.getFieldVaruza(0));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->Name(), "Finish");
    EXPECT_EQ(line->LinePattern(), lnpDotted);
    EXPECT_EQ(line->LineWidth(), 3);
    EXPECT_EQ(line->DefaultCrossingDirection(), 3);
    EXPECT_EQ(line->HeightInMM(), 1200);
    EXPECT_TRUE(line->CoefficientCalculated());
    EXPECT_DOUBLE_EQ(line->LengthInM(), 5);
    auto* camera = dynamic_cast<TqelFieldCameraVaruza*>(field.getFieldVaruza(1));
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->Color(), 0x0000FF);
    EXPECT_EQ(camera->ViewerPos(), (RqelFieldPosition{5000, -44000}));
    EXPECT_EQ(camera->Text(), "Cam1");
    EXPECT_EQ(camera->TextAngle(), 90);
    EXPECT_EQ(camera->PanOffset(), -15);
    EXPECT_EQ(camera->Area(), "North");
    EXPECT_EQ(camera->CameraIndex(), 2);

    EXPECT_EQ(field.FieldBoxLeftTop(), (RqelFieldPosition{-55000, 35000}));
    EXPECT_TRUE(field.DrawBorder());
    EXPECT_EQ(field.BorderHeight(), 0.75);
    EXPECT_EQ(field.TrackFinishLine1(), line);
    EXPECT_EQ(field.TrackFinishDirection1(), qel::CrossPositiveY);
    EXPECT_EQ(field.TrackFinishLine2(), nullptr);
    EXPECT_EQ(field.FieldRotation3DViewer(), 0.5);
    EXPECT_EQ(field.GPSPoint2().Latitude(), 52.001);
    EXPECT_DOUBLE_EQ(field.GPSRotation(), kPi / 2);  // point 2 due north of point 1
    EXPECT_EQ(field.GPSLatDegM(), kDegreesPerMetre);
    EXPECT_DOUBLE_EQ(field.GPSLongDegM(), kDegreesPerMetre / std::cos(52.0 * kPi / 180));
    EXPECT_EQ(field.IcehockeyPenaltyArea(), ipaNone);
    EXPECT_EQ(field.Surface(), "Oval");

    EXPECT_EQ(WriteBytes(field), fixture);
}

// Every kind once, every item set, values distinct from each other and from the defaults.
void FillEverything(TqelField& aField) {
    aField.setColor(0x010203);
    aField.setMaterial(matCustom);
    aField.setCustomMaterial("Tartan");
    aField.setSportType(sportIceHockey);
    aField.setMeasureBox({{-61000, 41000}, {62000, -42000}});
    aField.setTransposeXinMM(-17);
    aField.setTransposeYinMM(23);
    aField.setTransposeRotationdegrees(3);
    aField.setOutOfBoundsBoxLeftTop({-71000, 51000});
    aField.setOutOfBoundsBoxRightBottom({72000, -52000});
    aField.setHasTrack(true);
    aField.setTrackOrientation(trackVertical);
    aField.setTrackDefinition({{1, 20000}, {2, -20000}, 24000, 31000});
    aField.setTrackColor(0x040506);
    aField.setTrackMaterial(matRedClay);
    aField.setTrackFinishLeft({-30001, 5});
    aField.setTrackFinishRight({-25001, 6});
    aField.setTrackLengthInMM(333333);
    aField.setTrackLeftRightRadius(27777);
    aField.setTrackTeamPursuit(true);
    aField.setPowerFactor(1.125);
    aField.addLaneDef({25001, 26001, "Inner"});
    aField.addLaneDef({26002, 27002, QString::fromUtf8("Äußere")});
    aField.addSectorDef({7, 11, 12345, "Bend"});
    aField.FieldSectors().push_back({9, {{-1, 2}, {3, -4}}, "Box"});
    aField.setFieldBox({{-52500, 34000}, {52500, -34000}});
    aField.setDrawBorder(true);
    aField.setBorderHeight(0.375);
    aField.setFieldRotation3DViewer(1.5);
    aField.GPSZeroPoint().setLatitude(48.5);
    aField.GPSZeroPoint().setLongitude(9.25);
    aField.GPSPoint1().setLatitude(48.25);
    aField.GPSPoint1().setLongitude(9.125);
    aField.GPSPoint2().setLatitude(48.375);
    aField.GPSPoint2().setLongitude(9.0625);
    aField.setIcehockeyPenaltyArea(ipaNegY);
    aField.setSurface("");

    auto* line = aField.NewVaruza<TqelFieldLineVaruza>();
    line->setName("Start");
    line->setColor(0x111111);
    line->setVisible(false);
    line->setStartPoint(-30001, 5);
    line->setEndPoint(-25001, 6);
    line->setLinePattern(lnpDashes);
    line->setLineWidth(4);
    line->setDefaultCrossingDirection(6);
    line->setHeightInMM(300);
    aField.setTrackFinishLine1(line);
    aField.setTrackFinishLine2(line);

    auto* circle = aField.NewVaruza<TqelFieldCircleVaruza>();
    circle->setName("Arc");
    circle->setCenterPoint(11, 12);
    circle->setRadiusInMM(9150);
    circle->setStartAngle(300);
    circle->setEndAngle(360);
    circle->setLinePattern(lnpDotDash);
    circle->setLineWidth(5);
    auto* multiLine = aField.NewVaruza<TqelFieldMultiLineVaruza>();
    multiLine->setName("Zigzag");
    multiLine->addPoint(1, 2);
    multiLine->addPoint(3, 4);
    multiLine->setLinePattern(lnpDotted);
    multiLine->setLineWidth(6);
    auto* plane = aField.NewVaruza<TqelFieldPlaneVaruza>();
    plane->setName("Sand pit");
    plane->setMaterial(matSand);
    plane->addPoint(5, 6);
    auto* text = aField.NewVaruza<TqelFieldTextVaruza>();
    text->setName("Label");
    text->setPosition(7, 8);
    text->setText(QString::fromUtf8("Tribüne"));
    text->setAngle(45);
    text->setScale(150);
    aField.NewVaruza<TqelFieldFreeFormVaruza>()->setName("Free");
    auto* goal = aField.NewVaruza<TqelFieldSoccerGoalVaruza>();
    goal->setName("Goal1");
    goal->setPosition(-52500, 0, 180);
    goal->SetDimensions(5000, 2000);
    goal->setCanMove(true);
    auto* pylon = aField.NewVaruza<TqelFieldPylonVaruza>();
    pylon->setName("Pylon1");
    pylon->setPosition(13, 14);
    pylon->setHeight(700);
    pylon->setWidth(400);
    auto* basket = aField.NewVaruza<TqelFieldBasketVaruza>();
    basket->setName("Basket1");
    basket->setPosition(15, 16, 270);
    auto* net = aField.NewVaruza<TqelFieldNetVaruza>();
    net->setName("Net1");
    net->setPosition(17, 18, 90);
    net->DefaultVolleyballNet();
    auto* pole = aField.NewVaruza<TqelFieldPoleVaruza>();
    pole->setName("Pole1");
    pole->setPosition(19, 20);
    pole->setHeight(1800);
    pole->setWidth(50);
    auto* rectangle = aField.NewVaruza<TqelFieldRectangleVaruza>();
    rectangle->setName("Area1");
    rectangle->setLeftTopPoint(-100, 200);
    rectangle->setRightBottomPoint(300, -400);
    auto* camera = aField.NewVaruza<TqelFieldCameraVaruza>();
    camera->setName("Cam7");
    camera->setPosition(21, 22);
    camera->setViewerPos(23, 24);
    camera->setHeight(12000);
    camera->setText("Main");
    camera->setTextAngle(30);
    camera->setScale(80);
    camera->setPanOffset(-7);
    camera->setArea("West stand");
    camera->setCameraIndex(7);
}

TEST(FieldStreamTest, EveryItemAndKindWrittenReadAndWrittenAgain) {
    TqelField original;
    FillEverything(original);
    const QByteArray first = WriteBytes(original);

    TqelField copy;
    ReadBytes(copy, first);
    EXPECT_EQ(WriteBytes(copy), first);

    EXPECT_EQ(copy.CustomMaterial(), "Tartan");
    EXPECT_EQ(copy.SportType(), sportIceHockey);
    EXPECT_EQ(copy.TrackDefinition().TrackCorner1, (RqelFieldPosition{1, 20000}));
    EXPECT_EQ(copy.getLane(1).Description, QString::fromUtf8("Äußere"));
    EXPECT_EQ(copy.GPSZeroPoint().Longitude(), 9.25);
    EXPECT_EQ(copy.Surface(), "");
    EXPECT_EQ(copy.IcehockeyPenaltyArea(), ipaNegY);
    ASSERT_EQ(copy.FieldVaruzaCount(), kFieldVaruzaTypeCount);
    for (int32_t i = 0; i < kFieldVaruzaTypeCount; ++i) {
        EXPECT_EQ(copy.getFieldVaruza(i)->VaruzaType(), i);
        EXPECT_EQ(copy.getFieldVaruza(i)->Name(), original.getFieldVaruza(i)->Name());
    }
    EXPECT_FALSE(copy.getFieldVaruza(0)->Visible());
    EXPECT_EQ(copy.TrackFinishLine1(), copy.getFieldVaruza(0));
    EXPECT_EQ(copy.TrackFinishLine2(), copy.getFieldVaruza(0));
    auto* camera = copy.FieldCameraVaruzaByCamIndex(7);
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->Area(), "West stand");
    EXPECT_EQ(camera->ViewerPos(), (RqelFieldPosition{23, 24}));
    auto* goal = copy.GetSoccerGoal(igLeft);
    ASSERT_NE(goal, nullptr);
    EXPECT_EQ(goal->Width(), 5000);
    EXPECT_TRUE(goal->CanMove());
    auto* net = static_cast<TqelFieldNetVaruza*>(copy.getFieldVaruza(fotNet));
    EXPECT_EQ(net->Width(), 9144);
    EXPECT_FALSE(net->CanMove());
    EXPECT_EQ(static_cast<TqelFieldTextVaruza*>(copy.getFieldVaruza(fotText))->Text(),
              QString::fromUtf8("Tribüne"));
}

TEST(FieldStreamTest, WritingMakesVersion27AndClearsModified) {
    TqelField field;
    field.setModified(true);
    WriteBytes(field);
    EXPECT_FALSE(field.Modified());
    EXPECT_EQ(field.Version(), 27);
}

// A description longer than 32 characters is written cut, the unused bytes 0; a length byte
// above 32 reads 32 characters.
TEST(FieldStreamTest, DescriptionsKeepTo32Characters) {
    TqelField field;
    field.addLaneDef({1, 2, QString(40, u'x')});
    field.addLaneDef({3, 4, "ab"});
    const QByteArray written = WriteBytes(field);
    TqelField copy;
    ReadBytes(copy, written);
    EXPECT_EQ(copy.getLane(0).Description, QString(32, u'x'));
    EXPECT_EQ(copy.getLane(1).Description, "ab");
    const qsizetype second =
        written.indexOf(QByteArray("\x02"
                                   "ab",
                                   3));
    ASSERT_GT(second, 0);
    EXPECT_EQ(written.mid(second + 3, 30), QByteArray(30, '\0'));

    Marks marks;
    QByteArray fixture = Version27Fixture(&marks);
    fixture[marks.firstLaneDescription] = static_cast<char>(200);
    ReadBytes(copy, fixture);
    EXPECT_EQ(copy.getLane(0).Description.size(), 32);
    EXPECT_TRUE(copy.getLane(0).Description.startsWith("Lane 1"));
    EXPECT_EQ(copy.getLane(1).Description, "Lane 2");
}

TEST(FieldStreamTest, CutStreamRaisesTheReadersError) {
    const QByteArray fixture = Version27Fixture();
    for (qsizetype length = 0; length < fixture.size(); ++length) {
        TqelField field;
        EXPECT_THROW(ReadBytes(field, fixture.left(length)), EReadError) << length;
    }
}

// Counts that the stream cannot hold are refused before anything is allocated (AddressSanitizer
// would report an allocation of 2^31 elements).
TEST(FieldStreamTest, CountsBeyondTheStreamAreRefused) {
    Marks marks;
    Version27Fixture(&marks);
    for (const qsizetype at : {marks.lanes, marks.sectors, marks.fieldSectors, marks.objects}) {
        for (const int32_t count : {-1, INT32_MAX}) {
            QByteArray fixture = Version27Fixture();
            const QByteArray bytes = FieldBytes().i32(count).data();
            fixture.replace(at, 4, bytes);
            TqelField field;
            EXPECT_THROW(ReadBytes(field, fixture), EReadError) << at << " " << count;
        }
    }
    for (const int32_t count : {-1, INT32_MAX}) {
        FieldBytes objects;
        objects.u8(fotPlane).base("Plane", 0).u8(matSand).i32(count);
        TqelField field;
        FieldBytes head;
        EXPECT_THROW(ReadBytes(field, FieldBytes()
                                          .raw(Version27Fixture().left(marks.objects))
                                          .i32(1)
                                          .raw(objects.data())
                                          .data()),
                     EReadError);
    }
}

TEST(FieldStreamTest, UnknownKindStopsReadingAndKeepsTheObjectsBeforeIt) {
    Marks marks;
    QByteArray fixture = Version27Fixture(&marks).left(marks.objects);
    FieldBytes objects;
    objects.i32(3);
    objects.u8(fotPylon).base("Pylon", 0xFF).pos(1, 2).i32(640).i32(500);
    objects.u8(13).base("Future", 0);
    TqelField field;
    try {
        ReadBytes(field, fixture + objects.data());
        FAIL() << "no error";
    } catch (const EFieldDefinitionError& e) {
        EXPECT_EQ(e.Message(), "Error reading field definition: Varuza type (13) is not defined");
    }
    ASSERT_EQ(field.FieldVaruzaCount(), 1);
    EXPECT_EQ(field.getFieldVaruza(0)->Name(), "Pylon");
}

// The older streams: what each version carries, made item by item with its gates.
struct OldField {
    uint16_t version = 27;
    int32_t sport = sportSoccer;
    int32_t objectCount = 0;
    QByteArray objects;
    uint32_t rotationLowHalf = 0x12345678;
    double rotation = 1.75;
    double gps[6] = {52, 4, 52, 4.001, 52, 4};
    int32_t area = 0;
};

QByteArray OldStream(const OldField& f) {
    const uint16_t v = f.version;
    FieldBytes b;
    b.u16(v).i32(0x112233).u8(matWood);
    if (v > 23)
        b.str("Custom");
    if (v > 9)
        b.i32(f.sport);
    b.box(-40000, 30000, 40000, -30000);
    if (v > 2)
        b.i32(11).i32(22);
    if (v > 12)
        b.u8(2);
    b.box(-1, 1, 1, -1);
    b.u8(0);
    if (v > 1)
        b.u8(trackHorizontal);
    b.pos(0, 0).pos(0, 0).i32(0).i32(0);
    b.i32(0).u8(matNone);
    if (v > 1)
        b.pos(0, 0).pos(0, 0).i32(0).i32(0);
    if (v > 3)
        b.u8(0);
    if (v > 11)
        b.f64(1.1);
    if (v > 1)
        b.i32(0).i32(0);
    if (v > 3)
        b.i32(0);
    b.i32(f.objectCount).raw(f.objects);
    if (v >= 5)
        b.box(-45000, 25000, 45000, -25000);
    if (v > 5)
        b.u8(1);
    if (v >= 10)
        b.f64(0.25);
    if (v > 10)
        b.str("").str("");
    if (v == 14)
        b.u32(f.rotationLowHalf);
    if (v >= 15)
        b.f64(f.rotation);
    if (v >= 25) {
        for (const double value : f.gps) {
            b.f64(value);
        }
    }
    if (v > 25)
        b.i32(f.area);
    if (v > 26)
        b.str("Grass");
    return b.data();
}

TEST(FieldStreamTest, OlderVersions) {
    TqelDataset dataset;
    dataset.setSportType(sportHandball);
    {
        // Version 4: no field box (the measure box stands in), the default border height, the
        // dataset's sport.
        TqelField field(&dataset);
        field.setBorderHeight(2);
        ReadBytes(field, OldStream({.version = 4}));
        EXPECT_EQ(field.Version(), 4);
        EXPECT_EQ(field.FieldBoxLeftTop(), (RqelFieldPosition{-40000, 30000}));
        EXPECT_EQ(field.FieldBoxRightBottom(), (RqelFieldPosition{40000, -30000}));
        EXPECT_EQ(field.BorderHeight(), 0.5);
        EXPECT_EQ(field.SportType(), sportHandball);
        EXPECT_EQ(field.PowerFactor(), 1.05);
    }
    {
        // Version 14: four bytes into the low half of the 3-D rotation; 15 the whole double.
        TqelField field;
        field.setFieldRotation3DViewer(1.0);  // 0x3FF0000000000000
        ReadBytes(field, OldStream({.version = 14}));
        EXPECT_EQ(std::bit_cast<uint64_t>(field.FieldRotation3DViewer()), 0x3FF0000012345678ull);
        ReadBytes(field, OldStream({.version = 15}));
        EXPECT_EQ(field.FieldRotation3DViewer(), 1.75);
    }
    {
        // Version 24: no GPS points; both factors of the sphere and no rotation.
        TqelField field;
        ReadBytes(field, OldStream({.version = 24}));
        EXPECT_DOUBLE_EQ(field.GPSLatDegM(), kDegreesPerMetre);
        EXPECT_DOUBLE_EQ(field.GPSLongDegM(), kDegreesPerMetre);
        EXPECT_EQ(field.GPSRotation(), 0);
    }
    {
        // Version 25: point 2 lies towards -X of point 1.
        TqelField field;
        ReadBytes(field, OldStream({.version = 25}));
        EXPECT_DOUBLE_EQ(field.GPSRotation(), kPi);
        EXPECT_DOUBLE_EQ(field.GPSLongDegM(), kDegreesPerMetre / std::cos(52 * kPi / 180));
        OldField northWest{.version = 25, .gps = {52, 4, 52, 4.001, 52.001, 4}};
        ReadBytes(field, OldStream(northWest));
        const double dx = std::cos(52 * kPi / 180) * (4 - 4.001);
        EXPECT_NEAR(field.GPSRotation(), std::atan((52.001 - 52) / dx) + kPi, 1e-12);
    }
    {
        // Version 26: the ice-hockey area for ice hockey only; its stored value 2 kept.
        const struct {
            int32_t sport, stored;
            TqelIceHockeyPenaltyArea expected;
        } cases[] = {
            {sportIceHockey, 2, ipaNegY}, {sportIceHockey, 1, ipaPosY},
            {sportIceHockey, 0, ipaPosY}, {sportIceHockey, 7, ipaPosY},
            {sportSoccer, 2, ipaNone},
        };
        for (const auto& c : cases) {
            TqelField field(&dataset);
            ReadBytes(field, OldStream({.version = 26, .sport = c.sport, .area = c.stored}));
            EXPECT_EQ(field.IcehockeyPenaltyArea(), c.expected) << c.sport << " " << c.stored;
            EXPECT_EQ(dataset.SportType(), c.sport);
        }
        TqelField field;
        ReadBytes(field, OldStream({.version = 25, .sport = sportIceHockey}));
        EXPECT_EQ(field.IcehockeyPenaltyArea(), ipaPosY);
    }
    {
        // A version above 27 reads as 27.
        QByteArray stream = Version27Fixture();
        stream[0] = 40;
        TqelField field;
        ReadBytes(field, stream);
        EXPECT_EQ(field.Version(), 40);
        EXPECT_EQ(field.Surface(), "Oval");
    }
}

TEST(FieldStreamTest, OlderObjectBlocks) {
    // Version 5: a goal without its size keeps the default; lines without pattern and width.
    FieldBytes v5;
    v5.u8(fotSoccerGoal).base("Goal", 0xFFFFFF).pos(-52500, 0).i32(0);
    v5.u8(fotLine).base("Line", 0xFFFFFF).pos(0, 0).pos(10000, 0);
    v5.u8(fotText).base("Text", 0).pos(1, 1).str("Hi").i32(10);
    TqelField field;
    ReadBytes(field, OldStream({.version = 5, .objectCount = 3, .objects = v5.data()}));
    auto* goal = static_cast<TqelFieldSoccerGoalVaruza*>(field.getFieldVaruza(0));
    EXPECT_EQ(goal->Width(), 7315);
    EXPECT_EQ(goal->Height(), 2438);
    EXPECT_FALSE(goal->CanMove());
    auto* line = static_cast<TqelFieldLineVaruza*>(field.getFieldVaruza(1));
    EXPECT_EQ(line->LineWidth(), 2);
    EXPECT_EQ(line->DefaultCrossingDirection(), qel::CrossPositiveY);
    EXPECT_EQ(static_cast<TqelFieldTextVaruza*>(field.getFieldVaruza(2))->Scale(), 100);

    // Version 17 computes a line's direction from its angle, 18 takes the stored one.
    for (const uint16_t version : {17, 18}) {
        FieldBytes objects;
        objects.u8(fotLine).base("Up", 0).pos(0, 0).pos(0, 10000).i32(0).i32(2);
        if (version >= 18) {
            objects.i32(6);
        }
        ReadBytes(field,
                  OldStream({.version = version, .objectCount = 1, .objects = objects.data()}));
        auto* up = static_cast<TqelFieldLineVaruza*>(field.getFieldVaruza(0));
        EXPECT_EQ(up->DefaultCrossingDirection(), version == 17 ? qel::CrossNegativeX : 6);
    }

    // A net of mesh width 0 reads 100 and cannot move; patterns outside 0..3 read solid.
    FieldBytes objects;
    objects.u8(fotNet).base("Net", 0).pos(0, 0).i32(0).i32(1).i32(2).i32(3).i32(0);
    objects.u8(fotCircle).base("C", 0).pos(0, 0).i32(5).i32(0).i32(360).i32(-1).i32(2);
    objects.u8(fotMultiLine).base("M", 0).i32(0).i32(4).i32(2);
    objects.u8(fotLine).base("L", 0).pos(0, 0).pos(1, 0).i32(3).i32(2).i32(2).i32(0);
    ReadBytes(field, OldStream({.version = 27, .objectCount = 4, .objects = objects.data()}));
    auto* net = static_cast<TqelFieldNetVaruza*>(field.getFieldVaruza(0));
    EXPECT_EQ(net->MeshWidth(), 100);
    EXPECT_FALSE(net->CanMove());
    EXPECT_EQ(static_cast<TqelFieldCircleVaruza*>(field.getFieldVaruza(1))->LinePattern(),
              lnpSolid);
    EXPECT_EQ(static_cast<TqelFieldMultiLineVaruza*>(field.getFieldVaruza(2))->LinePattern(),
              lnpSolid);
    EXPECT_EQ(static_cast<TqelFieldLineVaruza*>(field.getFieldVaruza(3))->LinePattern(),
              lnpDotDash);
}

TEST(FieldStreamTest, FieldOfARecordingDatasetIsNotRead) {
    TqelDataset dataset;
    TqelField field(&dataset);
    field.NewVaruza<TqelFieldPylonVaruza>()->setName("Kept");
    dataset.setRecording(true);
    EXPECT_THROW(ReadBytes(field, Version27Fixture()), EFieldDefinitionError);
    EXPECT_EQ(field.FieldVaruzaCount(), 1);
    EXPECT_EQ(field.Version(), 27);
    EXPECT_EQ(field.LaneCount(), 0);
    dataset.setRecording(false);
    ReadBytes(field, Version27Fixture());
    EXPECT_EQ(field.LaneCount(), 2);
    EXPECT_EQ(dataset.SportType(), sportTrack);
}

}  // namespace
