#include <QStringList>
#include <atomic>
#include <chrono>
#include <thread>

#include "database/agility/agility_runs.h"
#include "model/dataset/dataset.h"
#include "model/dataset/dataset_signals_adapter.h"
#include "model/dataset/signal_log.h"
#include "platform/queued_call.h"

namespace {

using qel::test::Item;

// The adapter's events as "<event> <sender>" lines.
struct AdapterEvents {
    explicit AdapterEvents(TqelDatasetSignals& anAdapter, const QHash<void*, QString>& aNames)
        : names(aNames) {
        anAdapter.setOnGameChanged([this](TNotifyVaruza* s) { Log("game", s); });
        anAdapter.setOnStopRecording([this](TNotifyVaruza* s) { Log("stop", s); });
        anAdapter.setOnSelectedTransponderChanged([this](TNotifyVaruza* s) { Log("tp", s); });
        anAdapter.setOnDeleting([this](TNotifyVaruza* s) { Log("deleting", s); });
    }
    void Log(const char* anEvent, TNotifyVaruza* aSender) {
        lines.append(QStringLiteral("%1 %2").arg(anEvent, names.value(aSender, "?")));
    }
    QStringList Take() { return std::exchange(lines, {}); }

    const QHash<void*, QString>& names;
    QStringList lines;
};

TEST(DatasetSignalsAdapter, TurnsNoticesIntoItsEvents) {
    auto dataset = std::make_unique<TqelDataset>();
    Item game;
    Item part;
    Item transponder;
    const QHash<void*, QString> names{{dataset.get(), "dataset"},
                                      {&game, "game"},
                                      {&part, "part"},
                                      {&transponder, "tp"},
                                      {nullptr, "nil"}};
    TqelDatasetSignals adapter(dataset.get());
    AdapterEvents events(adapter, names);
    EXPECT_EQ(adapter.Dataset(), dataset.get());

    dataset->NotifyItemAdded(&game, itemGame, 1);
    dataset->NotifyItemAdded(&part, itemGamePart, 1);
    dataset->NotifyItemChanged(&game, itemGame, 1);
    dataset->NotifyItemChanged(&part, itemGamePart, 1);
    dataset->NotifyItemDeleting(&part, itemGamePart, 1);
    dataset->NotifyItemAdded(&transponder, itemTransponder, 1);
    dataset->NotifyItemChanged(dataset.get(), itemRecording, 5);
    dataset->NotifyItemChanged(dataset.get(), itemRecording, 0);
    dataset->NotifyItemSelected(&game, itemGame, 1);
    dataset->NotifyItemSelected(&transponder, itemTransponder, 1);
    dataset->NotifyItemSelected(nullptr, itemTransponder, 0);
    dataset->NotifyItemDeleted(itemGame, 1);
    dataset->NotifyItemsCleared(itemGame);
    dataset->NotifyItemDeleting(&transponder, itemDataSet, 0);  // not its dataset
    EXPECT_EQ(events.Take(), QStringList({"game game", "game part", "game game", "game part",
                                          "game part", "stop dataset", "tp tp", "tp nil"}));
    EXPECT_EQ(adapter.Dataset(), dataset.get());

    dataset.reset();
    EXPECT_EQ(events.Take(), QStringList({"deleting dataset"}));
    EXPECT_EQ(adapter.Dataset(), nullptr);
}

TEST(DatasetSignalsAdapter, DetachesWithoutADeletingHandler) {
    auto dataset = std::make_unique<TqelDataset>();
    TqelDatasetSignals adapter(dataset.get());
    dataset.reset();
    EXPECT_EQ(adapter.Dataset(), nullptr);
}

TEST(DatasetSignalsAdapter, MovesItsSubscription) {
    TqelDataset first;
    TqelDataset second;
    int games = 0;
    TqelDatasetSignals adapter(&first);
    adapter.setOnGameChanged([&](TNotifyVaruza*) { ++games; });
    adapter.setDataset(&second);
    first.NotifyItemAdded(nullptr, itemGame, 1);
    second.NotifyItemAdded(nullptr, itemGame, 1);
    EXPECT_EQ(games, 1);
    adapter.setDataset(nullptr);
    second.NotifyItemAdded(nullptr, itemGame, 1);
    EXPECT_EQ(games, 1);
}

TEST(DatasetSignalsAdapter, ADeletingHandlerMayFreeAnotherAdapter) {
    auto dataset = std::make_unique<TqelDataset>();
    auto first = std::make_unique<TqelDatasetSignals>(dataset.get());
    int firstDeleting = 0;
    first->setOnDeleting([&](TNotifyVaruza*) { ++firstDeleting; });
    TqelDatasetSignals second(dataset.get());
    second.setOnDeleting([&](TNotifyVaruza*) { first.reset(); });
    dataset.reset();  // the second is called first and frees the first
    EXPECT_EQ(first, nullptr);
    EXPECT_EQ(firstDeleting, 0);
    EXPECT_EQ(second.Dataset(), nullptr);
}

TEST(DatasetSignalsAdapter, ASelectedHandlerMayUnsubscribe) {
    TqelDataset dataset;
    int calls = 0;
    auto first = std::make_unique<TqelDatasetSignals>(&dataset);
    first->setOnSelectedTransponderChanged([&](TNotifyVaruza*) {
        ++calls;
        first.reset();
    });
    TqelDatasetSignals second(&dataset);
    second.setOnSelectedTransponderChanged([&](TNotifyVaruza*) { ++calls; });
    dataset.NotifyItemSelected(nullptr, itemTransponder, 0);
    EXPECT_EQ(calls, 2);
    dataset.NotifyItemSelected(nullptr, itemTransponder, 0);
    EXPECT_EQ(calls, 3);
}

// Stays inside its field notice for a while and then writes to itself.
class SlowAdapter : public TqelDatasetSignals {
public:
    using TqelDatasetSignals::TqelDatasetSignals;
    // Unsubscribes before its own members die.
    ~SlowAdapter() override { setDataset(nullptr); }

