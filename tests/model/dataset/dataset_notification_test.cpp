#include <QFile>
#include <thread>

#include "database/agility/agility_runs.h"
#include "model/dataset/dataset.h"
#include "model/dataset/signal_log.h"
#include "platform/crash_reporter.h"
#include "platform/exception.h"
#include "platform/queued_call.h"
#include "support/temp_folder.h"

namespace {

using qel::test::Item;
using qel::test::LoggingSubscriber;
using qel::test::SignalLog;

constexpr int kPatienceMs = 5000;

class DatasetNotification : public ::testing::Test {
protected:
    DatasetNotification() {
        item.setInitialized(true);
        ClearModified();
    }
    ~DatasetNotification() override {
        for (auto* subscriber : {&a, &b, &c}) {
            dataset.unsubscribeToSignals(subscriber);
        }
    }
    void SubscribeAll() {
        for (auto* subscriber : {&a, &b, &c}) {
            dataset.subscribeToSignals(subscriber);
        }
    }
    void ClearModified() { dataset.NotifyItemDeleted(itemDataSet, 0); }

    SignalLog log;
    LoggingSubscriber a{QStringLiteral("A"), log};
    LoggingSubscriber b{QStringLiteral("B"), log};
    LoggingSubscriber c{QStringLiteral("C"), log};
    TqelDataset dataset;
    Item item;
};

TEST_F(DatasetNotification, ReachesSubscribersLastFirstAndSelectedFirstFirst) {
    SubscribeAll();
    dataset.NotifyItemAdded(&item, itemGame, 4);
    dataset.NotifyItemChanged(&item, itemGame, 4);
    dataset.NotifyItemDeleting(&item, itemGame, 4);
    dataset.NotifyItemDeleted(itemGame, 4);
    dataset.NotifyItemsCleared(itemGame);
    dataset.NotifyItemSelected(&item, itemGame, 4);
    EXPECT_EQ(log.Take(), QStringList({
                              "C added 6 4",
                              "B added 6 4",
                              "A added 6 4",
                              "C changed 6 4",
                              "B changed 6 4",
                              "A changed 6 4",
                              "C deleting 6 4",
                              "B deleting 6 4",
                              "A deleting 6 4",
                              "C deleted 6 4",
                              "B deleted 6 4",
                              "A deleted 6 4",
                              "C cleared 6 0",
                              "B cleared 6 0",
                              "A cleared 6 0",
                              "A selected 6 4",
                              "B selected 6 4",
                              "C selected 6 4",
                          }));
}

TEST_F(DatasetNotification, UnsubscribeRemovesTheFirstEntryOnly) {
    dataset.subscribeToSignals(&a);
    dataset.subscribeToSignals(&a);
    dataset.unsubscribeToSignals(&b);
    dataset.unsubscribeToSignals(&a);
    dataset.NotifyItemSelected(nullptr, itemTransponder, 0);
    EXPECT_EQ(log.Take(), QStringList({"A selected 1 0"}));
}

TEST_F(DatasetNotification, AddedWithoutSubscriberMarksModifiedAndInitialized) {
    Item fresh;
    dataset.NotifyItemAdded(&fresh, itemLap, -1);
    EXPECT_TRUE(dataset.Modified());
    EXPECT_TRUE(fresh.Initialized());
}

TEST_F(DatasetNotification, ChangeOfAnUninitializedObjectDoesNothing) {
    dataset.subscribeToSignals(&a);
    Item fresh;
    dataset.NotifyItemChanged(&fresh, itemGame, 1);
    EXPECT_FALSE(dataset.Modified());
    EXPECT_TRUE(log.Take().isEmpty());
}

TEST_F(DatasetNotification, ModifiedFlagRules) {
    struct Case {
        const char* what;
        std::function<void(TqelDataset&, Item&)> notify;
        bool modified;
    };
    const Case cases[] = {
        {"play position", [](auto& d, auto&) { d.NotifyItemChanged(&d, itemPlayPos, 10); }, false},
        {"dataset -1", [](auto& d, auto&) { d.NotifyItemChanged(&d, itemDataSet, -1); }, false},
        {"dataset 0", [](auto& d, auto&) { d.NotifyItemChanged(&d, itemDataSet, 0); }, true},
        {"recording 0", [](auto& d, auto&) { d.NotifyItemChanged(&d, itemRecording, 0); }, true},
        {"recording 5", [](auto& d, auto&) { d.NotifyItemChanged(&d, itemRecording, 5); }, false},
        {"lap changed", [](auto& d, auto& i) { d.NotifyItemChanged(&i, itemLap, -1); }, true},
        {"game deleted", [](auto& d, auto&) { d.NotifyItemDeleted(itemGame, 3); }, true},
        {"cleared", [](auto& d, auto&) { d.NotifyItemsCleared(itemMarker); }, true},
        {"deleting", [](auto& d, auto& i) { d.NotifyItemDeleting(&i, itemGame, 3); }, false},
        {"selected", [](auto& d, auto& i) { d.NotifyItemSelected(&i, itemGame, 3); }, false},
    };
    dataset.subscribeToSignals(&a);
    for (const Case& test : cases) {
        ClearModified();
        log.Take();
        test.notify(dataset, item);
        EXPECT_EQ(dataset.Modified(), test.modified) << test.what;
        EXPECT_EQ(log.Take().size(), 1) << test.what << ": delivered once in any case";
    }
    dataset.NotifyItemChanged(&item, itemGame, 1);
    dataset.NotifyItemDeleted(itemDataSet, 0);
    EXPECT_FALSE(dataset.Modified()) << "a deleted dataset holds nothing to write";
}

TEST_F(DatasetNotification, EventNoticesMarkTheEventsModified) {
    const std::function<void(TqelDataset&, Item&)> notices[] = {
        [](auto& d, auto& i) { d.NotifyItemAdded(&i, itemEvent, 1); },
        [](auto& d, auto& i) { d.NotifyItemChanged(&i, itemEvent, 1); },
        [](auto& d, auto&) { d.NotifyItemDeleted(itemEvent, 1); },
        [](auto& d, auto&) { d.NotifyItemsCleared(itemEvent); },
    };
    for (const auto& notify : notices) {
        dataset.SetEventsModified(false);
        notify(dataset, item);
        EXPECT_TRUE(dataset.EventsModified());
    }
    dataset.SetEventsModified(false);
    dataset.NotifyItemChanged(&item, itemMarker, 1);
    EXPECT_FALSE(dataset.EventsModified());
}

TEST_F(DatasetNotification, WhileLoadingOnlyDeletingAndSelectedGoOut) {
    dataset.subscribeToSignals(&a);
    dataset.setLoading(true);
    Item fresh;
    dataset.NotifyItemAdded(&fresh, itemEvent, 1);
    dataset.NotifyItemChanged(&item, itemEvent, 1);
    dataset.NotifyItemDeleted(itemEvent, 1);
    dataset.NotifyItemsCleared(itemEvent);
    dataset.NotifyItemDeleting(&item, itemEvent, 2);
    dataset.NotifyItemSelected(&item, itemEvent, 3);
    EXPECT_EQ(log.Take(), QStringList({"A deleting 2 2", "A selected 2 3"}));
    EXPECT_FALSE(dataset.Modified());
    EXPECT_FALSE(dataset.EventsModified());
    EXPECT_FALSE(fresh.Initialized());
}

TEST_F(DatasetNotification, ChangesInsideUpdateBracketsGiveOneNoticeAtTheEnd) {
    dataset.subscribeToSignals(&a);
    dataset.BeginUpdate();
    for (int i = 0; i < 5; ++i) {
        dataset.setChanged(true);
    }
    EXPECT_TRUE(log.Take().isEmpty());
    EXPECT_TRUE(dataset.Modified());
    dataset.EndUpdate();
    EXPECT_EQ(log.Take(), QStringList({"A changed 0 -1"}));
    EXPECT_FALSE(dataset.Changed());

    dataset.BeginUpdate();
    dataset.setChanged(true);
    dataset.setChanged(true);
    dataset.BeginUpdate();
    for (int i = 0; i < 3; ++i) {
        dataset.setChanged(true);
    }
    dataset.EndUpdate();
    dataset.BeginUpdate();  // a nested bracket must not forget the changes before it
    dataset.EndUpdate();
    EXPECT_TRUE(log.Take().isEmpty());
    dataset.EndUpdate();
    EXPECT_EQ(log.Take(), QStringList({"A changed 0 -1"}));

    dataset.BeginUpdate();
    dataset.EndUpdate();
    EXPECT_TRUE(log.Take().isEmpty()) << "an empty bracket reports nothing";
    EXPECT_THROW(dataset.EndUpdate(), EAssertionFailed);
}

TEST_F(DatasetNotification, FieldAndAgilityNoticesRunAtOnceOnTheCallersThread) {
    SubscribeAll();
    auto run = TqeldbAgilityTest::CreateEmpty();
    run->setTgID(17);
    std::thread worker([&] {
        dataset.NotifyFieldChanged();
        dataset.NotifyAgilityTestChanged(*run);
        dataset.NotifyAgilityTestDeleting(*run);
    });
    worker.join();
    EXPECT_EQ(log.Take(), QStringList({
                              "A changed 9 0",
                              "B changed 9 0",
                              "C changed 9 0",
                              "C changed 19 17",
                              "B changed 19 17",
                              "A changed 19 17",
                              "C deleting 19 17",
                              "B deleting 19 17",
                              "A deleting 19 17",
                          }));
    EXPECT_TRUE(dataset.Modified());
    qel::ProcessMessages();
    EXPECT_EQ(log.Take(), QStringList({"C changed 0 -1", "B changed 0 -1", "A changed 0 -1"}))
        << "the field change marks the dataset changed, which is queued";
}

TEST_F(DatasetNotification, WorkerNoticesWaitForTheMainThread) {
    dataset.subscribeToSignals(&a);
    auto run = TqeldbAgilityTest::CreateEmpty();
    run->setTgID(5);
    dataset.NotifyItemChanged(&item, itemLap, -1);
    EXPECT_EQ(log.Take(), QStringList({"A changed 10 -1"})) << "main thread: before returning";

    std::thread worker([&] {
        dataset.NotifyItemChanged(&item, itemLap, -1);
        dataset.NotifyAgilityTestAdded(*run);
        dataset.NotifyItemSelected(nullptr, itemTransponder, 0);
    });
    worker.join();
    EXPECT_TRUE(log.Take().isEmpty());
    qel::ProcessMessages();
    EXPECT_EQ(log.Take(), QStringList({"A changed 10 -1", "A added 19 5", "A selected 1 0"}));
}

TEST_F(DatasetNotification, AQueuedNoticeOfAFreedObjectIsDropped) {
    dataset.subscribeToSignals(&a);
    auto lap = std::make_unique<Item>();
    lap->setInitialized(true);
    std::thread worker([&] {
        dataset.NotifyItemChanged(lap.get(), itemLap, -1);
        dataset.NotifyItemChanged(nullptr, itemLap, -1);
    });
    worker.join();
    lap.reset();
    qel::ProcessMessages();
    EXPECT_EQ(log.Take(), QStringList({"A changed 10 -1"})) << "only the notice without object";
}

TEST(DatasetLifetime, QueuedNoticesOfAFreedDatasetAreDropped) {
    SignalLog log;
    LoggingSubscriber a(QStringLiteral("A"), log);
    auto dataset = std::make_unique<TqelDataset>();
    dataset->subscribeToSignals(&a);
    std::thread worker([&] {
        dataset->NotifyItemsCleared(itemLap);
        dataset->NotifyItemChanged(dataset.get(), itemFilter, 0);
    });
    worker.join();
    dataset.reset();
    EXPECT_EQ(log.Take(), QStringList({"A deleting 0 0"}));
    qel::ProcessMessages();
    EXPECT_TRUE(log.Take().isEmpty());
}

class Thrower : public LoggingSubscriber {
public:
    using LoggingSubscriber::LoggingSubscriber;
    void ItemChanged(TNotifyVaruza* aVaruza, TqelDatasetItemType aType, int32_t anID) override {
        LoggingSubscriber::ItemChanged(aVaruza, aType, anID);
        throw EAssertionFailed(QStringLiteral("listener failed"));
    }
};

TEST_F(DatasetNotification, ASubscribersExceptionEndsTheDelivery) {
    Thrower thrower(QStringLiteral("T"), log);
    dataset.subscribeToSignals(&a);
    dataset.subscribeToSignals(&thrower);
    EXPECT_THROW(dataset.NotifyItemChanged(&item, itemGame, 1), EAssertionFailed);
    EXPECT_EQ(log.Take(), QStringList({"T changed 6 1"}));

    qel::test::TempFolder folder;
    qel::CrashReporter::SetLogFileName(folder.file(QStringLiteral("crash.log")));
    const int64_t before = qel::CrashReporter::ReportCount();
    std::thread worker([&] { dataset.NotifyItemChanged(&item, itemGame, 2); });
    worker.join();
    qel::ProcessMessages();
    qel::CrashReporter::SetLogFileName({});
    EXPECT_EQ(qel::CrashReporter::ReportCount(), before + 1);
    EXPECT_EQ(log.Take(), QStringList({"T changed 6 2"}));
    dataset.unsubscribeToSignals(&thrower);
}

}  // namespace
