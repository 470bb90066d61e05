#include <gtest/gtest.h>

#include <QFile>
#include <QTcpServer>
#include <QtEndian>
#include <memory>

#include "fakes/fake_lpm_server.h"
#include "foundation/settings/field_settings.h"
#include "foundation/settings/server_config.h"
#include "foundation/system/relative_paths.h"
#include "measurement/control/measurement_control.h"
#include "measurement/drivers/lpm_system.h"
#include "measurement_control_fakes.h"
#include "platform/queued_call.h"
#include "support/temp_folder.h"

namespace {

using qel::test::FakeControlOwner;
using qel::test::FakeLpmServer;
using qel::test::FakeMeasurementSystem;

constexpr int kPatienceMs = 8000;

using qel::test::FreeLocalPort;
using qel::test::LpmPositionRecord;

// A base pitch with a stand-in driver and, 0.001 degrees north of it and turned by 90 degrees,
// a roaming pitch measured by the real LPM driver against the fake LPM server.
class MeasurementControlLpmTest : public ::testing::Test {
protected:
    MeasurementControlLpmTest() {
        for (const char* name :
             {"parameter.ini", "system.ini", "system_wlan.ini", "transponder.ini"}) {
            QFile file(settings.file(QString::fromLatin1(name)));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("[Section]\r\n");
        }
        qel::SetExecutableFolderForTests(exeFolder.path());
        config.setEnableRemoteControl(true);

        base.setFieldID(1);
        base.setFieldName(QStringLiteral("Base"));
        SetGPS(base, {0, 1}, {0, 0.999}, {0, 1.001});
        roaming.setFieldID(2);
        roaming.setFieldName(QStringLiteral("North"));
        roaming.setSystemType(mstLPM);
        SetGPS(roaming, {0.001, 1}, {0, 1}, {0.002, 1});
        roaming.setAbatecSettingsDirectory(settings.path());
        roaming.setIPAbatecServer(QStringLiteral("127.0.0.1"));
        roaming.setIPControlePC(QStringLiteral("127.0.0.1"));
        roaming.setIPDataReceiver(QStringLiteral("127.0.0.1"));
        const quint16 controlPort = FreeLocalPort();
        roaming.setLPMPort(controlPort);
        roaming.setUDPListenPort(0);
        fake.setControlPort(controlPort);
        control.setCallback(&owner);
    }
    ~MeasurementControlLpmTest() override {
        control.Clear();
        qel::SetExecutableFolderForTests(QString());
    }

    struct GPS {
        double Lat;
        double Lon;
    };
    static void SetGPS(TqelFieldSettings& aField, GPS aZero, GPS aNegX, GPS aPosX) {
        aField.setGPSZeroPointLat(aZero.Lat);
        aField.setGPSZeroPointLon(aZero.Lon);
        aField.setGPSPointNegXLat(aNegX.Lat);
        aField.setGPSPointNegXLon(aNegX.Lon);
        aField.setGPSPointPosXLat(aPosX.Lat);
        aField.setGPSPointPosXLon(aPosX.Lon);
    }

    std::unique_ptr<TqelMeasurementSystem> MakeDriver(const TqelFieldSettings& aField,
                                                      bool aRoaming) {
        if (aField.SystemType() != mstLPM || !aRoaming) {
            auto stand = std::make_unique<FakeMeasurementSystem>();
            stand->State = startRunning;
            return stand;
        }
        auto driver = std::make_unique<TqelLPMSystem>(config);
        driver->setRoaming(aRoaming);
        driver->setStartupTCPPort(QString::number(fake.listenHandshakes()));
        driver->setHandshakeDelay(10);
        driver->setMessagePause(10);
        return driver;
    }

    qel::test::TempFolder settings;
    qel::test::TempFolder exeFolder;
    TqelServerConfig config;
    TqelFieldSettings base;
    TqelFieldSettings roaming;
    FakeLpmServer fake;
    FakeControlOwner owner;
    TqelMeasurementControl control{nullptr, [this](const TqelFieldSettings& aField, bool aRoaming) {
                                       return MakeDriver(aField, aRoaming);
                                   }};
};

TEST_F(MeasurementControlLpmTest, RoamingLpmSystemRunsAndItsRecordsReachTheOwnerTransposed) {
    control.MeasurementSystemAdd(&base);
    control.MeasurementSystemAdd(&roaming);
    ASSERT_EQ(control.Count(), 2);
    auto* lpm = dynamic_cast<TqelLPMSystem*>(control.GetMeasurementSystem(1));
    ASSERT_NE(lpm, nullptr);

    control.Startup();
    // The driver's report arrives queued, after its state changed.
    ASSERT_TRUE(qel::ProcessMessagesFor(kPatienceMs, [&] {
        return !owner.States.empty() && owner.States.back() == std::make_pair(1, startRunning);
    }));
    EXPECT_EQ(control.GetStartUpSequence(), startRunning);
    // The roaming driver leaves the prepared transponder file to the control.
    EXPECT_FALSE(QFile::exists(exeFolder.file(QStringLiteral("Prepared_Transponder.ini"))));

    ASSERT_NE(lpm->DataPort(), 0);
    ASSERT_TRUE(fake.sendUdp(LpmPositionRecord(), lpm->DataPort()));
    ASSERT_TRUE(qel::ProcessMessagesFor(kPatienceMs, [&] { return !owner.Positions.empty(); }));
    const RqelPositionRec& position = owner.Positions.front();
    EXPECT_EQ(position.AntennaID, 7);
    // Turned by 90 degrees, then moved north by the pitches' distance.
    EXPECT_EQ(position.XinMM, -2000);
    EXPECT_EQ(position.YinMM, 112195);
    EXPECT_TRUE(position.Valid);
}

}  // namespace
