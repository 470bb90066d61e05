#include <gtest/gtest.h>

#include <QBuffer>
#include <QtEndian>
#include <limits>

#include "model/blocks/block_stream.h"
#include "model/blocks/viewer_option_set.h"
#include "model/dataset/dataset.h"
#include "model/dataset/signal_log.h"
#include "model/field/field_bytes.h"
#include "model/groups/group.h"
#include "model/groups/visualisation.h"

namespace {

using qel::test::LoggingSubscriber;
using qel::test::SignalLog;

constexpr uint16_t CurrentVersion = 151;

TEST(ViewerOptions, TypedValuesAsLines) {
    TqelViewerOptionSet set(nullptr, 1);
    set.SetViewerOptionAsString("Name", "pitch");
    set.SetViewerOptionAsInt("Count", -12);
    set.SetViewerOptionAsBool("Grid", true);
    set.SetViewerOptionAsBool("Trails", false);
    set.SetViewerOptionAsFloat("Zoom", 0.1);
    set.SetViewerOptionAsFloat("Big", 1234567.25);
    set.SetViewerOptionAsFloat("Third", 1.0 / 3);
    EXPECT_EQ(set.ViewerOptions(),
              QStringList({"Name=pitch", "Count=-12", "Grid=1", "Trails=0", "Zoom=0.1",
                           "Big=1234567.25", "Third=0.333333333333333"}));

    const struct {
        const char* line;
        QString asString;
        int32_t asInt;
        bool asBool;
        double asFloat;
    } cases[] = {
        {"name=pitch", "pitch", 0, false, 0},
        {"COUNT=-12", "-12", -12, true, -12},
        {"grid=1", "1", 1, true, 1},
        {"Trails=0", "0", 0, false, 0},
        {"zoom=0.1", "0.1", 0, false, 0.1},
        {"Third=0.333333333333333", "0.333333333333333", 0, false, 0.333333333333333},
        {"Sep=1,234.5", "1,234.5", 0, false, 1234.5},
        {"Hex=$10", "$10", 16, true, 0},
        {"Empty=", "", 0, false, 0},
        {"Twice=a=b", "a=b", 0, false, 0},
        {"Missing", "", 0, false, 0},
    };
    for (const auto& c : cases) {
        TqelViewerOptionSet probe(nullptr, 1);
        const QString line = QString::fromLatin1(c.line);
        const QString name = line.section(u'=', 0, 0).toUpper();
        if (line.contains(u'=')) {
            probe.SetViewerOptionAsString(line.section(u'=', 0, 0), line.section(u'=', 1));
        }
        EXPECT_EQ(probe.GetViewerOptionAsString(name), c.asString) << c.line;
        EXPECT_EQ(probe.GetViewerOptionAsInt(name), c.asInt) << c.line;
        EXPECT_EQ(probe.GetViewerOptionAsBool(name), c.asBool) << c.line;
        EXPECT_DOUBLE_EQ(probe.GetViewerOptionAsFloat(name), c.asFloat) << c.line;
    }
    // Each typed value reads back as written.
    EXPECT_EQ(set.GetViewerOptionAsInt("count"), -12);
    EXPECT_TRUE(set.GetViewerOptionAsBool("GRID"));
    EXPECT_EQ(set.GetViewerOptionAsFloat("Big"), 1234567.25);
    EXPECT_EQ(set.GetViewerOptionAsFloat("Third"), 0.333333333333333);
}

TEST(ViewerOptions, SettingReplacesTheLineAndAnEmptyValueRemovesIt) {
    TqelViewerOptionSet set(nullptr, 1);
    set.SetViewerOptionAsInt("A", 1);
    set.SetViewerOptionAsInt("B", 2);
    set.SetViewerOptionAsInt("a", 3);
    EXPECT_EQ(set.ViewerOptions(), QStringList({"a=3", "B=2"}));
    set.SetViewerOptionAsString("A", "");
    EXPECT_EQ(set.ViewerOptions(), QStringList({"B=2"}));
    EXPECT_EQ(set.GetViewerOptionAsInt("A"), 0);
    set.SetViewerOptionAsString("Z", "");
    EXPECT_EQ(set.ViewerOptions(), QStringList({"B=2"}));
}

class ViewerOptionSets : public ::testing::Test {
protected:
    ViewerOptionSets() {
        group = dataset.addGroup(nullptr, gtGroup);
        box = group->NewVisualisation(grpBox);
        dataset.subscribeToSignals(&subscriber);
    }
    ~ViewerOptionSets() override { dataset.unsubscribeToSignals(&subscriber); }

