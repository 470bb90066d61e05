#include "foundation/settings/field_settings.h"

#include <gtest/gtest.h>

#include <QFile>
#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <thread>
#include <type_traits>

#include "foundation/settings/server_config.h"
#include "foundation/system/relative_paths.h"
#include "platform/ini_file.h"
#include "support/temp_folder.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Latitude and longitude cannot change places, nor come from a bare double.
static_assert(!std::is_convertible_v<double, qel::Latitude>);
static_assert(!std::is_convertible_v<qel::Longitude, qel::Latitude>);
static_assert(!std::is_invocable_v<decltype(&TqelFieldSettings::GPStoMetric),
                                   const TqelFieldSettings&, qel::Longitude, qel::Latitude>);

const QString kSection = QStringLiteral("Field 1");

RqelPositionRec PosMM(int32_t aX, int32_t aY, bool aValid = true) {
    RqelPositionRec result;
    result.XinMM = aX;
    result.YinMM = aY;
    result.Valid = aValid;
    return result;
}

QList<int> Members(const qel::CameraIndexSet& aSet) {
    QList<int> result;
    for (int i = 0; i < qel::CameraIndexSet::Capacity; ++i) {
        if (aSet.contains(i)) {
            result.append(i);
        }
    }
    return result;
}

QList<int> BTSIds(const TqelFieldSettings& aField) {
    QList<int> result;
    for (int i = 0; i < aField.EnabledBTSIDCount(); ++i) {
        result.append(aField.EnabledBTSID(i));
    }
    return result;
}

class FieldSettingsTest : public ::testing::Test {
protected:
    FieldSettingsTest() { config.setDecimalSeparator(u'.'); }
    ~FieldSettingsTest() override { qel::SetExecutableFolderForTests(QString()); }

    // A pitch read from a section holding aKeys ("key=value" lines).
    void read(TqelFieldSettings& aField, const QByteArray& aKeys,
              const qel::FieldSectionDefaults& aDefaults = {}) {
        QFile file(iniName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Field 1]\r\n" + aKeys);
        file.close();
        aField.readFromIni(qel::IniFile(iniName), kSection, aDefaults, config);
    }

    qel::test::TempFolder folder;
    QString iniName = folder.file(QStringLiteral("server.ini"));
    TqelServerConfig config;
};

