#include <QFile>
#include <atomic>
#include <thread>

#include "model/dataset/dataset.h"
#include "model/dataset/signal_log.h"
#include "model/transponder/transponder_data.h"
#include "platform/exception.h"

namespace {

using qel::test::LoggingSubscriber;
using qel::test::SignalLog;

// The client settings are one per process: a test that changes them puts them back.
class SportSetting {
public:
    explicit SportSetting(TqelSports aSport) : FPrevious(ClientConfig()->Sport()) {
        ClientConfig()->setSport(aSport);
    }
    ~SportSetting() { ClientConfig()->setSport(FPrevious); }

private:
    TqelSports FPrevious;
};

class DatasetCore : public ::testing::Test {
protected:
    ~DatasetCore() override { dataset.unsubscribeToSignals(&subscriber); }

    QStringList Vests() const {
        QStringList vests;
        for (int32_t i = 0; i < dataset.TransponderCount(); ++i) {
            const TqelTransponderData* t = dataset.getTransponder(i);
            vests << QStringLiteral("%1:%2").arg(t->TPid()).arg(t->VestID());
        }
        return vests;
    }
    TqelTransponderData* Named(int32_t anAntennaID, const QString& aName) {
        TqelTransponderData* transponder = dataset.AddTransponder(anAntennaID, nullptr, 0);
        transponder->setAthleteName(aName);
        return transponder;
    }