    void ItemChanged(TNotifyVaruza* aVaruza, TqelDatasetItemType aType, int32_t anID) override {
        entered = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ++calls;
        TqelDatasetSignals::ItemChanged(aVaruza, aType, anID);
    }

    std::atomic<bool> entered{false};
    int calls = 0;
};

TEST(DatasetSignalsAdapter, FreeingWaitsForAnotherThreadInsideItsCall) {
    TqelDataset dataset;
    auto adapter = std::make_unique<SlowAdapter>(&dataset);
    std::atomic<bool>* entered = &adapter->entered;
    std::thread worker([&] { dataset.NotifyFieldChanged(); });
    while (!entered->load()) {
        std::this_thread::yield();
    }
    adapter.reset();  // waits until the worker has left the call
    worker.join();
    qel::ProcessMessages();
}

TEST(DatasetSignalsAdapter, SubscribingWhileAThreadNotifiesIsSafe) {
    TqelDataset dataset;
    Item lap;
    lap.setInitialized(true);
    auto run = TqeldbAgilityTest::CreateEmpty();
    run->setTgID(3);
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        while (!stop) {
            dataset.NotifyItemChanged(&lap, itemLap, -1);
            dataset.NotifyAgilityTestChanged(*run);
            dataset.NotifyAgilityTestDeleting(*run);
            dataset.NotifyAgilityTestAdded(*run);
        }
    });
    int games = 0;
    for (int i = 0; i < 200; ++i) {
        TqelDatasetSignals adapter(&dataset);
        adapter.setOnGameChanged([&](TNotifyVaruza*) { ++games; });
        TqelDatasetSignals other(&dataset);
        qel::ProcessMessages();
        other.setDataset(nullptr);
    }
    stop = true;
    worker.join();
    qel::ProcessMessages();
    EXPECT_EQ(games, 0);
}

}  // namespace