TEST_F(FieldSettingsTest, SectionIsWrittenKeyByKeyAndReadBack) {
    config.setDecimalSeparator(u',');
    qel::IniFile cameras(folder.file(QStringLiteral("none.ini")));
    config.LoadCameras(4, &cameras);

    TqelFieldSettings field;
    field.setFieldName(QStringLiteral("Main pitch"));
    field.setFieldID(12);
    field.setAbatecSettingsDirectory(QStringLiteral("C:\\LPM"));
    field.setSystemType(mstZXY);
    field.setIPAbatecServer(QStringLiteral("10.0.0.1"));
    field.setIPControlePC(QStringLiteral("10.0.0.2"));
    field.setIPDataReceiver(QStringLiteral("10.0.0.3"));
    field.setLPMPort(1200);
    field.setLPMPathLinux(QStringLiteral("/opt/lpm"));
    field.setNumberOfBaseStations(14);
    field.setPosiStageNetEnabled(true);
    field.setGameOnEnabled(true);
    field.setStoreLiveData(false);
    field.setSCGEnabled(true);
    field.setNokiaEnabled(false);
    field.setQualogyEnabled(true);
    field.setAMQPEnabled(true);
    field.setEPCHUB(QStringLiteral("Hub 1"));
    field.setEnabledPowerControls(QStringLiteral("Hub 1=1;Light's=0"));
    field.setFieldBoxXLeft(-52500);
    field.setFieldBoxYBottom(-34000);
    field.setFieldBoxXRight(52500);
    field.setFieldBoxYTop(34000);
    field.setMeasurementBoxXLeft(-60000);
    field.setMeasurementBoxYBottom(-40000);
    field.setMeasurementBoxXRight(60000);
    field.setMeasurementBoxYTop(40000);
    field.setGPSZeroPointLat(52.0907);
    field.setGPSZeroPointLon(5.1214);
    field.setGPSPointNegXLat(52.09);
    field.setGPSPointNegXLon(5.12);
    field.setGPSPointPosXLat(52.0914);
    field.setGPSPointPosXLon(-5.1228);
    field.setUDPListenPort(71);
    field.setLPMDataProtocol(dtpShortDataformat);
    field.setZXYServerIPAddress(QStringLiteral("10.19.0.9"));
    field.setZXYDataPort(7050);
    field.setZXYControlPort(1819);
    field.setZXYUsername(QStringLiteral("zxy"));
    field.setZXYPassword(QStringLiteral("pw"));
    field.setSTSPServerIPAddress(QStringLiteral("10.1.1.1"));
    field.setSTSPDataPort(40014);
    field.EnableCamera(3);
    field.EnableCamera(1);
    field.EnableCamera(200);  // beyond the camera count: not written
    field.EnableBTS(5);
    field.EnableBTS(2);

    qel::IniFile ini(iniName);
    ini.WriteString(kSection, QStringLiteral("WirelessSystem"), QStringLiteral("1"));
    field.writeToIni(ini, kSection, config);
    const QString expected =
        "[Field 1]\r\n"
        "WirelessSystem=1\r\n"
        "FieldName=Main pitch\r\n"
        "FieldID=12\r\n"
        "Abatec settings Directory=C:\\LPM\\\r\n"
        "SystemType=2\r\n"
        "IP Abatec server=10.0.0.1\r\n"
        "IP Control PC=10.0.0.2\r\n"
        "IP Data Receiver=10.0.0.3\r\n"
        "LPM Port=1200\r\n"
        "LPM Linux Path=/opt/lpm\r\n"
        "Number Of Basestations=14\r\n"
        "PosiStageEnabled=1\r\n"
        "GameOnEnabled=1\r\n"
        "StoreLiveData=0\r\n"
        "SCGEnabled=1\r\n"
        "NokiaEnabled=0\r\n"
        "QualogyEnabled=1\r\n"
        "AMQPEnabled=1\r\n"
        "EPC HUB=Hub 1\r\n"
        "Enabled powercontrols='Hub 1=1;Light''s=0'\r\n"
        "FieldBox X Left=-52500\r\n"
        "FieldBox Y Bottom=-34000\r\n"
        "FieldBox X Right=52500\r\n"
        "FieldBox Y Top=34000\r\n"
        "MeasurementBox X Left=-60000\r\n"
        "MeasurementBox Y Bottom=-40000\r\n"
        "MeasurementBox X Right=60000\r\n"
        "MeasurementBox Y Top=40000\r\n"
        "GPS Zero Point Lat=52,0907\r\n"
        "GPS Zero Point Lon=5,1214\r\n"
        "GPS Point Neg X Lat=52,09\r\n"
        "GPS Point Neg X Lon=5,12\r\n"
        "GPS Point Pos X Lat=52,0914\r\n"
        "GPS Point Pos X Lon=-5,1228\r\n"
        "UDP Listen Port=71\r\n"
        "LPM Data Protocol=1\r\n"
        "ZXY Server IP Address=10.19.0.9\r\n"
        "ZXY DataPort=7050\r\n"
        "ZXY ControlPort=1819\r\n"
        "ZXY Username=zxy\r\n"
        "ZXY Password=oh\r\n"
        "STSP Server IP Address=10.1.1.1\r\n"
        "STSP DataPort=40014\r\n"
        "Enabled cameras=1;3\r\n"
        "Enabled balltracking servers=5;2\r\n";
    EXPECT_EQ(ini.Text().toStdString(), expected.toStdString());

    // Read back (the written SystemType wins over the old key), everything compares equal but
    // the camera beyond the count.
    TqelFieldSettings reread;
    reread.readFromIni(ini, kSection, {}, config);
    field.setEnabledCameraIndexes({1, 3});
    EXPECT_FALSE(reread.Assign(field));
    EXPECT_EQ(reread.SystemType(), mstZXY);
    EXPECT_EQ(reread.ZXYPassword(), QStringLiteral("pw"));
    EXPECT_EQ(reread.GetPowerControlState(QStringLiteral("light's")), 0);
    EXPECT_EQ(BTSIds(reread), (QList<int>{5, 2}));
}