    qel::FakeClock clock{EncodeDateTime(2026, 5, 4, 15, 30, 10, 0)};
    qel::ScopedClock scopedClock{clock};
    SignalLog log;
    LoggingSubscriber subscriber{QStringLiteral("S"), log};
    TqelDataset dataset;
};

TEST_F(DatasetCore, NewDatasetHasThePartsDefaults) {
    EXPECT_EQ(dataset.Database(), nullptr);
    EXPECT_EQ(dataset.TransponderCount(), 0);
    EXPECT_EQ(dataset.DurationInMS(), 0);
    EXPECT_EQ(dataset.Filename(), QStringLiteral("new.qel"));
    EXPECT_EQ(dataset.ToString(), QStringLiteral("new.qel"));
    EXPECT_EQ(dataset.PrepareRecordingID(), -1);
    EXPECT_EQ(dataset.LiveIndexCalcDelay(), 1050);
    EXPECT_EQ(dataset.StorePositionInterval(), 100);
    EXPECT_EQ(dataset.AccelFrameInterval(), 50);
    EXPECT_EQ(dataset.DistanceInterval(), 20);
    EXPECT_EQ(dataset.SelectionAroundPlayPosMSBefore(), 30000);
    EXPECT_EQ(dataset.SelectionAroundPlayPosMSAfter(), 5000);
    EXPECT_EQ(dataset.LastGroupPartID(), 1000);
    EXPECT_EQ(dataset.LastGroupID(), 0);
    EXPECT_EQ(dataset.Humidity(), -1);
    EXPECT_EQ(dataset.WindSpeed(), -1.0);
    EXPECT_EQ(dataset.DataSource(), 1);
    EXPECT_EQ(dataset.BallPossesionTimeFrame(), 10);
    EXPECT_EQ(dataset.AnalyzeDefID(), 0);
    EXPECT_EQ(dataset.TransponderIDTableSize(), 100);
    EXPECT_EQ(dataset.Timestamp(), clock.Now());
    EXPECT_EQ(dataset.RecordingStartedAt(), clock.Now());
    EXPECT_EQ(dataset.SynchronisationNTPTimestamp(), clock.Now());
    // 2026-05-04 15:30:10 packed: date word (46 << 9 | 5 << 5 | 4), time word (15 << 11 | 30 << 5
    // | 5); the sign of the 32-bit value carries.
    EXPECT_EQ(dataset.DBDtsID(),
              int64_t{int32_t((46 << 9 | 5 << 5 | 4) << 16 | (15 << 11 | 30 << 5 | 5))});
    EXPECT_FALSE(dataset.DatasetGUID().isNull());
    EXPECT_NE(TqelDataset().DatasetGUID(), dataset.DatasetGUID());
    EXPECT_EQ(dataset.PositionAlgorithm(), ClientConfig()->PositionAlgorithm());
    EXPECT_EQ(dataset.SpeedFrameInterval(), ClientConfig()->CalcSpeedFrameInterval());
    EXPECT_NE(dataset.AgilityDefs(), nullptr);
    EXPECT_NE(dataset.DBDataset(), nullptr);
    EXPECT_EQ(dataset.DBPlayers(), nullptr);
    EXPECT_TRUE(dataset.Modified());
    EXPECT_TRUE(dataset.Initialized());
    EXPECT_EQ(dataset.GetDatasetVaruza(), &dataset);
}

TEST_F(DatasetCore, MaxSpeedFollowsTheSport) {
    const struct {
        TqelSports Sport;
        int32_t MaxSpeed;
    } cases[] = {{sportSoccer, 15}, {sportIceHockey, 20}, {sportGeneric, 20}};
    for (const auto& c : cases) {
        SportSetting sport(c.Sport);
        TqelDataset created;
        EXPECT_EQ(created.SportType(), c.Sport);
        EXPECT_EQ(created.MaxSpeed(), c.MaxSpeed) << int(c.Sport);
    }
    dataset.setSportType(sportSoccer);
    EXPECT_EQ(dataset.MaxSpeed(), 15);
}

TEST_F(DatasetCore, DeletingNoticeComesBeforeAnythingIsFreed) {
    auto owned = std::make_unique<TqelDataset>();
    owned->AddTransponder(1203, nullptr, 0);
    struct Checker : LoggingSubscriber {
        using LoggingSubscriber::LoggingSubscriber;
        TqelDataset* Dataset = nullptr;
        int32_t CountSeen = -1;
        void ItemDeleting(TNotifyVaruza* aItem, TqelDatasetItemType aType, int32_t anID) override {
            CountSeen = Dataset->TransponderCount();
            LoggingSubscriber::ItemDeleting(aItem, aType, anID);
        }
    } checker{QStringLiteral("C"), log};
    checker.Dataset = owned.get();
    owned->subscribeToSignals(&checker);
    owned.reset();
    EXPECT_EQ(checker.CountSeen, 1);
    EXPECT_EQ(log.Take(), QStringList{QStringLiteral("C deleting %1 0").arg(int(itemDataSet))});
}

TEST_F(DatasetCore, AddTransponderWithoutDatabaseNumbersAndLabels) {
    dataset.subscribeToSignals(&subscriber);
    TqelTransponderData* first = dataset.AddTransponder(1203, nullptr, 0);
    dataset.AddTransponder(2203, nullptr, 0);
    dataset.AddTransponder(1234, nullptr, 0);
    EXPECT_EQ(Vests(), QStringList({"1:12", "2:22", "3:312"}));
    EXPECT_EQ(dataset.AddTransponder(1203, nullptr, 0), first) << "the same antenna again";
    EXPECT_EQ(dataset.TransponderCount(), 3);
    EXPECT_EQ(first->TPIndex(), 0);
    EXPECT_EQ(first->Antenna1ID(), 1203);
    EXPECT_EQ(dataset.AntennaIndex(1203), 1);
    EXPECT_EQ(dataset.GetTransponderByTP(2), dataset.getTransponder(1));
    EXPECT_EQ(dataset.MaxTransponderID(), 3);
    EXPECT_EQ(dataset.MaxTPid(), 3);
    EXPECT_TRUE(first->Initialized());
    const QString added = QStringLiteral("S added %1 ").arg(int(itemTransponder));
    EXPECT_EQ(log.Take(), QStringList({added + "1", added + "2", added + "3"}));
}

TEST_F(DatasetCore, Antenna16JoinsUnnumberedAndUnannounced) {
    dataset.subscribeToSignals(&subscriber);
    TqelTransponderData* transponder = dataset.AddTransponder(16, nullptr, 0);
    EXPECT_EQ(transponder->TPid(), 0);
    EXPECT_EQ(dataset.GetTransponderByAtenna(16), transponder);
    EXPECT_EQ(dataset.GetTransponderByTP(0), nullptr);
    EXPECT_FALSE(transponder->Initialized());
    EXPECT_TRUE(log.Take().isEmpty());
    EXPECT_EQ(dataset.AddTransponder(1203, nullptr, 0)->TPid(), 1);
}

TEST_F(DatasetCore, NewTransponderTakesTheClientDefaultsOfItsTPid) {
    RqelTransponderDefaults& defaults = ClientConfig()->getTransponderDefault(2);
    const RqelTransponderDefaults saved = defaults;
    defaults.AthleteName = QStringLiteral("Referee two");
    defaults.Role = roleReferee;
    defaults.Color = 0x00FF00;
    defaults.ShirtNum = 12;
    defaults.MaxAcceleration = 6;
    defaults.Weight = 70;
    defaults.FTP = 250;
    dataset.AddTransponder(1203, nullptr, 0);
    const TqelTransponderData* second = dataset.AddTransponder(2203, nullptr, 0);
    defaults = saved;
    EXPECT_EQ(second->AthleteName(), QStringLiteral("Referee two"));
    EXPECT_EQ(second->Role(), roleReferee);
    EXPECT_EQ(second->AthleteColor(), 0x00FF00u);
    EXPECT_EQ(second->ShirtNumber(), 12);
    EXPECT_EQ(second->AthleteMaxAcceleration(), 6);
    EXPECT_EQ(second->AthleteMaxDeceleration(), 6);
    EXPECT_EQ(second->AthleteWeight(), 70);
    EXPECT_EQ(second->AthleteFTP(), 250);
}

TEST_F(DatasetCore, AntennasAndTPidsOutsideTheTablesRegisterNothing) {
    for (const int32_t antenna : {16384, 65535, -1}) {
        EXPECT_THROW(dataset.AddTransponder(antenna, nullptr, 0), qel::ETransponderRefused)
            << antenna;
        EXPECT_EQ(dataset.GetTransponderByAtenna(antenna), nullptr);
        EXPECT_EQ(dataset.AntennaIndex(antenna), 0);
    }
    EXPECT_EQ(dataset.TransponderCount(), 0);
    EXPECT_EQ(dataset.GetTransponderByTP(-1), nullptr);
    EXPECT_EQ(dataset.GetTransponderByTP(70000), nullptr);
    // The refusal is a refused sample, which the intake counts.
    EXPECT_THROW(dataset.AddTransponder(20000, nullptr, 0), qel::ESampleRefused);
}

TEST_F(DatasetCore, TransponderByLastPartOfName) {
    Named(1101, QStringLiteral("John Smith"));
    TqelTransponderData* jane = Named(1201, QStringLiteral("Jane Smithson"));
    TqelTransponderData* peter = Named(1301, QStringLiteral("Peter Smith"));
    TqelTransponderData* jose = Named(1401, QStringLiteral("Jose Pe\u00f1a"));
    EXPECT_EQ(dataset.TransponderByLastPartOfName(QStringLiteral("P. Smith")), peter)
        << "last candidate with the initial";
    EXPECT_EQ(dataset.TransponderByLastPartOfName(QStringLiteral("X. Smith")), peter)
        << "no initial matches: the last candidate";
    EXPECT_EQ(dataset.TransponderByLastPartOfName(QStringLiteral("J. Smithson")), jane)
        << "one candidate";
    EXPECT_EQ(dataset.TransponderByLastPartOfName(QStringLiteral("Smithson jr")), jane)
        << "a trailing two-letter word is dropped";
    EXPECT_EQ(dataset.TransponderByLastPartOfName(QStringLiteral("Jose Pe\u00f1")), jose)
        << "a non-ASCII last letter ends no word: the search goes back to \"Jose\"";
    EXPECT_EQ(dataset.TransponderByLastPartOfName(QString()), nullptr);
    EXPECT_EQ(dataset.TransponderByLastPartOfName(QStringLiteral("Nobody")), nullptr);
    EXPECT_EQ(dataset.TransponderByLastPartOfName(QStringLiteral("A")), nullptr);
}

TEST_F(DatasetCore, RemovingTheFirstOfThreeRenumbersTheTables) {
    dataset.AddTransponder(1203, nullptr, 0);
    TqelTransponderData* second = dataset.AddTransponder(2203, nullptr, 0);
    TqelTransponderData* third = dataset.AddTransponder(3203, nullptr, 0);
    dataset.subscribeToSignals(&subscriber);

    dataset.setRecording(true);
    try {
        dataset.removeTransponder(0);
        FAIL() << "refused while recording";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("It is not possible to remove an athlete during recording"));
    }
    dataset.setRecording(false);
    EXPECT_EQ(log.Take(), QStringList{QStringLiteral("S changed %1 0").arg(int(itemRecording))});
    EXPECT_EQ(dataset.TransponderCount(), 3);
    EXPECT_THROW(dataset.removeTransponder(3), EArgumentOutOfRangeException);
    EXPECT_THROW(dataset.removeTransponder(-1), EArgumentOutOfRangeException);

