#include <gtest/gtest.h>

#include <QSignalSpy>
#include <memory>
#include <thread>
#include <tuple>
#include <vector>

#include "foundation/logging/log_window_core.h"
#include "foundation/settings/field_settings.h"
#include "measurement/drivers/measurement_system.h"
#include "platform/date_time.h"
#include "platform/exception.h"
#include "platform/queued_call.h"

namespace {

constexpr int kPatienceMs = 10000;

// The least a driver must implement.
class TestDriver : public TqelMeasurementSystem {
public:
    void ActivateTransponder(uint16_t) override {}
    void DeactivateTransponder(uint16_t) override {}
    void Stop() override {}
    TqelStartupSequence GetStartUpSequenceInternal() override { return startRunning; }
    void StartDataLogging() override {}
    void Initialize() override {}
    void StopDataLogging() override {}
    void StopMeasurement() override {}
    int32_t MeasurementFrequency() override { return 0; }
    int32_t ReceivingError() override { return 0; }
    int32_t PacketLengthDifferent() override { return 0; }
    int32_t MissedPackets() override { return 0; }
    int32_t NotWholePackedReaded() override { return 0; }
};

// Writes every call down as one text.
class RecordingOwner : public IqelMeasurementSystemCallback {
public:
    void log(TqelMeasurementSystem* aSender, const QString& aText) override {
        Record(aSender, QStringLiteral("log ") + aText);
    }
    void status(TqelMeasurementSystem* aSender, int32_t aMessageID, const QString& aText) override {
        Record(aSender, QStringLiteral("status %1 ").arg(aMessageID) + aText);
    }
    void error(TqelMeasurementSystem* aSender, int32_t aMessageID, const QString& aText) override {
        Record(aSender, QStringLiteral("error %1 ").arg(aMessageID) + aText);
    }
    void stateChanged(TqelMeasurementSystem* aSender, TqelStartupSequence aState) override {
        Record(aSender, QStringLiteral("state %1").arg(aState));
    }
    void positionReceived(TqelMeasurementSystem* aSender, const RqelPositionRec&) override {
        Record(aSender, QStringLiteral("position"));
    }
    void event(TqelMeasurementSystem* aSender, uint8_t anEventCode, int32_t aParameter) override {
        Record(aSender, QStringLiteral("event %1 %2").arg(anEventCode).arg(aParameter));
    }
    TqelAntennaList* getAntennaList() override { return nullptr; }

    QStringList Calls;
    std::vector<TqelMeasurementSystem*> Senders;

private:
    void Record(TqelMeasurementSystem* aSender, const QString& aCall) {
        Calls << aCall;
        Senders.push_back(aSender);
    }
};

class MeasurementSystemTest : public ::testing::Test {
protected:
    MeasurementSystemTest() {
        field.setFieldName(QStringLiteral("Pitch A"));
        driver->setCallBack(&owner);
        driver->SetField(&field);
    }

    // The delivery adds to the log, whose own display step is queued again.
    QStringList LogLines(int aCount) {
        TqelShowTextDialog& log = *driver->MeasurementSystemLog();
        qel::ProcessMessagesFor(kPatienceMs, [&] { return log.LineCount() >= aCount; });
        QStringList lines;
        for (const QString& line : log.Lines()) {
            if (!line.startsWith(QStringLiteral("-- "))) {
                lines << line.mid(14);
            }
        }
        return lines;
    }