TEST_F(FieldSettingsTest, MissingKeysTakeTheirChainedDefaults) {
    qel::FieldSectionDefaults defaults;
    defaults.UDPListenPort = 75;
    defaults.LPMDataProtocol = 4;
    defaults.IPAbatecServer = QStringLiteral("10.0.0.5");
    defaults.IPControlePC = QStringLiteral("10.0.0.6");
    defaults.IPDataReceiver = QStringLiteral("10.0.0.7");
    defaults.StoreLiveData = true;
    defaults.GameOnEnabled = true;

    const struct {
        const char* name;
        QByteArray keys;
        int32_t lpmPort, zxyData, zxyControl, stspData;
        const char* zxyAddress;
        const char* stspAddress;
    } cases[] = {
        {"nothing", "", 1134, 75, 1134, 1134, "10.0.0.5", "10.0.0.5"},
        {"LPM values", "LPM Port=1300\r\nUDP Listen Port=80\r\nIP Abatec server=lpm\r\n", 1300, 80,
         1300, 1300, "lpm", "lpm"},
        {"own values",
         "LPM Port=1300\r\nZXY ControlPort=1818\r\nSTSP DataPort=40013\r\nZXY DataPort=7049\r\n"
         "ZXY Server IP Address=zxy\r\nSTSP Server IP Address=stsp\r\n",
         1300, 7049, 1818, 40013, "zxy", "stsp"},
    };
    for (const auto& c : cases) {
        TqelFieldSettings field;
        read(field, c.keys, defaults);
        EXPECT_EQ(field.LPMPort(), c.lpmPort) << c.name;
        EXPECT_EQ(field.ZXYDataPort(), c.zxyData) << c.name;
        EXPECT_EQ(field.ZXYControlPort(), c.zxyControl) << c.name;
        EXPECT_EQ(field.STSPDataPort(), c.stspData) << c.name;
        EXPECT_EQ(field.ZXYServerIPAddress(), QLatin1String(c.zxyAddress)) << c.name;
        EXPECT_EQ(field.STSPServerIPAddress(), QLatin1String(c.stspAddress)) << c.name;
    }

    TqelFieldSettings field;
    read(field, "");
    EXPECT_EQ(field.NumberOfBaseStations(), 12);
    EXPECT_EQ(field.UDPListenPort(), 70);
    EXPECT_EQ(field.LPMDataProtocol(), dtpMiddleDataFormat);
    EXPECT_EQ(field.SystemType(), mstLPM);
    read(field, "", defaults);
    EXPECT_EQ(field.IPControlePC(), QStringLiteral("10.0.0.6"));
    EXPECT_EQ(field.IPDataReceiver(), QStringLiteral("10.0.0.7"));
    EXPECT_EQ(field.LPMDataProtocol(), dtpDebugDataFormat);
    EXPECT_TRUE(field.StoreLiveData());
    EXPECT_TRUE(field.GameOnEnabled());
    EXPECT_EQ(field.EnabledPowerControls(), QStringLiteral("''"));

    // A pitch the program creates has other defaults than one read from the file.
    TqelFieldSettings created;
    EXPECT_EQ(created.LPMPort(), 1135);
    EXPECT_EQ(created.NumberOfBaseStations(), 0);
    EXPECT_EQ(created.ZXYServerIPAddress(), QStringLiteral("10.19.0.2"));
    EXPECT_EQ(created.LPMDataProtocol(), dtpLongDataFormat);
}

