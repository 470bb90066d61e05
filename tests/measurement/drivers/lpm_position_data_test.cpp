#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QThread>
#include <QUdpSocket>
#include <QtEndian>
#include <memory>
#include <random>

#include "fakes/fake_lpm_server.h"
#include "foundation/settings/field_settings.h"
#include "foundation/settings/server_config.h"
#include "foundation/system/relative_paths.h"
#include "measurement/drivers/lpm_file_logger.h"
#include "measurement/drivers/lpm_system.h"
#include "platform/date_time.h"
#include "platform/exception.h"
#include "platform/queued_call.h"
#include "support/temp_folder.h"

namespace {

using qel::test::FakeLpmServer;

constexpr int kPatienceMs = 8000;
const QHostAddress kOtherSender(QStringLiteral("127.0.0.1"));
const QHostAddress kLpmServer(QStringLiteral("127.0.0.2"));

quint16 FreePort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// One LPM record, written field by field at the offsets of the record table.
struct Rec {
    uint32_t Stamp = 50;  // 0.1 ms
    uint16_t Antenna = 7;
    uint8_t State = 0;
    uint16_t Quality = 0;
    uint8_t Check = 0;
    uint16_t Data = 0;
    uint8_t Type = 0;
    int32_t X = 1000;
    int32_t Y = 2000;
    int32_t Z = 300;
    int16_t VX = 0;
    int16_t VY = 0;
    int16_t VZ = 0;
};

QByteArray Bytes(const Rec& r, int aSize = 56) {
    QByteArray b(aSize, '\x5A');  // bytes nobody reads are not 0
    auto* p = reinterpret_cast<uchar*>(b.data());
    qToLittleEndian<uint32_t>(r.Stamp, p + 0);
    qToLittleEndian<uint16_t>(static_cast<uint16_t>(r.Antenna | (r.State << 14)), p + 4);
    qToLittleEndian<uint16_t>(r.Quality, p + 6);
    p[8] = r.Check;
    qToLittleEndian<uint16_t>(r.Data, p + 9);
    p[11] = r.Type;
    qToLittleEndian<int32_t>(r.X, p + 12);
    qToLittleEndian<int32_t>(r.Y, p + 16);
    qToLittleEndian<int32_t>(r.Z, p + 20);
    if (aSize >= 30) {
        qToLittleEndian<int16_t>(r.VX, p + 24);
        qToLittleEndian<int16_t>(r.VY, p + 26);
        qToLittleEndian<int16_t>(r.VZ, p + 28);
    }
    return b;
}

Rec At(uint32_t aStamp, uint16_t anAntenna = 7) {
    Rec r;
    r.Stamp = aStamp;
    r.Antenna = anAntenna;
    return r;
}

class Receiver : public IqelMeasurementSystemCallback {
public:
    void log(TqelMeasurementSystem*, const QString& aText) override { Logs << aText; }
    void status(TqelMeasurementSystem*, int32_t, const QString&) override {}
    void error(TqelMeasurementSystem*, int32_t, const QString& aText) override { Errors << aText; }
    void stateChanged(TqelMeasurementSystem*, TqelStartupSequence) override {}
    void positionReceived(TqelMeasurementSystem*, const RqelPositionRec& aPosition) override {
        Positions.push_back(aPosition);
        if (OnPosition) {
            OnPosition(aPosition);
        }
        if (aPosition.AntennaID == ThrowFor) {
            throw EInvalidOp(QStringLiteral("no room"));
        }
    }
    void event(TqelMeasurementSystem*, uint8_t, int32_t) override {}
    TqelAntennaList* getAntennaList() override { return nullptr; }

    std::vector<RqelPositionRec> Positions;
    QStringList Logs;
    QStringList Errors;
    uint16_t ThrowFor = 0xFFFF;
    std::function<void(const RqelPositionRec&)> OnPosition;
};

class LpmPositionDataTest : public ::testing::Test {
protected:
    LpmPositionDataTest() {
        qel::SetExecutableFolderForTests(exeFolder.path());
        field.setFieldName(QStringLiteral("Pitch"));
        field.setSystemType(mstLPM);
        field.setLPMPort(FreePort());
        field.setUDPListenPort(0);
        config.setTransponderHeightinMM(1800);
        driver = std::make_unique<TqelLPMSystem>(config);
        driver->setCallBack(&owner);
    }
    ~LpmPositionDataTest() override {
        driver.reset();
        qel::SetExecutableFolderForTests(QString());
    }