    dataset.removeTransponder(0);
    EXPECT_EQ(dataset.TransponderCount(), 2);
    EXPECT_EQ(second->TPIndex(), 0);
    EXPECT_EQ(third->TPIndex(), 1);
    EXPECT_EQ(dataset.GetTransponderByAtenna(2203), second);
    EXPECT_EQ(dataset.GetTransponderByAtenna(3203), third);
    EXPECT_EQ(dataset.GetTransponderByAtenna(1203), nullptr);
    EXPECT_EQ(dataset.GetTransponderByTP(1), nullptr);
    EXPECT_EQ(dataset.GetTransponderByTP(3), third);
    const int type = int(itemTransponder);
    EXPECT_EQ(log.Take(), QStringList({QStringLiteral("S deleting %1 1").arg(type),
                                       QStringLiteral("S deleted %1 1").arg(type)}));
    EXPECT_TRUE(dataset.Modified());
    // The freed antenna can be taken again.
    EXPECT_EQ(dataset.AddTransponder(1203, nullptr, 0)->TPIndex(), 2);
}

TEST_F(DatasetCore, RenumberingGivesListPositionsAndGrowsTheIdTable) {
    for (int32_t i = 0; i < 120; ++i) {
        dataset.AddTransponder(1000 + i * 10, nullptr, 0);
    }
    dataset.removeTransponder(0);
    dataset.RenumberTransponders();
    EXPECT_EQ(dataset.TransponderIDTableSize(), 119);
    for (int32_t i = 0; i < dataset.TransponderCount(); ++i) {
        EXPECT_EQ(dataset.getTransponder(i)->TPid(), i);
        EXPECT_EQ(dataset.GetTransponderByTP(i), dataset.getTransponder(i));
    }
}