TEST_F(FieldSettingsTest, SystemType) {
    const struct {
        QByteArray keys;
        TqelSystemType expected;
    } cases[] = {
        {"", mstLPM},
        {"WirelessSystem=1\r\n", mstLPMWireless},
        {"WirelessSystem=1\r\nSystemType=3\r\n", mstSTSP},
        {"SystemType=-1\r\n", mstNone},
        {"SystemType=9\r\n", mstNone},
        {"SystemType=255\r\n", mstNone},
    };
    for (const auto& c : cases) {
        TqelFieldSettings field;
        read(field, c.keys);
        EXPECT_EQ(field.SystemType(), c.expected) << c.keys.constData();
    }
    TqelFieldSettings field;
    read(field, "SystemType=-1\r\n");
    qel::IniFile ini(iniName);
    field.writeToIni(ini, kSection, config);
    EXPECT_EQ(ini.ReadString(kSection, QStringLiteral("SystemType"), QString()),
              QStringLiteral("-1"));
}

TEST_F(FieldSettingsTest, ListTexts) {
    const struct {
        QByteArray keys;
        QList<int> cameras;
        QList<int> servers;
    } cases[] = {
        {"Enabled cameras=1;3;300\r\n", {1, 3, 44}, {}},
        {"Enabled cameras=x\r\n", {0}, {}},
        {"Enabled cameras=\r\n", {}, {}},
        {"Enabled cameras=-1 2;;\"7\"\r\n", {2, 7, 255}, {}},
        {"Enabled balltracking servers=2;2;0;5\r\n", {}, {2, 5}},
        {"Enabled balltracking servers=9 x 3\r\n", {}, {9, 3}},
    };
    for (const auto& c : cases) {
        TqelFieldSettings field;
        read(field, c.keys);
        EXPECT_EQ(Members(field.EnabledCameraIndexes()), c.cameras) << c.keys.constData();
        EXPECT_EQ(BTSIds(field), c.servers) << c.keys.constData();
        EXPECT_EQ(field.BallTrackingEnabled(), !c.servers.isEmpty());
    }

    // The server carried over from the old keys comes first.
    qel::FieldSectionDefaults defaults;
    defaults.CarriedOverBallTrackingServerID = 4;
    TqelFieldSettings field;
    read(field, "Enabled balltracking servers=2;4\r\n", defaults);
    EXPECT_EQ(BTSIds(field), (QList<int>{4, 2}));
    EXPECT_EQ(Members(field.EnabledBTSIDs()), (QList<int>{2, 4}));
    EXPECT_EQ(field.EnabledBTSID(2), 0);
    EXPECT_EQ(field.EnabledBTSID(-1), 0);

    // Three cameras configured, 1 and 5 enabled: only 1 is written.
    qel::IniFile none(folder.file(QStringLiteral("none.ini")));
    config.LoadCameras(3, &none);
    field.setEnabledCameraIndexes({1, 5});
    qel::IniFile ini(iniName);
    field.writeToIni(ini, kSection, config);
    EXPECT_EQ(ini.ReadString(kSection, QStringLiteral("Enabled cameras"), QString()),
              QStringLiteral("1"));
}