    void Open(TlpmDataProtocol aProtocol = dtpMiddleDataFormat) {
        field.setLPMDataProtocol(aProtocol);
        driver->SetField(&field);
        driver->Initialize();
        port = driver->DataPort();
        ASSERT_NE(port, 0);
    }

    void Send(const QByteArray& aDatagram, const QHostAddress& aFrom = kOtherSender) {
        ASSERT_TRUE(fake.sendUdp(aDatagram, port, aFrom));
    }

    bool WaitForPositions(size_t aCount) {
        return qel::ProcessMessagesFor(kPatienceMs,
                                       [&] { return owner.Positions.size() >= aCount; });
    }

    const RqelPositionRec& Last() const { return owner.Positions.back(); }

    qel::test::TempFolder exeFolder;
    TqelServerConfig config;
    TqelFieldSettings field;
    FakeLpmServer fake;
    Receiver owner;
    std::unique_ptr<TqelLPMSystem> driver;
    quint16 port = 0;
};

// One 56-byte record written out in hex: time 123456.7 ms (1234567 tenths), antenna 0x0123 with
// state 0, quality 0x02C5 (11 base stations), heart-rate telemetry 512, X -1000, Y 2000, Z 300, VX
// 300, VY -400, VZ 0, then 26 bytes nobody reads.
TEST_F(LpmPositionDataTest, HandWrittenRecordDecodesEveryField) {
    config.setLPMTransponder3D(true);
    Open();
    const QByteArray record = QByteArray::fromHex(
                                  "87d61200"
                                  "2301"
                                  "c502"
                                  "00"
                                  "0002"
                                  "3c"
                                  "18fcffff"
                                  "d0070000"
                                  "2c010000"
                                  "2c01"
                                  "70fe"
                                  "0000") +
                              QByteArray(26, '\xEE');
    ASSERT_EQ(record.size(), 56);
    Send(record);
    ASSERT_TRUE(WaitForPositions(1));
    const RqelPositionRec& p = Last();
    EXPECT_EQ(driver->FirstMeasurementTimestampMS(), 123456);
    EXPECT_EQ(driver->MissedPackets(), 1);  // the first sample after a start jumps from 0
    EXPECT_EQ(p.AntennaID, 0x123);
    EXPECT_EQ(p.XinMM, -1000);
    EXPECT_EQ(p.YinMM, 2000);
    EXPECT_EQ(p.ZinMM, 300);
    EXPECT_EQ(p.VXinMMS, 300);
    EXPECT_EQ(p.VYinMMS, -400);
    EXPECT_EQ(p.VZinMMS, 0);
    EXPECT_EQ(p.SpeedInMMS, 500);
    EXPECT_EQ(p.Quality, 0x02C5);
    EXPECT_EQ(p.NumberBS, 11);
    EXPECT_TRUE(p.Valid);
    EXPECT_EQ(p.DataState, ldsOK);
    EXPECT_EQ(p.Telemetry.Value(), 0x3C020000u);
    EXPECT_EQ(p.Heartbeat, 120);
    EXPECT_EQ(p.BatteryState, 0xFFFF);
    EXPECT_EQ(p.BatteryPerc, 0);
    EXPECT_EQ(p.DistanceInMM, 0);
    EXPECT_EQ(p.AccelInMMss, 0);
    EXPECT_EQ(p.Accel.TimestampWord(), 0u);
}

struct EdgeCase {
    const char* Name;
    TlpmDataProtocol Protocol;
    bool Transponder3D;
    std::vector<QByteArray> Datagrams;
    size_t Positions;
    std::function<void(const Receiver&, TqelLPMSystem&)> Check;
};

QByteArray Cat(std::initializer_list<QByteArray> aParts) {
    QByteArray all;
    for (const QByteArray& part : aParts) {
        all += part;
    }
    return all;
}

Rec WithTelemetry(uint8_t aType, uint16_t aData, uint8_t aCheck = 0) {
    Rec r;
    r.Type = aType;
    r.Data = aData;
    r.Check = aCheck;
    return r;
}

uint8_t CheckByte(const Rec& r) {
    RqelTelemetry t;
    t.setData(r.Data);
    t.setType_(r.Type);
    return qel::TelemetryCheckValue(t);
}

std::vector<EdgeCase> EdgeCases() {
    Rec battery = WithTelemetry(25 << 2 | 1, 4000);
    Rec goodBattery = battery;
    goodBattery.Check = CheckByte(battery);
    Rec badBattery = battery;
    badBattery.Check = CheckByte(battery) ^ 0x01;
    Rec accel = WithTelemetry(31 << 2, 0x0305, 0xFE);
    accel.Stamp = 12345678;
    Rec accelLow = accel;
    accelLow.Type = 31 << 2 | 1;
    accelLow.Stamp = 12345878;
    Rec noTransponder = At(50, 3);
    noTransponder.State = 2;
    Rec zero = At(150, 4);
    zero.X = zero.Y = 0;
    Rec second = At(150, 2);
    second.X = -77;
    second.VX = 300;
    second.VY = 400;
    const QByteArray split = Bytes(second);
    Rec high = At(50);
    high.Z = 4321;

    return {
        {"three records in one datagram",
         dtpMiddleDataFormat,
         false,
         {Cat({Bytes(At(50, 1)), Bytes(At(150, 2)), Bytes(At(250, 3))})},
         3,
         [](const Receiver& o, TqelLPMSystem& d) {
             EXPECT_EQ(o.Positions[0].AntennaID, 1);
             EXPECT_EQ(o.Positions[2].AntennaID, 3);
             EXPECT_EQ(o.Positions[2].TimeStampInMS - o.Positions[0].TimeStampInMS, 20);
             EXPECT_EQ(d.PacketLengthDifferent(), 0);
             EXPECT_EQ(d.NotWholePackedReaded(), 0);
             EXPECT_EQ(d.MissedPackets(), 0);
             EXPECT_EQ(d.ReceivingError(), 0);
         }},
        {"304 bytes with record size 56",
         dtpMiddleDataFormat,
         false,
         {Bytes(second, 304)},
         1,
         [](const Receiver& o, TqelLPMSystem& d) {
             EXPECT_EQ(o.Positions[0].XinMM, -77);
             EXPECT_EQ(d.PacketLengthDifferent(), 1);
             EXPECT_EQ(d.NotWholePackedReaded(), 0);
         }},
        {"100 bytes leave 44 that join the next datagram",
         dtpMiddleDataFormat,
         false,
         {Bytes(At(50, 1)) + split.left(44), split.mid(44)},
         2,
         [](const Receiver& o, TqelLPMSystem& d) {
             EXPECT_EQ(o.Positions[1].AntennaID, 2);
             EXPECT_EQ(o.Positions[1].XinMM, -77);
             EXPECT_EQ(o.Positions[1].SpeedInMMS, 500);
             EXPECT_EQ(d.PacketLengthDifferent(), 2);
             EXPECT_EQ(d.NotWholePackedReaded(), 1);
         }},
        {"time stamp in 0.1 ms",
         dtpMiddleDataFormat,
         false,
         {Bytes(accel), Bytes(accelLow)},
         2,
         [](const Receiver& o, TqelLPMSystem& d) {
             EXPECT_EQ(d.FirstMeasurementTimestampMS(), 1234567);
             EXPECT_EQ(o.Positions[0].Accel.TimestampInMS(), 1234567);
             EXPECT_EQ(o.Positions[1].TimeStampInMS - o.Positions[0].TimeStampInMS, 20);
         }},
        {"samples 11 ms apart miss a packet",
         dtpMiddleDataFormat,
         false,
         {Cat({Bytes(At(50)), Bytes(At(160))})},
         2,
         [](const Receiver&, TqelLPMSystem& d) { EXPECT_EQ(d.MissedPackets(), 1); }},
        {"samples 10 ms apart miss none",
         dtpMiddleDataFormat,
         false,
         {Cat({Bytes(At(50)), Bytes(At(150)), Bytes(At(250))})},
         3,
         [](const Receiver&, TqelLPMSystem& d) { EXPECT_EQ(d.MissedPackets(), 0); }},
        {"the LPM clock going back more than 100 ms",
         dtpMiddleDataFormat,
         false,
         {Cat({Bytes(At(50)), Bytes(At(5050)), Bytes(At(50)), Bytes(At(150))})},
         4,
         [](const Receiver&, TqelLPMSystem& d) {
             // Only the step forward from 5 to 505 ms is a gap.
             EXPECT_EQ(d.MissedPackets(), 1);
         }},
        {"invalid states",
         dtpMiddleDataFormat,
         false,
         {Cat({Bytes(noTransponder), Bytes(zero)})},
         2,
         [](const Receiver& o, TqelLPMSystem&) {
             EXPECT_FALSE(o.Positions[0].Valid);
             EXPECT_EQ(o.Positions[0].DataState, ldsNoTransponder);
             EXPECT_FALSE(o.Positions[1].Valid);
             EXPECT_EQ(o.Positions[1].DataState, ldsAllZeroCoords);
         }},
        {"heart rate",
         dtpMiddleDataFormat,
         false,
         {Cat({Bytes(WithTelemetry(15 << 2, 512)), Bytes(WithTelemetry(15 << 2, 0)),
               Bytes(WithTelemetry(14 << 2, 0x4D00))})},
         3,
         [](const Receiver& o, TqelLPMSystem&) {
             EXPECT_EQ(o.Positions[0].Heartbeat, 120);
             EXPECT_EQ(o.Positions[1].Heartbeat, 0);
             EXPECT_EQ(o.Positions[2].Heartbeat, 0x4D);
         }},
        {"battery and its check byte",
         dtpMiddleDataFormat,
         false,
         {Cat({Bytes(goodBattery), Bytes(badBattery)})},
         2,
         [](const Receiver& o, TqelLPMSystem&) {
             EXPECT_EQ(o.Positions[0].BatteryState, 1);
             EXPECT_EQ(o.Positions[0].BatteryPerc, 91);
             EXPECT_EQ(o.Positions[1].BatteryState, 0xFFFF);
             EXPECT_EQ(o.Positions[1].BatteryPerc, 0);
         }},
        {"accelerometer axes and range",
         dtpMiddleDataFormat,
         false,
         {Cat({Bytes(accel), Bytes(accelLow)})},
         2,
         [](const Receiver& o, TqelLPMSystem&) {
             const RqelAccelerometerSample& a = o.Positions[0].Accel;
             EXPECT_EQ(a.XAcceleration(), 3);
             EXPECT_EQ(a.YAcceleration(), 5);
             EXPECT_EQ(a.ZAcceleration(), -2);
             EXPECT_TRUE(a.HighRange());
             EXPECT_FALSE(o.Positions[1].Accel.HighRange());
             EXPECT_EQ(o.Positions[1].Accel.TimestampInMS(), 1234587);
         }},
        {"Z from the record",
         dtpMiddleDataFormat,
         true,
         {Bytes(high)},
         1,
         [](const Receiver& o, TqelLPMSystem&) { EXPECT_EQ(o.Positions[0].ZinMM, 4321); }},
        {"Z from the transponder height",
         dtpMiddleDataFormat,
         false,
         {Bytes(high)},
         1,
         [](const Receiver& o, TqelLPMSystem&) { EXPECT_EQ(o.Positions[0].ZinMM, 1800); }},
        {"24-byte records have no velocity",
         dtpShortDataformat,
         true,
         {Cat({Bytes(second, 24), Bytes(high, 24)})},
         2,
         [](const Receiver& o, TqelLPMSystem& d) {
             EXPECT_EQ(o.Positions[0].XinMM, -77);
             EXPECT_EQ(o.Positions[0].VXinMMS, 0);
             EXPECT_EQ(o.Positions[0].SpeedInMMS, 0);
             EXPECT_EQ(o.Positions[1].ZinMM, 4321);
             EXPECT_EQ(d.PacketLengthDifferent(), 0);
         }},
    };
}

TEST_F(LpmPositionDataTest, EdgeCasesOfTheRecordStream) {
    for (const EdgeCase& c : EdgeCases()) {
        SCOPED_TRACE(c.Name);
        owner.Positions.clear();
        driver = std::make_unique<TqelLPMSystem>(config);
        driver->setCallBack(&owner);
        config.setLPMTransponder3D(c.Transponder3D);
        Open(c.Protocol);
        for (const QByteArray& datagram : c.Datagrams) {
            Send(datagram);
        }
        ASSERT_TRUE(WaitForPositions(c.Positions));
        ASSERT_EQ(owner.Positions.size(), c.Positions);
        c.Check(owner, *driver);
    }
}

TEST_F(LpmPositionDataTest, RemainderIsDroppedWhenAnotherSenderSpeaks) {
    Open();
    Rec other = At(150, 9);
    other.X = 555;
    Send(Bytes(At(50, 1)) + Bytes(At(100, 2)).left(44));
    ASSERT_TRUE(WaitForPositions(1));
    Send(Bytes(other), kLpmServer);
    ASSERT_TRUE(WaitForPositions(2));
    EXPECT_EQ(Last().AntennaID, 9);
    EXPECT_EQ(Last().XinMM, 555);
    // Left over once, dropped once.
    EXPECT_EQ(driver->NotWholePackedReaded(), 2);
}

TEST_F(LpmPositionDataTest, ManyUnevenDatagramsKeepTheBufferAtItsSize) {
    Open();
    const int64_t startSize = driver->LPMBufferSize();
    // 100-byte datagrams cut through the 56-byte records of one continuous stream.
    QByteArray stream;
    for (int i = 0; i < 17900; ++i) {
        stream += Bytes(At(50 + 100 * static_cast<uint32_t>(i), static_cast<uint16_t>(i % 100)));
    }
    constexpr int kDatagrams = 10000;
    constexpr int kBatch = 50;
    for (int i = 0; i < kDatagrams; i += kBatch) {
        for (int j = i; j < i + kBatch; ++j) {
            Send(stream.mid(j * 100, 100));
        }
        ASSERT_TRUE(WaitForPositions(static_cast<size_t>((i + kBatch) * 100 / 56)));
    }
    EXPECT_EQ(owner.Positions.size(), static_cast<size_t>(kDatagrams * 100 / 56));
    EXPECT_EQ(driver->LPMBufferSize(), startSize);
    EXPECT_EQ(owner.Positions.back().AntennaID, (kDatagrams * 100 / 56 - 1) % 100);
    EXPECT_EQ(driver->MissedPackets(), 0);
}

TEST_F(LpmPositionDataTest, RandomDatagramsOfEverySizeAreTakenApartSafely) {
    std::mt19937 random(35);
    Rec sentinel = At(50, 0x3FFF);
    sentinel.X = 0x7EADBEEF;
    // Datagrams from 127.0.0.2 are the LPM server's: they reach the raw file and base-station
    // paths too. Its hand-shake port is closed.
    field.setIPAbatecServer(kLpmServer.toString());
    for (TlpmDataProtocol protocol : {dtpShortDataformat, dtpMiddleDataFormat, dtpLongDataFormat,
                                      dtpDebugDataFormat, dtpDisabled}) {
        SCOPED_TRACE(static_cast<int>(protocol));
        owner.Positions.clear();
        driver = std::make_unique<TqelLPMSystem>(config);
        driver->setCallBack(&owner);
        driver->setStartupTCPPort(QString::number(FreePort()));
        Open(protocol);
        for (int i = 0; i < 200; ++i) {
            QByteArray datagram(static_cast<int>(random() % 1000), '\0');
            for (char& byte : datagram) {
                byte = static_cast<char>(random());
            }
            Send(datagram, i % 7 == 0 ? kLpmServer : kOtherSender);
            if (i % 20 == 19) {
                // Paced, so that the socket's receive buffer never overflows.
                qel::ProcessMessagesFor(5);
            }
        }
        // From the other address: whatever waits is dropped, so the sentinel comes out whole.
        const int size = protocol == dtpDisabled ? 56 : field.LPMDataSize();
        Send(Bytes(sentinel, size), kLpmServer);
        if (protocol == dtpDisabled) {
            qel::ProcessMessagesFor(200);
            EXPECT_TRUE(owner.Positions.empty());
            continue;
        }
        ASSERT_TRUE(qel::ProcessMessagesFor(
            kPatienceMs, [&] { return !owner.Positions.empty() && Last().XinMM == 0x7EADBEEF; }));
        EXPECT_LE(driver->LPMBufferSize(), qel::LPMReassemblyBuffer::kInitialSize);
    }
}

TEST_F(LpmPositionDataTest, CallbackFailureIsCountedAndLogged) {
    Open();
    owner.ThrowFor = 5;
    // Two records in one datagram: the second still arrives after the first failed.
    Send(Bytes(At(50, 5)) + Bytes(At(150, 6)));
    ASSERT_TRUE(WaitForPositions(2));
    // A datagram of exactly one record that fails drops nothing else.
    Send(Bytes(At(250, 5)));
    ASSERT_TRUE(WaitForPositions(3));
    EXPECT_EQ(driver->ReceivingError(), 2);
    ASSERT_TRUE(qel::ProcessMessagesFor(kPatienceMs, [&] {
        return owner.Logs.filter(QStringLiteral("Problem in processLPMRecord")).size() == 2;
    }));
    EXPECT_TRUE(owner.Logs.contains(
        QStringLiteral("Pitch- Problem in processLPMRecord: (EInvalidOp - no room)")))
        << owner.Logs.join(u'\n').toStdString();
    Send(Bytes(At(350, 6)));
    ASSERT_TRUE(WaitForPositions(4));
}

TEST_F(LpmPositionDataTest, CallbackThatLetsMessagesRunKeepsTheRecordOrder) {
    Open();
    owner.OnPosition = [&](const RqelPositionRec& aPosition) {
        if (aPosition.AntennaID == 1) {
            // Read at once, as a callback that lets messages run or polls the driver would.
            Send(Bytes(At(250, 3)));
            QThread::msleep(20);
            driver->LPMDataAvailable();
            qel::ProcessMessagesFor(20);
        }
    };
    Send(Bytes(At(50, 1)) + Bytes(At(150, 2)));
    ASSERT_TRUE(WaitForPositions(3));
    EXPECT_EQ(owner.Positions[0].AntennaID, 1);
    EXPECT_EQ(owner.Positions[1].AntennaID, 2);
    EXPECT_EQ(owner.Positions[2].AntennaID, 3);
}

TEST_F(LpmPositionDataTest, DisabledProtocolDropsDatagrams) {
    Open(dtpDisabled);
    Send(Bytes(At(50)));
    qel::ProcessMessagesFor(200);
    EXPECT_TRUE(owner.Positions.empty());
    EXPECT_EQ(driver->PacketLengthDifferent(), 0);
    // Still read: a change of protocol takes the next datagrams.
    field.setLPMDataProtocol(dtpMiddleDataFormat);
    driver->Initialize();
    port = driver->DataPort();
    Send(Bytes(At(50)));
    ASSERT_TRUE(WaitForPositions(1));
}

TEST_F(LpmPositionDataTest, StartupAfterMidnightKeepsTimesRising) {
    qel::FakeClock clock(EncodeDateTime(2026, 12, 11, 23, 59, 59, 0));
    qel::ScopedClock scoped(clock);
    Open();
    Send(Bytes(At(10000)));
    ASSERT_TRUE(WaitForPositions(1));
    const int32_t beforeMidnight = Last().TimeStampInMS;
    EXPECT_EQ(beforeMidnight, 86399000);

    clock.Set(EncodeDateTime(2026, 12, 12, 0, 0, 2, 0));
    driver->Startup(false);
    Send(Bytes(At(50)));
    ASSERT_TRUE(WaitForPositions(2));
    EXPECT_EQ(Last().TimeStampInMS, 86400000 + 2000);

    // Two days later still on the driver's first day's count.
    clock.Set(EncodeDateTime(2026, 12, 14, 0, 0, 0, 0));
    driver->Startup(false);
    Send(Bytes(At(50)));
    ASSERT_TRUE(WaitForPositions(3));
    EXPECT_EQ(Last().TimeStampInMS, 3 * 86400000);
}

TEST_F(LpmPositionDataTest, FailedBindIsReportedWithPortAndReason) {
    QUdpSocket holder;
    ASSERT_TRUE(
        holder.bind(QHostAddress(QHostAddress::AnyIPv4), 0, QAbstractSocket::DontShareAddress));
    field.setUDPListenPort(holder.localPort());
    driver->SetField(&field);
    driver->Initialize();
    EXPECT_EQ(driver->DataPort(), 0);
    ASSERT_TRUE(qel::ProcessMessagesFor(kPatienceMs, [&] { return !owner.Errors.isEmpty(); }));
    EXPECT_TRUE(owner.Errors.first().contains(QString::number(holder.localPort())));
    EXPECT_TRUE(owner.Errors.first().contains(QStringLiteral("in use"), Qt::CaseInsensitive))
        << owner.Errors.first().toStdString();
    // A retry with the same failure is not reported again.
    driver->Startup(false);
    qel::ProcessMessagesFor(100);
    EXPECT_EQ(owner.Errors.size(), 1);
}

// --- The raw data file ---

class LpmFileLoggerTest : public ::testing::Test {
protected:
    LpmFileLoggerTest() : scoped(clock) {
        qel::SetExecutableFolderForTests(exeFolder.path());
        config.setLPMSavePath(folder.file(QStringLiteral("lpm")));
    }
    ~LpmFileLoggerTest() override { qel::SetExecutableFolderForTests(QString()); }

