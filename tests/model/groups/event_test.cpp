#include "model/groups/event.h"
#include "database/events/event_data.h"
#include "database/sqlite_file_fixture.h"
#include "model/dataset/dataset_signals.h"
#include "model/groups/groups_fixture.h"
#include "platform/exception.h"

namespace {

using qel::test::GroupsFixture;

class EventTest : public GroupsFixture {
protected:
    TqelEvent* Add(int8_t aSource, int32_t aStart, int32_t anEnd = 0, int32_t aKind = evkUnknown) {
        return dataset.AddEvent(aSource, aStart, anEnd, 0, 0, QString(), 0, 0, aKind);
    }
    // The ids in list order.
    QList<int32_t> Ids() const {
        QList<int32_t> ids;
        for (int32_t i = 0; i < dataset.EventCount(); ++i) {
            ids << dataset.GetEvent(i)->ID();
        }
        return ids;
    }
};

TEST_F(EventTest, AddEventPlacesByTheGivenStartAndKeepsTheOrderOfEqualStarts) {
    TqelEvent* late = Add(1, 100, 50);
    TqelEvent* negative = Add(1, -5, -1);
    TqelEvent* zero = Add(1, 0, 0);
    TqelEvent* alsoLate = Add(1, 100, 200);
    EXPECT_EQ(Ids(), QList<int32_t>({negative->ID(), zero->ID(), late->ID(), alsoLate->ID()}));
    EXPECT_EQ(Ids(), QList<int32_t>({2, 3, 1, 4}));
    EXPECT_EQ(negative->TimeStart(), 0) << "stored as 0";
    EXPECT_EQ(negative->TimeEnd(), 0) << "an end of 0 or less is the start";
    EXPECT_EQ(zero->TimeEnd(), 0);
    EXPECT_EQ(alsoLate->TimeEnd(), 200);
    EXPECT_EQ(late->TimeEnd(), 50) << "an end before the start is kept";
    EXPECT_EQ(late->Duration(), 1);
    EXPECT_EQ(zero->Duration(), 0);
    EXPECT_EQ(alsoLate->Duration(), 100);
    EXPECT_EQ(late->Symbol(), 0);
    EXPECT_TRUE(dataset.EventsModified());
    EXPECT_EQ(log.Take().size(), 4);

    // Equal starts keep their order; the sort then puts the higher kind first, and keeps the
    // order of equal kinds.
    TqelEvent* pass = Add(1, 500, 0, evkPass);
    TqelEvent* goal = Add(1, 500, 0, evkGoal);
    TqelEvent* secondPass = Add(1, 500, 0, evkPass);
    EXPECT_EQ(Ids().mid(4), QList<int32_t>({pass->ID(), goal->ID(), secondPass->ID()}));
    dataset.EventsSortOnTime();
    EXPECT_EQ(Ids(), QList<int32_t>({2, 3, 1, 4, goal->ID(), pass->ID(), secondPass->ID()}));

    // The kind is the low byte of the type.
    goal->setEventType(0x100 | evkReception);
    EXPECT_EQ(goal->EventKind(), evkReception);
    EXPECT_EQ(goal->EventType(), 0x102);
    EXPECT_EQ(dataset.findEventByID(goal->ID()), goal);
    EXPECT_EQ(dataset.findEventByID(99), nullptr);
    EXPECT_THROW(dataset.GetEvent(7), EArgumentOutOfRangeException);
    EXPECT_THROW(dataset.GetEvent(-1), EArgumentOutOfRangeException);
    EXPECT_FALSE(dataset.HasOptaEvents());
    Add(10, 0);
    EXPECT_TRUE(dataset.HasOptaEvents());
}

TEST_F(EventTest, SettersNotifyOnlyAChangeAndMarkTheEventsModified) {
    TqelEvent* event = Add(1, 100);
    dataset.SetEventsModified(false);
    log.Take();
    event->setTimeStart(100);
    event->setXinM(0);
    EXPECT_TRUE(log.Take().isEmpty());
    EXPECT_FALSE(dataset.EventsModified());
    event->setTimeEnd(300);
    event->setAthleteID(4);
    event->setEndXinM(3);  // a plain store
    EXPECT_EQ(log.Take(),
              QStringList({Line("changed", itemEvent, 1), Line("changed", itemEvent, 1)}));
    EXPECT_TRUE(dataset.EventsModified());
}

TEST_F(EventTest, LabelsAreSortedWithoutCaseAndWithoutDuplicates) {
    TqelEvent* event = dataset.AddEvent(
        1, 0, 0, 0, 0, QStringLiteral("  beta\r\nAlpha\n\nALPHA\rgamma\r\n"), 0, 0, evkPass);
    EXPECT_EQ(event->Labels(), QStringList({"Alpha", "beta", "gamma"}));
    EXPECT_EQ(event->LabelsText(), QStringLiteral("Alpha\r\nbeta\r\ngamma\r\n"));
    event->AddLabel(QStringLiteral("BETA"));
    event->AddLabel(QStringLiteral("_"));  // sorts after the letters, as the runtime compares
    EXPECT_EQ(event->Labels(), QStringList({"Alpha", "beta", "gamma", "_"}));
}

TEST_F(EventTest, QualifiersAddByIdAndFindByDescriptionIgnoringCase) {
    TqelEventQualifiers qualifiers;
    TqelEventQualifier* first = qualifiers.Add(7, QStringLiteral("Zone"), QStringLiteral("left"));
    EXPECT_EQ(qualifiers.Add(7, QStringLiteral("Other"), QStringLiteral("right")), first);
    EXPECT_EQ(first->Description, QStringLiteral("Zone"));
    EXPECT_EQ(first->Value, QStringLiteral("left"));
    TqelEventQualifier* a = qualifiers.Add(0, QStringLiteral("Zone"), QString());
    TqelEventQualifier* b = qualifiers.Add(0, QStringLiteral("Zone"), QString());
    EXPECT_NE(a, b);
    EXPECT_EQ(qualifiers.Count(), 3);
    EXPECT_EQ(qualifiers.IndexOf(QStringLiteral("zONE")), 0);
    EXPECT_EQ(qualifiers.IndexOf(QStringLiteral("none")), -1);
    EXPECT_EQ(qualifiers.ItemByID(0), a);
    EXPECT_EQ(qualifiers.ItemByID(8), nullptr);
    EXPECT_EQ(qualifiers.GetItem(2), b);
    EXPECT_THROW(qualifiers.GetItem(3), EArgumentOutOfRangeException);
    EXPECT_EQ(qualifiers.New()->ID, 0);
    EXPECT_EQ(qualifiers.Count(), 4);
}

TEST_F(EventTest, ClearEventsBySourceAndRange) {
    dataset.setDurationInMS(10000);
    // Source 1 at 0, 100, 200, 300 and 10,000; source 2 at 100.
    for (const int32_t start : {0, 100, 200, 300, 10000}) {
        Add(1, start);
    }
    Add(2, 100);
    Add(-1, 100);  // source 255 as a byte: only "every source" reaches it
    const struct {
        uint8_t Source;
        int32_t From;
        int32_t To;
        QList<int32_t> Left;
    } cases[] = {
        {1, 100, 200, {1, 6, 7, 4, 5}},          // inclusive at both ends
        {1, 0, 0, {6, 7}},                       // from 0 to the duration
        {1, 250, 250, {6, 7}},                   // from = to: every event of the source
        {2, 5000, 9000, {1, 2, 6, 7, 3, 4, 5}},  // nothing of source 2 there
        {1, -10, 150, {6, 7, 3, 4, 5}},          // a negative from is 0
    };
    for (const auto& c : cases) {
        dataset.clearEvents(255, 0, 0);
        for (const int32_t start : {0, 100, 200, 300, 10000}) {
            Add(1, start);
        }
        Add(2, 100);
        Add(-1, 100);
        // Renumber for the expectations: ids of this round start at 1.
        QList<int32_t> left;
        const int32_t base = dataset.GetEvent(0)->ID() - 1;
        dataset.clearEvents(c.Source, c.From, c.To);
        for (const int32_t id : Ids()) {
            left << id - base;
        }
        EXPECT_EQ(left, c.Left) << int(c.Source) << " " << c.From << " " << c.To;
    }
}

TEST_F(EventTest, ClearingAndDeletingNotifyAndLeaveNoSelection) {
    Add(1, 0);
    TqelEvent* second = Add(1, 10);
    Add(2, 20);
    dataset.setSelectedEvent(second);
    EXPECT_EQ(dataset.SelectedEvent(), second);
    log.Take();
    dataset.deleteEvent(second);
    EXPECT_EQ(dataset.SelectedEvent(), nullptr);
    EXPECT_EQ(log.Take(),
              QStringList({Line("selected", itemEvent, 0), Line("deleting", itemEvent, 2),
                           Line("deleted", itemEvent, 2)}));
    dataset.deleteEvent(nullptr);
    dataset.deleteEvent(99);
    EXPECT_TRUE(log.Take().isEmpty());

    dataset.setSelectedEvent(dataset.GetEvent(1));
    log.Take();
    dataset.clearEvents(2, 0, 0);
    EXPECT_EQ(dataset.SelectedEvent(), nullptr);
    EXPECT_EQ(log.Take(),
              QStringList({Line("selected", itemEvent, 0), Line("deleting", itemEvent, 3),
                           Line("deleted", itemEvent, 3)}));

    dataset.setSelectedEvent(dataset.GetEvent(0));
    Add(3, 5);
    log.Take();
    dataset.clearEvents(255, 5000, 6000);
    EXPECT_EQ(dataset.EventCount(), 0);
    EXPECT_EQ(dataset.SelectedEvent(), nullptr);
    EXPECT_EQ(log.Take(),
              QStringList({Line("selected", itemEvent, 0), Line("cleared", itemEvent, 0)}));
    dataset.NotifyEventsRefresh();
    EXPECT_EQ(log.Take(), QStringList{Line("selected", itemEvent, -1)});
}

class CallBack : public IqelDataSetCallBack {
public:
    void SendSummaryData(int32_t, int32_t, int32_t, double, int32_t) override {}
    void ReportEventToAllClients(uint8_t aKind, int32_t a1, int32_t a2, int32_t a3, int32_t a4,
                                 int32_t a5) override {
        calls << QStringLiteral("%1 %2 %3 %4 %5 %6")
                     .arg(aKind)
                     .arg(a1)
                     .arg(a2)
                     .arg(a3)
                     .arg(a4)
                     .arg(a5);
    }
    QStringList calls;
};

TEST_F(EventTest, ReportEventToAllClientsForwardsOnlyWhileRecording) {
    CallBack callBack;
    dataset.ReportEventToAllClients(1, 2, 3, 4, 5, 6);  // no callback
    dataset.setCallBack(&callBack);
    dataset.ReportEventToAllClients(1, 2, 3, 4, 5, 6);
    EXPECT_TRUE(callBack.calls.isEmpty());
    dataset.setRecording(true);
    dataset.ReportEventToAllClients(255, -1, 0, 7, INT32_MAX, INT32_MIN);
    dataset.setRecording(false);
    EXPECT_EQ(callBack.calls, QStringList{QStringLiteral("255 -1 0 7 2147483647 -2147483648")});
    dataset.setCallBack(nullptr);
}

// The event writer takes a model event as it takes any event.
class EventRows : public qel::test::SqliteFileTest {};

TEST_F(EventRows, TheEventWriterTakesAModelEvent) {
    TqelDataset dataset(database.get());
    dataset.setDBDtsID(42);
    TqelEvent* event =
        dataset.AddEvent(1, 1000, 2500, 11, 12, QStringLiteral("Pass\r\nLong"), 3.4, -5.6, evkPass);
    event->setEndXinM(10.2);
    event->setTeamID(2);
    event->Qualifiers().Add(140, QStringLiteral("Zone"), QStringLiteral("left"));
    TqeldbEventsData events(database.get());
    TqeldbEventData* row = events.AddEvent(*event, true);
    EXPECT_EQ(row->EvtID(), event->ID()) << "a model event has its key";
    EXPECT_EQ(row->DtsID(), 42);
    EXPECT_EQ(row->EvttID(), evkPass);
    EXPECT_EQ(row->EvtsID(), 1);
    EXPECT_EQ(row->Description(), QStringLiteral("Long\r\nPass\r\n"));
    EXPECT_EQ(row->AthleteID(), 11);
    EXPECT_EQ(row->TargetID(), 12);
    EXPECT_EQ(row->StartTimeMS(), 1000);
    EXPECT_EQ(row->EndTimeMS(), 2500);
    EXPECT_EQ(row->StartPosXinM(), 3);
    EXPECT_EQ(row->EndPosXinM(), 10);
    EXPECT_EQ(row->GroupID(), 2);
    ASSERT_EQ(row->Qualifiers()->Count(), 1);
}

}  // namespace