TEST_F(FieldSettingsTest, PowerControlList) {
    const struct {
        const char* text;
        const char* written;
    } cases[] = {
        {"''", "''"},
        {"", "''"},
        {"'A;B=0'", "'A=1;B=0'"},
        {"A;B=0", "'A=1;B=0'"},
        {"'It''s=0;x'", "'It''s=0;x=1'"},
        {"'Open=2", "'Open=2'"},
        {"'A;;B'", "'A=1;=1;B=1'"},
    };
    for (const auto& c : cases) {
        TqelFieldSettings field;
        field.setEnabledPowerControls(QLatin1String(c.text));
        EXPECT_EQ(field.EnabledPowerControls(), QLatin1String(c.written)) << c.text;
    }
    TqelFieldSettings field;
    read(field, "Enabled powercontrols='A;B=0;C=on'\r\n");
    EXPECT_EQ(field.GetPowerControlState(QStringLiteral("a")), 1);
    EXPECT_EQ(field.GetPowerControlState(QStringLiteral("B")), 0);
    EXPECT_EQ(field.GetPowerControlState(QStringLiteral("C")), -1);
    EXPECT_EQ(field.GetPowerControlState(QStringLiteral("D")), -1);
    field.SetPowerControlState(QStringLiteral("b"), 1);
    field.SetPowerControlState(QStringLiteral("D"), 0);
    EXPECT_EQ(field.EnabledPowerControls(), QStringLiteral("'A=1;b=1;C=on;D=0'"));
    field.ClearPowerControls();
    EXPECT_EQ(field.EnabledPowerControls(), QStringLiteral("''"));
    read(field, "");
    EXPECT_EQ(field.GetPowerControlState(QStringLiteral("A")), -1);
}

TEST_F(FieldSettingsTest, AssignReportsEveryComparedChange) {
    TqelFieldSettings original;
    read(original,
         "FieldName=Main\r\nEnabled cameras=1;2\r\nEnabled balltracking servers=3;4\r\n"
         "Enabled powercontrols='A=1'\r\nGPS Zero Point Lat=52.1\r\n");
    TqelFieldSettings copy;
    EXPECT_TRUE(copy.Assign(original));
    EXPECT_FALSE(copy.Assign(original));
    EXPECT_FALSE(copy.Assign(copy));
    EXPECT_EQ(BTSIds(copy), (QList<int>{3, 4}));

    // Not compared and not copied.
    copy.setTransposeRotation(1);
    copy.setTransposeXinMM(5);
    copy.setModified(true);
    copy.InitiateGPSOrientation();
    EXPECT_FALSE(copy.Assign(original));
    EXPECT_EQ(copy.TransposeXinMM(), 5);
    EXPECT_TRUE(copy.Modified());

    using Change = std::function<void(TqelFieldSettings&)>;
    const std::pair<const char*, Change> changes[] = {
        {"cameras", [](auto& f) { f.EnableCamera(9); }},
        {"directory", [](auto& f) { f.setAbatecSettingsDirectory("D:"); }},
        {"name", [](auto& f) { f.setFieldName("main"); }},
        {"id", [](auto& f) { f.setFieldID(3); }},
        {"power", [](auto& f) { f.SetPowerControlState("A", 0); }},
        {"field box", [](auto& f) { f.setFieldBoxYTop(1); }},
        {"system", [](auto& f) { f.setSystemType(mstNone); }},
        {"server order", [](auto& f) { f.ClearBTS(), f.EnableBTS(4), f.EnableBTS(3); }},
        {"output", [](auto& f) { f.setAMQPEnabled(true); }},
        {"address", [](auto& f) { f.setIPDataReceiver("x"); }},
        {"base stations", [](auto& f) { f.setNumberOfBaseStations(1); }},
        {"hub", [](auto& f) { f.setEPCHUB("h"); }},
        {"path", [](auto& f) { f.setLPMPathLinux("/"); }},
        {"lpm port", [](auto& f) { f.setLPMPort(1); }},
        {"measurement box", [](auto& f) { f.setMeasurementBoxXLeft(-1); }},
        {"gps", [](auto& f) { f.setGPSPointPosXLon(0.5); }},
        {"gps not a number", [](auto& f) { f.setGPSZeroPointLat(kNaN); }},
        {"udp port", [](auto& f) { f.setUDPListenPort(1); }},
        {"protocol", [](auto& f) { f.setLPMDataProtocol(dtpDisabled); }},
        {"zxy", [](auto& f) { f.setZXYPassword("secret"); }},
        {"zxy port", [](auto& f) { f.setZXYControlPort(1); }},
        {"stsp", [](auto& f) { f.setSTSPServerIPAddress("s"); }},
        {"stsp port", [](auto& f) { f.setSTSPDataPort(1); }},
    };
    for (const auto& [name, change] : changes) {
        TqelFieldSettings changed;
        changed.Assign(original);
        change(changed);
        TqelFieldSettings target;
        target.Assign(original);
        EXPECT_TRUE(target.Assign(changed)) << name;
        // Equal once copied, except that a value that is no number never equals itself.
        EXPECT_EQ(target.Assign(changed), std::isnan(changed.GPSZeroPointLat())) << name;
    }
}