    qel::FakeClock clock{EncodeDateTime(2026, 3, 14, 18, 45, 0, 0)};
    qel::ScopedClock scopedClock{clock};
    TqelFieldSettings field;
    RecordingOwner owner;
    std::unique_ptr<TestDriver> driver = std::make_unique<TestDriver>();
};

TEST_F(MeasurementSystemTest, ReportIsRecordedAtOnceAndDeliveredLater) {
    driver->StatusMessage(7, QStringLiteral("connected"));
    EXPECT_EQ(driver->LastStatus(), QStringLiteral("connected"));
    EXPECT_TRUE(owner.Calls.isEmpty());
    ASSERT_TRUE(qel::ProcessMessagesFor(kPatienceMs, [&] { return !owner.Calls.isEmpty(); }));
    EXPECT_EQ(owner.Calls, QStringList{QStringLiteral("status 7 Pitch A- connected")});
    EXPECT_EQ(owner.Senders.front(), driver.get());
}

TEST_F(MeasurementSystemTest, EachReportReachesLogAndOwnerInOrder) {
    driver->LogMessage(QStringLiteral("hello"));
    driver->StateChanged(startSendConnect);
    driver->StatusMessage(1, QStringLiteral("up"));
    driver->ErrorMessage(2, QStringLiteral("broken"));
    EXPECT_EQ(driver->LastMessage(), QStringLiteral("hello"));
    EXPECT_EQ(driver->LastState(), startSendConnect);
    EXPECT_EQ(driver->LastError(), QStringLiteral("broken"));

    EXPECT_EQ(LogLines(4), QStringList({QStringLiteral("Err: broken"), QStringLiteral("State: up"),
                                        QStringLiteral("Msg: hello")}));
    EXPECT_EQ(owner.Calls,
              QStringList({QStringLiteral("log Pitch A- hello"), QStringLiteral("state 3"),
                           QStringLiteral("status 1 Pitch A- up"),
                           QStringLiteral("error 2 Pitch A- broken")}));
}

TEST_F(MeasurementSystemTest, WithoutFieldNoLogCallbackAndAnEmptyFieldName) {
    driver->SetField(nullptr);
    driver->LogMessage(QStringLiteral("hello"));
    driver->StatusMessage(1, QStringLiteral("up"));
    driver->ErrorMessage(2, QStringLiteral("broken"));
    EXPECT_EQ(LogLines(4), QStringList({QStringLiteral("Err: broken"), QStringLiteral("State: up"),
                                        QStringLiteral("Msg: hello")}));
    EXPECT_EQ(owner.Calls,
              QStringList({QStringLiteral("status 1 - up"), QStringLiteral("error 2 - broken")}));
}

TEST_F(MeasurementSystemTest, ReportsFromTwoThreadsKeepEachThreadsOrder) {
    constexpr int kReports = 300;
    std::vector<std::thread> threads;
    for (const QString name : {QStringLiteral("a"), QStringLiteral("b")}) {
        threads.emplace_back([this, name] {
            for (int i = 0; i < kReports; ++i) {
                driver->LogMessage(QStringLiteral("%1 %2").arg(name).arg(i));
                driver->StatusMessage(i, name);
            }
        });
    }
    // The main thread reads the last value while the threads write it.
    const bool delivered = qel::ProcessMessagesFor(kPatienceMs, [&] {
        (void)driver->LastStatus();
        return owner.Calls.size() >= 4 * kReports;
    });
    for (std::thread& thread : threads) {
        thread.join();
    }
    ASSERT_TRUE(delivered);
    ASSERT_EQ(owner.Calls.size(), 4 * kReports);
    int nextA = 0;
    int nextB = 0;
    for (const QString& call : owner.Calls) {
        if (call.startsWith(QStringLiteral("log Pitch A- a "))) {
            EXPECT_EQ(call.section(QLatin1Char(' '), 4).toInt(), nextA++);
        } else if (call.startsWith(QStringLiteral("log Pitch A- b "))) {
            EXPECT_EQ(call.section(QLatin1Char(' '), 4).toInt(), nextB++);
        }
    }
    EXPECT_EQ(nextA, kReports);
    EXPECT_EQ(nextB, kReports);
    EXPECT_TRUE(driver->LastStatus() == QStringLiteral("a") ||
                driver->LastStatus() == QStringLiteral("b"));
}

TEST_F(MeasurementSystemTest, DeliveriesOfAFreedDriverAreDropped) {
    driver->LogMessage(QStringLiteral("late"));
    driver->StatusMessage(1, QStringLiteral("late"));
    driver->StateChanged(startStopping);
    driver.reset();
    qel::ProcessMessagesFor(50);
    EXPECT_TRUE(owner.Calls.isEmpty());
}

TEST_F(MeasurementSystemTest, SystemEventGoesToTheOwnerAndShowLogToTheView) {
    driver->SystemEvent(4, -12);
    EXPECT_EQ(owner.Calls, QStringList{QStringLiteral("event 4 -12")});

    QSignalSpy shown(driver->MeasurementSystemLog(), &TqelShowTextDialog::ShowRequested);
    driver->ShowLog();
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(driver->MeasurementSystemLog()->LogName(), QStringLiteral("Field Connection log"));
}

TEST_F(MeasurementSystemTest, BaseStationPositionsCarryTheirIdentity) {
    TqelArrayOfPositionRec positions(3);
    EXPECT_EQ(driver->GetBaseStationsPos(positions), 0);
    EXPECT_TRUE(positions.isEmpty());

    for (auto [hub, port, x] : {std::tuple{1, 4, 1000}, std::tuple{12, 0, -2500}}) {
        auto station = std::make_unique<TBaseStation>();
        station->HUBid = hub;
        station->PortID = port;
        station->XinMM = x;
        station->YinMM = x + 1;
        station->ZinMM = 3000;
        driver->BaseStationAdd(std::move(station));
    }
    positions.resize(1);
    positions[0].AntennaID = 77;
    ASSERT_EQ(driver->GetBaseStationsPos(positions), 2);
    ASSERT_EQ(positions.size(), 2);
    EXPECT_EQ(positions[0].TimeStampInMS, 104);
    EXPECT_EQ(positions[0].XinMM, 1000);
    EXPECT_EQ(positions[0].YinMM, 1001);
    EXPECT_EQ(positions[0].ZinMM, 3000);
    // Only identity and position are written.
    EXPECT_EQ(positions[0].AntennaID, 77);
    EXPECT_EQ(positions[1].TimeStampInMS, 1200);
    EXPECT_EQ(positions[1].XinMM, -2500);

    EXPECT_EQ(driver->GetBaseStation(1)->HUBid, 12);
    EXPECT_THROW(driver->GetBaseStation(2), EArgumentOutOfRangeException);
    EXPECT_THROW(driver->GetBaseStation(-1), EArgumentOutOfRangeException);
    driver->BaseStationsClear();
    EXPECT_EQ(driver->BaseStationCount(), 0);
}

TEST(BaseStation, AverageCountsZerosAndStampsTheLastNonZeroValue) {
    qel::FakeClock clock(EncodeDateTime(2026, 3, 14, 10, 0, 0, 0));
    qel::ScopedClock scopedClock(clock);
    TBaseStation station;
    EXPECT_EQ(station.AvgDBValue(), 0);
    station.setDBValue(0);
    clock.Advance(100);
    const TDateTime timeOfTen = Now();
    station.setDBValue(10);
    clock.Advance(100);
    station.setDBValue(0);
    EXPECT_EQ(station.FilterCount(), 3);
    EXPECT_EQ(station.AvgDBValue(), 3);
    EXPECT_EQ(station.DBValue(), 0);
    EXPECT_EQ(station.LastDBValueReceived(), timeOfTen);
}

TEST(BaseStation, NormValueRestartsTheAverageWhichRoundsHalfToEven) {
    struct Case {
        uint8_t Norm;
        uint8_t Value;
        uint8_t Average;
    };
    for (const Case& c : {Case{50, 60, 55}, Case{2, 3, 2}, Case{3, 4, 4}, Case{255, 254, 254}}) {
        TBaseStation station;
        station.setDBValue(200);
        station.setNormValue(c.Norm);
        EXPECT_EQ(station.FilterCount(), 1);
        station.setDBValue(c.Value);
        EXPECT_EQ(station.AvgDBValue(), c.Average) << int(c.Norm) << " " << int(c.Value);
        EXPECT_EQ(station.NormValue(), c.Norm);
    }
}

}  // namespace