    static QByteArray Read(const QString& aFile) {
        QFile file(aFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    qel::FakeClock clock{EncodeDateTime(2026, 12, 11, 7, 5, 9, 0)};
    qel::ScopedClock scoped;
    qel::test::TempFolder folder;
    qel::test::TempFolder exeFolder;
    TqelServerConfig config;
};

TEST_F(LpmFileLoggerTest, NameHeaderAndRecords) {
    TqelLPMFileLogger logger(config);
    ASSERT_TRUE(logger.StartLogging(56, QStringLiteral("Main: Pitch/1")));
    const QString expected =
        folder.file(QStringLiteral("lpm/20261211 070509 Main Pitch1 Recording.lpm"));
    EXPECT_EQ(logger.LPMFilename(), expected);
    EXPECT_TRUE(logger.RecordLPMFile());
    const QByteArray record = Bytes(At(50));
    logger.WriteLPMData(reinterpret_cast<const uint8_t*>(record.constData()), record.size());
    logger.StopLogging();
    EXPECT_FALSE(logger.RecordLPMFile());
    EXPECT_EQ(Read(expected), QByteArray::fromHex("4c504d464c"
                                                  "01000000"
                                                  "38000000") +
                                  record);
    logger.StopLogging();  // nothing open: nothing happens
}

TEST_F(LpmFileLoggerTest, RestartReplacesTheFileAndLargeWritesKeepOrder) {
    TqelLPMFileLogger logger(config);
    ASSERT_TRUE(logger.StartLogging(304, QStringLiteral("P")));
    const QByteArray junk(100, 'x');
    logger.WriteLPMData(reinterpret_cast<const uint8_t*>(junk.constData()), junk.size());
    // Same second, same name: the new file replaces the old one.
    ASSERT_TRUE(logger.StartLogging(304, QStringLiteral("P")));
    QByteArray body;
    for (int i = 0; i < 300; ++i) {
        body += Bytes(At(50 + 100 * static_cast<uint32_t>(i)), 304);
    }
    logger.WriteLPMData(reinterpret_cast<const uint8_t*>(body.constData()), 100);
    logger.WriteLPMData(reinterpret_cast<const uint8_t*>(body.constData()) + 100,
                        body.size() - 100);
    logger.StopLogging();
    EXPECT_EQ(Read(logger.LPMFilename()), QByteArray::fromHex("4c504d464c"
                                                              "01000000"
                                                              "30010000") +
                                              body);
}

TEST_F(LpmFileLoggerTest, SavePathThatCannotBeCreatedFallsBackToTheExecutableFolder) {
    QFile blocker(folder.file(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    config.setLPMSavePath(folder.file(QStringLiteral("file/sub")));
    TqelLPMFileLogger logger(config);
    ASSERT_TRUE(logger.StartLogging(56, QStringLiteral("P")));
    EXPECT_EQ(QFileInfo(logger.LPMFilename()).absolutePath(),
              QFileInfo(exeFolder.path()).absoluteFilePath());
}

// The whole way: the LPM server on 127.0.0.2 brings the driver to running, which opens the file;
// positions from both addresses are decoded, only the server's records are written.
TEST_F(LpmPositionDataTest, RawFileTakesOnlyTheLpmServersRecords) {
    qel::FakeClock clock(EncodeDateTime(2026, 12, 11, 7, 5, 9, 0));
    qel::ScopedClock scoped(clock);
    qel::test::TempFolder settings;
    qel::test::TempFolder saves;
    for (const char* name : {"parameter.ini", "system.ini", "transponder.ini"}) {
        QFile file(settings.file(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[A]\r\nB=1\r\n");
    }
    config.setEnableRemoteControl(true);
    config.setLPMSavePath(saves.path());
    field.setAbatecSettingsDirectory(settings.path());
    field.setIPAbatecServer(QStringLiteral("127.0.0.2"));
    field.setIPControlePC(QStringLiteral("127.0.0.1"));
    field.setIPDataReceiver(QStringLiteral("127.0.0.1"));
    fake.setControlPort(static_cast<quint16>(field.LPMPort()));
    driver->setStartupTCPPort(QString::number(fake.listenHandshakes(kLpmServer)));
    driver->setHandshakeDelay(10);
    driver->setMessagePause(10);
    Open();
    ASSERT_TRUE(qel::ProcessMessagesFor(
        kPatienceMs, [&] { return driver->GetStartUpSequenceInternal() == startRunning; }));
    ASSERT_TRUE(driver->LPMDataLogger().RecordLPMFile());
    EXPECT_EQ(driver->LPMDataLogger().LPMFilename(),
              saves.path() + QStringLiteral("/20261211 070509 Pitch Recording.lpm"));

    const QByteArray server = Bytes(At(50, 1)) + Bytes(At(150, 2));
    Send(server, kLpmServer);
    ASSERT_TRUE(WaitForPositions(2));
    Send(Bytes(At(250, 3)), kOtherSender);
    ASSERT_TRUE(WaitForPositions(3));
    // Longer than a record: decoded with its own length, written at the file's record size.
    const QByteArray longRecord = Bytes(At(350, 4), 304);
    Send(longRecord, kLpmServer);
    ASSERT_TRUE(WaitForPositions(4));
    driver->StopMeasurement();
    EXPECT_FALSE(driver->LPMDataLogger().RecordLPMFile());

    QFile file(driver->LPMDataLogger().LPMFilename());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray::fromHex("4c504d464c"
                                                  "01000000"
                                                  "38000000") +
                                  server + longRecord.left(56));
}

}  // namespace

namespace {

// Records the signal levels the driver passes on.
class SignalLevels : public TqelLPMSystem {
public:
    using TqelLPMSystem::TqelLPMSystem;
    void BaseStationDBValue(uint8_t aPortIndex, uint8_t aDBValue) override {
        Values.emplace_back(aPortIndex, aDBValue);
    }
    std::vector<std::pair<uint8_t, uint8_t>> Values;
};

TEST_F(LpmPositionDataTest, BaseStationBlockOfTheServersInvalidLongRecords) {
    field.setIPAbatecServer(kLpmServer.toString());
    auto* levels = new SignalLevels(config);
    driver.reset(levels);
    driver->setCallBack(&owner);
    driver->setStartupTCPPort(QString::number(FreePort()));
    Open(dtpLongDataFormat);

    Rec noReference = At(50);
    noReference.State = 1;
    QByteArray record = Bytes(noReference, 304);
    for (int i = 0; i < 20; ++i) {
        record[64 + 12 * i] = static_cast<char>(0x80 + i);    // port index
        record[64 + 12 * i + 3] = static_cast<char>(40 + i);  // dB
    }
    Send(record, kOtherSender);             // not the LPM server's
    Send(Bytes(At(150), 304), kLpmServer);  // a valid position carries no levels
    Send(record, kLpmServer);
    ASSERT_TRUE(WaitForPositions(3));
    ASSERT_EQ(levels->Values.size(), 20u);
    EXPECT_EQ(levels->Values.front(), std::make_pair(uint8_t{0x80}, uint8_t{40}));
    EXPECT_EQ(levels->Values.back(), std::make_pair(uint8_t{0x93}, uint8_t{59}));
}

}  // namespace