TEST_F(FieldSettingsTest, GPSOrientation) {
    // The positive-X point seen from the negative-X point.
    const struct {
        const char* name;
        double latStep, lonStep, angle;
    } cases[] = {
        {"north", 0.001, 0, kPi / 2},
        {"west", 0, -0.001, kPi},
        {"east", 0, 0.001, 0},
        {"south", -0.001, 0, -kPi / 2},
        {"same point", 0, 0, kPi / 2},
        {"north-east on the equator", 0.001, 0.001, kPi / 4},
        {"south-west", -0.001, -0.001, 5 * kPi / 4},
    };
    for (const auto& c : cases) {
        TqelFieldSettings field;
        field.setGPSPointNegXLat(0);
        field.setGPSPointNegXLon(10);
        field.setGPSPointPosXLat(c.latStep);
        field.setGPSPointPosXLon(10 + c.lonStep);
        field.InitiateGPSOrientation();
        EXPECT_NEAR(field.GPSFieldAngle(), c.angle, 1e-9) << c.name;
    }

    TqelFieldSettings field;
    EXPECT_THROW(field.GPStoMetric(qel::Latitude(52), qel::Longitude(5)), EInvalidOp);
    field.setGPSZeroPointLat(60);
    field.setGPSZeroPointLon(5);
    field.setGPSPointNegXLat(60);
    field.setGPSPointNegXLon(5);
    field.setGPSPointPosXLat(60);
    field.setGPSPointPosXLon(5.01);
    field.InitiateGPSOrientation();
    EXPECT_EQ(field.GPSFieldAngle(), 0);
    // 0.001 degrees of latitude is 111.19 m anywhere; of longitude at 60 degrees half of that.
    RqelPositionRec pos = field.GPStoMetric(qel::Latitude(60.001), qel::Longitude(5.001));
    EXPECT_EQ(pos.XinMM, 55597);
    EXPECT_EQ(pos.YinMM, 111195);
    EXPECT_FALSE(pos.Valid);
    EXPECT_EQ(pos.BatteryState, RqelPositionRec::NoBatteryState);

    // With the X axis pointing north, a point north of the origin lies on +X.
    field.setGPSPointPosXLat(60.01);
    field.setGPSPointPosXLon(5);
    field.InitiateGPSOrientation();
    pos = field.GPStoMetric(qel::Latitude(60.001), qel::Longitude(5));
    EXPECT_EQ(pos.XinMM, 111195);
    EXPECT_EQ(pos.YinMM, 0);

    // On a pole every longitude is the same place.
    field.setGPSZeroPointLat(90);
    field.setGPSPointNegXLat(89.9);
    field.setGPSPointPosXLat(89.9);
    field.setGPSPointPosXLon(100);
    field.InitiateGPSOrientation();
    EXPECT_EQ(field.GPSFieldAngle(), kPi / 2);
    pos = field.GPStoMetric(qel::Latitude(89.999), qel::Longitude(123));
    EXPECT_EQ(pos.XinMM, -111195);
    EXPECT_EQ(pos.YinMM, 0);

    // Values that are no number or lie beyond 32 bits of mm raise instead of becoming integers.
    field.setGPSZeroPointLat(kNaN);
    field.InitiateGPSOrientation();
    EXPECT_THROW(field.GPStoMetric(qel::Latitude(1), qel::Longitude(1)), EInvalidOp);
    field.setGPSZeroPointLat(0);
    field.InitiateGPSOrientation();
    EXPECT_THROW(field.GPStoMetric(qel::Latitude(80), qel::Longitude(5)), EInvalidOp);
}