TEST_F(DatasetCore, FilterSettersNotifyAndMarkARebuild) {
    dataset.subscribeToSignals(&subscriber);
    const QString filter = QStringLiteral("S changed %1 0").arg(int(itemFilter));
    dataset.setDistanceInterval(40);
    EXPECT_TRUE(dataset.IndexesNeedsToRebuild());
    dataset.setIndexesNeedsToRebuild(false);
    dataset.setDistanceInterval(40);
    dataset.setSpeedFrameInterval(dataset.SpeedFrameInterval() + 100);
    EXPECT_FALSE(dataset.IndexesNeedsToRebuild()) << "the speed frame needs no rebuild";
    dataset.setUseLastKnownRawIn3DViewer(true);
    dataset.setPositionSensitivity(dataset.PositionSensitivity() + 1);
    EXPECT_TRUE(dataset.IndexesNeedsToRebuild());
    EXPECT_EQ(log.Take(), QStringList({filter, filter, filter, filter}));

    dataset.setMaxPower(dataset.MaxPower() + 1);
    dataset.setHeartbeatInterval(dataset.HeartbeatInterval() + 1);
    EXPECT_EQ(log.Take(), QStringList({QStringLiteral("S changed %1 -1").arg(int(itemDataSet)),
                                       QStringLiteral("S changed %1 -1").arg(int(itemDataSet))}));
}