    SignalLog log;
    LoggingSubscriber subscriber{QStringLiteral("s"), log};
    TqelDataset dataset;
    TqelGroup* group = nullptr;
    TqelVisualisation* box = nullptr;
};

TEST_F(ViewerOptionSets, TheDatasetNumbersFindsAndDeletesThem) {
    TqelViewerOptionSet* first = dataset.addViewerOptionSet();
    TqelViewerOptionSet* second = dataset.addViewerOptionSet();
    EXPECT_EQ(first->ID(), 1);
    EXPECT_EQ(second->ID(), 2);
    first->setDescription("Match");
    second->setDescription("Match");
    EXPECT_EQ(dataset.ViewerOptionByName("Match"), first);
    EXPECT_EQ(dataset.ViewerOptionByName("match"), nullptr);
    EXPECT_EQ(dataset.ViewerOptionByID(2), second);
    EXPECT_EQ(dataset.ViewerOptionByID(3), nullptr);
    EXPECT_TRUE(log.Take().isEmpty()) << "adding tells nobody";

    dataset.setLastViewerOptionID(1);
    EXPECT_EQ(dataset.LastViewerOptionID(), 2);
    dataset.setLastViewerOptionID(9);
    EXPECT_EQ(dataset.IncLastViewerOptionID(), 10);

    dataset.DeleteViewerOptionSet("Match");
    dataset.DeleteViewerOptionSet(nullptr);
    dataset.DeleteViewerOptionSet("none");
    EXPECT_EQ(dataset.ViewerOptionSetCount(), 1);
    EXPECT_EQ(dataset.GetViewerOptionSet(0), second);
    const int type = int(itemViewerOption);
    EXPECT_EQ(log.Take(), QStringList({QStringLiteral("s deleting %1 1").arg(type),
                                       QStringLiteral("s deleted %1 1").arg(type)}));
}

TEST_F(ViewerOptionSets, VisualisationsCountOnlyWhileTheyExist) {
    TqelViewerOptionSet* set = dataset.addViewerOptionSet();
    set->AddVisualisation(box);
    set->AddVisualisation(box);
    EXPECT_EQ(set->Visualisations(), QList<int32_t>({box->ID(), box->ID()}));
    EXPECT_TRUE(set->VisualisationEnabled(box->ID()));
    EXPECT_EQ(set->GetVisualisation(box->ID()), box);
    EXPECT_FALSE(set->VisualisationEnabled(box->ID() + 1));
    group->DeleteVisualisation(box);
    EXPECT_FALSE(set->VisualisationEnabled(set->Visualisations().front()));
}

// Set 2 "Set" showing visualisation 1, with the options "Zoom=1.5" and "grid=1".
const QByteArray SetFixture = QByteArray::fromHex(
    "02000000"
    "03000080"
    "530065007400"  // "Set"
    "01000000"
    "01000000"  // one id: 1
    "02000000"
    "08000080"
    "5a006f006f006d003d0031002e003500"  // "Zoom=1.5"
    "06000080"
    "67007200690064003d003100");  // "grid=1"

TEST_F(ViewerOptionSets, FixtureReadsAndWritesBackByteForByte) {
    ASSERT_EQ(box->ID(), 1);
    TqelViewerOptionSet set(&dataset, 0);
    ReadBlockInto(set, SetFixture, CurrentVersion);
    EXPECT_EQ(set.ID(), 2);
    EXPECT_EQ(set.Description(), "Set");
    EXPECT_EQ(set.Visualisations(), QList<int32_t>({1}));
    EXPECT_EQ(set.GetViewerOptionAsFloat("zoom"), 1.5);
    EXPECT_TRUE(set.GetViewerOptionAsBool("Grid"));
    EXPECT_TRUE(set.Initialized());
    EXPECT_EQ(WrittenBlock(set), SetFixture);
}

QByteArray SetBlock(std::initializer_list<int32_t> anIDs, const QStringList& aLines) {
    FieldBytes b;
    b.i32(4).str("S").i32(static_cast<int32_t>(anIDs.size()));
    for (const int32_t id : anIDs) {
        b.i32(id);
    }
    b.i32(static_cast<int32_t>(aLines.size()));
    for (const QString& line : aLines) {
        b.str(line);
    }
    return b.data();
}

TEST_F(ViewerOptionSets, AReadSetKeepsOnlyIdsOfExistingVisualisations) {
    TqelViewerOptionSet set(&dataset, 0);
    set.SetViewerOptionAsInt("Old", 1);
    ReadBlockInto(set, SetBlock({0, 1, -1, 7, 1}, {"A=1"}), CurrentVersion);
    EXPECT_EQ(set.Visualisations(), QList<int32_t>({1, 1}));
    EXPECT_EQ(set.ViewerOptions(), QStringList({"A=1"}));
}

TEST_F(ViewerOptionSets, TheListReadsIntoTheDataset) {
    FieldBytes list;
    list.i32(2).raw(SetBlock({1}, {"A=1"})).raw(SetFixture);
    QByteArray data = list.data();
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    qel::BinaryReader reader(buffer);
    dataset.readViewerOptionSets(reader, CurrentVersion);
    EXPECT_TRUE(reader.atEnd());
    ASSERT_EQ(dataset.ViewerOptionSetCount(), 2);
    EXPECT_EQ(dataset.ViewerOptionByID(2)->Description(), "Set");
    EXPECT_EQ(dataset.LastViewerOptionID(), 0) << "the file header carries the counter";

    QByteArray written;
    QBuffer out(&written);
    out.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(out);
    dataset.writeViewerOptionSets(writer);
    EXPECT_EQ(written, list.data());
}

TEST_F(ViewerOptionSets, CountsThatCannotHoldAreRefusedBeforeAllocating) {
    const int idCountAt = 4 + 6;
    // 6 ids would run past the end, though they would fit the bytes of the rest.
    for (const int32_t count : {std::numeric_limits<int32_t>::max(), -1, 6}) {
        QByteArray ids = SetBlock({1, 1}, {"A=1"});
        qToLittleEndian<int32_t>(count, ids.data() + idCountAt);
        TqelViewerOptionSet set(&dataset, 0);
        EXPECT_THROW(ReadBlockInto(set, ids, CurrentVersion), EReadError) << count;
        EXPECT_TRUE(set.Visualisations().isEmpty());

        QByteArray lines = SetBlock({}, {"A"});
        qToLittleEndian<int32_t>(count, lines.data() + idCountAt + 4);
        EXPECT_THROW(ReadBlockInto(set, lines, CurrentVersion), EReadError) << count;
        EXPECT_TRUE(set.ViewerOptions().isEmpty());

        FieldBytes list;
        list.i32(count).raw(SetBlock({}, {}));
        QByteArray data = list.data();
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        qel::BinaryReader reader(buffer);
        EXPECT_THROW(dataset.readViewerOptionSets(reader, CurrentVersion), EReadError) << count;
        EXPECT_EQ(dataset.ViewerOptionSetCount(), 0);
    }
}

}  // namespace