TEST_F(FieldSettingsTest, TranspositionAndMeasurementBox) {
    TqelFieldSettings field;
    field.setTransposeXinMM(1000);
    EXPECT_EQ(field.TransposePos(PosMM(0, 0)).XinMM, 0);
    EXPECT_EQ(field.RevertePos(PosMM(0, 0)).XinMM, -1000);

    field.setTransposeRotation(kPi / 2);
    field.setTransposeYinMM(-500);
    RqelPositionRec moved = field.TransposePos(PosMM(2000, 100));
    EXPECT_EQ(moved.XinMM, 900);
    EXPECT_EQ(moved.YinMM, 1500);

    // Rotation and translation both non-zero: reverting gives the position back. Quarter and
    // half turns lose nothing to rounding.
    field.setTransposeXinMM(1500);
    field.setTransposeYinMM(-2500);
    const RqelPositionRec positions[] = {PosMM(1, 0),   PosMM(52500, 34000),   PosMM(-40000, 12345),
                                         PosMM(-1, -1), PosMM(1000000, -7777), PosMM(0, 250)};
    for (const double rotation : {kPi / 2, -kPi, 3 * kPi / 2}) {
        field.setTransposeRotation(rotation);
        for (const RqelPositionRec& p : positions) {
            const RqelPositionRec back = field.RevertePos(field.TransposePos(p));
            EXPECT_EQ(back.XinMM, p.XinMM) << rotation << ": " << p.XinMM << "," << p.YinMM;
            EXPECT_EQ(back.YinMM, p.YinMM) << rotation << ": " << p.XinMM << "," << p.YinMM;
        }
    }
    // Any other rotation can lose up to a millimetre to the two roundings.
    field.setTransposeRotation(0.3);
    EXPECT_EQ(field.RevertePos(field.TransposePos(PosMM(-40000, 12345))).XinMM, -40000);
    for (int32_t x = -5000; x <= 5000; x += 97) {
        for (int32_t y = -5000; y <= 5000; y += 89) {
            const RqelPositionRec back = field.RevertePos(field.TransposePos(PosMM(x, y)));
            ASSERT_LE(std::abs(back.XinMM - x), 1) << x << "," << y;
            ASSERT_LE(std::abs(back.YinMM - y), 1) << x << "," << y;
        }
    }
    field.setTransposeRotation(0);
    EXPECT_THROW(field.TransposePos(PosMM(INT32_MAX, 1)), EInvalidOp);
    field.TransposeClear();
    EXPECT_EQ(field.TransposeXinMM(), 0);
    EXPECT_EQ(field.TransposeRotation(), 0);
    EXPECT_EQ(field.TransposePos(PosMM(INT32_MAX, 1)).XinMM, INT32_MAX);

    field.setMeasurementBoxXLeft(-100);
    field.setMeasurementBoxXRight(100);
    field.setMeasurementBoxYBottom(-50);
    field.setMeasurementBoxYTop(50);
    EXPECT_TRUE(field.InMeasurementBox(PosMM(100, -50)));
    EXPECT_TRUE(field.InMeasurementBox(PosMM(-100, 50)));
    EXPECT_FALSE(field.InMeasurementBox(PosMM(0, 0, false)));
    EXPECT_FALSE(field.InMeasurementBox(PosMM(101, 0)));
    EXPECT_FALSE(field.InMeasurementBox(PosMM(0, -51)));
}