TEST_F(DatasetCore, BallsKeepTheWeightedAverageWhenTheAlgorithmChanges) {
    TqelTransponderData* athlete = dataset.AddTransponder(1203, nullptr, 0);
    TqelTransponderData* ball = dataset.AddTransponder(2203, nullptr, 0);
    ball->setRole(roleBall);
    EXPECT_EQ(ball->PositionAlgorithm(), posLinearInterpolation) << "the transponder's own rule";
    dataset.setPositionAlgorithm(posWeightedAverage);
    dataset.setPositionAlgorithm(posLastKnown);
    EXPECT_EQ(athlete->PositionAlgorithm(), posLastKnown);
    EXPECT_EQ(ball->PositionAlgorithm(), posWeightedAverage);
    EXPECT_EQ(ball->PositionSensitivity(), 10);
    dataset.setPositionSensitivity(33);
    EXPECT_EQ(athlete->PositionSensitivity(), 33);
    EXPECT_EQ(ball->PositionSensitivity(), 10);
}

TEST_F(DatasetCore, TrainingTimesRoundToFiveMinutes) {
    const TDateTime day = EncodeDate(2026, 5, 4);
    dataset.setBeginTraining(day + EncodeTime(10, 2, 31, 0));
    EXPECT_EQ(FormatDateTime(QStringLiteral("hh:nn:ss"), dataset.BeginTraining()),
              QStringLiteral("10:05:00"));
    EXPECT_EQ(dataset.BeginTrainingRoundingDif(), 149000);
    dataset.setEndTraining(day + EncodeTime(11, 2, 31, 0));
    EXPECT_EQ(FormatDateTime(QStringLiteral("hh:nn:ss"), dataset.EndTraining()),
              QStringLiteral("11:05:00"));
}

TEST_F(DatasetCore, TransponderFromAnotherServerGivesItsAthleteByFirstAntenna) {
    std::unique_ptr<TqelTransponderData> other =
        std::make_unique<TqelTransponderData>(nullptr, false);
    other->setAntenna1ID(1203);
    other->setAthleteName(QStringLiteral("From afar"));
    other->setAthleteMaxHeartbeat(187);
    other->setRemark(QStringLiteral("r"));
    TqelTransponderData* local = dataset.AddTransponder(1203, nullptr, 0);
    local->setShortCutChar(QStringLiteral("k"));
    dataset.subscribeToSignals(&subscriber);
    dataset.HandleTransponderFromOther(*other);
    EXPECT_EQ(local->AthleteName(), QStringLiteral("From afar"));
    EXPECT_EQ(local->AthleteMaxHeartbeat(), 187);
    EXPECT_EQ(local->Remark(), QStringLiteral("r"));
    EXPECT_EQ(local->ShortCutChar(), QStringLiteral("k")) << "not taken over";
    EXPECT_EQ(local->TPid(), 1);
    EXPECT_EQ(log.Take(), QStringList{QStringLiteral("S changed %1 1").arg(int(itemTransponder))});
    other->setAntenna1ID(999);
    dataset.HandleTransponderFromOther(*other);
    EXPECT_TRUE(log.Take().isEmpty()) << "no local transponder with that antenna";
}

TEST_F(DatasetCore, ReaderThreadSeesOnlyCompleteTransponders) {
    std::atomic<bool> done{false};
    std::atomic<int64_t> seen{0};
    std::thread reader([&] {
        // One more pass after the writer is done, so a slow start still sees some.
        for (bool last = false; !last;) {
            last = done.load();
            const int32_t count = dataset.TransponderCount();
            for (int32_t i = 0; i < count; ++i) {
                const TqelTransponderData* t = dataset.Transponders().At(i);
                if (t && t->TPid() > 0 && !t->VestID().isEmpty()) {
                    ++seen;
                }
            }
        }
    });
    for (int32_t i = 0; i < 500; ++i) {
        dataset.AddTransponder(100 + i * 10, nullptr, 0);
    }
    done = true;
    reader.join();
    EXPECT_EQ(dataset.TransponderCount(), 500);
    EXPECT_GT(seen.load(), 0);
}

}  // namespace