TEST_F(FieldSettingsTest, LPMDataSize) {
    const std::pair<TlpmDataProtocol, int32_t> cases[] = {
        {dtpDisabled, 0},         {dtpShortDataformat, 24},  {dtpMiddleDataFormat, 56},
        {dtpLongDataFormat, 304}, {dtpDebugDataFormat, 368}, {dtpOldShortDataformat, 56}};
    for (const auto& [protocol, size] : cases) {
        TqelFieldSettings field;
        field.setLPMDataProtocol(protocol);
        EXPECT_EQ(field.LPMDataSize(), size) << int(protocol);
    }
}

TEST_F(FieldSettingsTest, BallTrackingServersAndPowerSwitches) {
    // A server section without "ID", read as the first server of an empty list.
    qel::SetExecutableFolderForTests(folder.path());
    QFile file(iniName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "[General]\r\nBallTrackingServers=2\r\n[BallTracking server 1]\r\nIP Address=10.0.0.8\r\n"
        "[BallTracking server 2]\r\nID=7\r\n");
    file.close();
    config.load(iniName);
    ASSERT_EQ(config.BallTrackingserverCount(), 2);
    EXPECT_EQ(config.GetBallTrackingServer(0)->ID(), 2);
    EXPECT_EQ(config.GetBallTrackingServer(0)->PortNr(), 0);
    EXPECT_EQ(config.GetBallTrackingServer(1)->ID(), 7);
    EXPECT_EQ(TqelBallTrackingServer().PortNr(), 4101);
    EXPECT_TRUE(TqelBallTrackingServer().Modified());

    // A pitch finds its servers in the process-wide settings.
    TqelServerConfig* global = ServerConfig();
    ASSERT_NE(global, nullptr);
    const auto server = global->BallTrackingServerAdd();
    server->setID(250);
    TqelFieldSettings field;
    field.EnableBTS(250);
    field.EnableBTS(251);
    EXPECT_EQ(field.GetBallTrackingServer(0), server);
    EXPECT_EQ(field.GetBallTrackingServer(1), nullptr);
    EXPECT_EQ(field.GetBallTrackingServer(2), nullptr);
    global->BallTrackingServerDelete(global->BallTrackingserverCount() - 1);

    TqelEPCConfig source;
    source.setDeviceName(QStringLiteral("Hub"));
    source.setPortNumber(2);
    TqelEPCConfig target;
    EXPECT_TRUE(target.Assign(source));
    target.setModified(false);
    EXPECT_FALSE(target.Assign(source));
    target.setModified(true);
    EXPECT_TRUE(target.Assign(source));
    EXPECT_EQ(target.PortNumber(), 2);
}

}  // namespace

namespace {

// The measurement and output threads read a pitch while the main thread edits it.
TEST(FieldSettingsThreadsTest, ReadersSeeWholeValuesWhileTheMainThreadEdits) {
    TqelFieldSettings field;
    field.setGPSPointPosXLon(1);
    field.InitiateGPSOrientation();
    TqelFieldSettings other;
    other.setEnabledPowerControls(QStringLiteral("B=0"));
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done) {
            const QString text = field.EnabledPowerControls();
            EXPECT_TRUE(text == QStringLiteral("'A=1'") || text == QStringLiteral("'B=0'") ||
                        text == QStringLiteral("''"))
                << text.toStdString();
            field.TransposePos(PosMM(1000, 1000));
            field.GPStoMetric(qel::Latitude(0.001), qel::Longitude(0.001));
            field.EnabledBTSIDs();
            field.EnabledCameraIndexes();
            field.FieldName();
        }
    });
    for (int i = 0; i < 2000; ++i) {
        field.setEnabledPowerControls(QStringLiteral("A"));
        field.EnableBTS(static_cast<uint8_t>(i));
        field.EnableCamera(static_cast<uint8_t>(i));
        field.setTransposeXinMM(i);
        field.setTransposeRotation(i / 1000.0);
        field.InitiateGPSOrientation();
        field.Assign(other);
        field.setFieldName(QString::number(i));
    }
    done = true;
    reader.join();
}

}  // namespace
