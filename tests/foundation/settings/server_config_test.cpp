#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <functional>
#include <latch>
#include <thread>

#include "foundation/logging/logger.h"
#include "foundation/settings/client_config.h"
#include "foundation/settings/server_config.h"
#include "foundation/system/relative_paths.h"
#include "platform/ini_file.h"
#include "support/temp_folder.h"

namespace {

void WriteText(const QString& aFileName, const QByteArray& aText) {
    QFile file(aFileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(aText), aText.size());
}

QByteArray ReadText(const QString& aFileName) {
    QFile file(aFileName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << aFileName.toStdString();
    return file.readAll();
}

// Every setting to compare two objects by, one "name=value" line each.
QStringList Snapshot(const TqelServerConfig& c) {
    QStringList lines = {
        "ServerPort=" + c.ServerPort(),
        "ClientIni=" + c.ClientIni(),
        QStringLiteral("CreateQelfile=%1").arg(c.CreateQelfile()),
        "QelFileLocation=" + c.QelFileLocation(),
        QStringLiteral("AllClientsCanBeMain=%1").arg(c.AllClientsCanBeMain()),
        QStringLiteral("PositionSensitivity=%1").arg(c.PositionSensitivity()),
        QStringLiteral("PositionOffsetCOM=%1").arg(c.PositionOffsetCOM()),
        QStringLiteral("PositionOffsetIP=%1").arg(c.PositionOffsetIP()),
        QStringLiteral("PositionIntervalCOM=%1").arg(c.PositionIntervalCOM()),
        QStringLiteral("PositionIntervalIP=%1").arg(c.PositionIntervalIP()),
        QStringLiteral("PositionChange=%1").arg(c.PositionChange()),
        QStringLiteral("MinMovementInMM=%1").arg(c.MinMovementInMM()),
        QStringLiteral("SendPositionData=%1").arg(c.SendPositionData()),
        QStringLiteral("UseSingleComPort=%1").arg(c.UseSingleComPort()),
        "SingleComPort=" + c.SingleComPort(),
        QStringLiteral("Accelerometer=%1").arg(c.Accelerometer()),
        QStringLiteral("ShowTelemetryAsHosand=%1").arg(c.ShowTelemetryAsHosand()),
        QStringLiteral("HosandModulesInSystem=%1").arg(c.HosandModulesInSystem()),
        QStringLiteral("TransponderHeightinMM=%1").arg(c.TransponderHeightinMM()),
        QStringLiteral("RestrictAccess=%1").arg(c.RestrictAccess()),
        "FieldDirectory=" + c.FieldDirectory(),
        QStringLiteral("FieldSelectionRequired=%1").arg(c.FieldSelectionRequired()),
        QStringLiteral("AutoActivateDefaultPreparation=%1").arg(c.AutoActivateDefaultPreparation()),
        "DefaultLanguage=" + c.DefaultLanguage(),
        QStringLiteral("WebServerInterfacePort=%1").arg(c.WebServerInterfacePort()),
        "NTPTimeServer=" + c.NTPTimeServer(),
        QStringLiteral("AutoSelectFollowing=%1").arg(c.AutoSelectFollowing()),
        "DefaultMeasurementPitch=" + c.DefaultMeasurementPitch(),
        QStringLiteral("MeasurementPitchCanChange=%1").arg(c.MeasurementPitchCanChange()),
        "CamFieldDef=" + c.CamFieldDef(),
        "IPAbatecServer=" + c.IPAbatecServer(),
        "IPControlePC=" + c.IPControlePC(),
        "IPUPDReceiverPC=" + c.IPUPDReceiverPC(),
        QStringLiteral("EnableRemoteControl=%1").arg(c.EnableRemoteControl()),
        QStringLiteral("LogCommunication=%1").arg(c.LogCommunication()),
        QStringLiteral("LPMPauseTimeInMS=%1").arg(c.LPMPauseTimeInMS()),
        QStringLiteral("LPMTPInFieldMM=%1").arg(c.LPMTPInFieldMM()),
        QStringLiteral("LPMTPOffFieldMM=%1").arg(c.LPMTPOffFieldMM()),
        QStringLiteral("LPMTPOffFieldTimeMS=%1").arg(c.LPMTPOffFieldTimeMS()),
        QStringLiteral("LPMTransponder3D=%1").arg(c.LPMTransponder3D()),
        QStringLiteral("LPMStoreDataLog=%1").arg(c.LPMStoreDataLog()),
        "LPMSavePath=" + c.LPMSavePath(),
        "UserFile=" + c.UserFile(),
        "TransponderFile=" + c.TransponderFile(),
        "VideoDir=" + c.VideoDir(),
        QStringLiteral("CleanupVideo=%1").arg(c.CleanupVideo()),
        QStringLiteral("CleanupLPMFiles=%1").arg(c.CleanupLPMFiles()),
        QStringLiteral("StoreLiveDataInterval=%1").arg(c.StoreLiveDataInterval()),
        QStringLiteral("StartSignalEnabled=%1").arg(c.StartSignalEnabled()),
        "StartSignalComPort=" + c.StartSignalComPort(),
        QStringLiteral("StartSignalDataBits=%1").arg(c.StartSignalDataBits()),
        QStringLiteral("StartSignalBaudRate=%1").arg(c.StartSignalBaudRate()),
        QStringLiteral("StartSignalParity=%1").arg(c.StartSignalParity()),
        QStringLiteral("StartSignalStopBits=%1").arg(c.StartSignalStopBits()),
        "DatabaseConnectionString=" + c.DatabaseConnectionString(),
    };
    for (int i = 0; i < c.FieldSettingsCount(); ++i) {
        const auto f = c.FieldSettings(i);
        QStringList ids;
        for (int k = 0; k < f->EnabledBTSIDCount(); ++k) {
            ids.append(QString::number(f->EnabledBTSID(k)));
        }
        lines.append(QStringLiteral("Field %1=%2|%3|%4|%5|%6|%7")
                         .arg(i)
                         .arg(f->FieldName())
                         .arg(f->FieldID())
                         .arg(f->AbatecSettingsDirectory())
                         .arg(f->UDPListenPort())
                         .arg(f->LPMDataProtocol())
                         .arg(ids.join(u',')));
    }
    for (int i = 0; i < c.ExpertPowerControlCount(); ++i) {
        const auto p = c.GetExpertPowerControl(i);
        lines.append(QStringLiteral("Power %1=%2|%3|%4|%5|%6|%7")
                         .arg(i)
                         .arg(p->DeviceName(), p->IPAddress())
                         .arg(p->PortNumber())
                         .arg(p->AdminPassword(), p->UserPassword())
                         .arg(p->UseOVhtml()));
    }
    for (int i = 0; i < c.BallTrackingserverCount(); ++i) {
        const auto s = c.GetBallTrackingServer(i);
        lines.append(QStringLiteral("Ball %1=%2|%3|%4|%5|%6|%7|%8|%9")
                         .arg(i)
                         .arg(s->ID())
                         .arg(s->Description(), s->IPAddress())
                         .arg(s->PortNr())
                         .arg(s->RecordBallData())
                         .arg(s->LPPLocation(), s->LPPUsername(), s->LPPPassword()));
    }
    lines.append(QStringLiteral("Cameras=%1").arg(c.CamCount()));
    return lines;
}

// The temporary folder stands in for the executable's from before the settings are created.
struct ExecutableFolderOverride {
    explicit ExecutableFolderOverride(const QString& aFolder) {
        qel::SetExecutableFolderForTests(aFolder);
    }
    ~ExecutableFolderOverride() { qel::SetExecutableFolderForTests(QString()); }
};

class ServerConfigTest : public ::testing::Test {
protected:
    ServerConfigTest() { config.setDecimalSeparator(u','); }
    ~ServerConfigTest() override { qel::SetCamFieldObjectLoader({}); }

    // Writes the text as the settings file and loads it.
    void loadFixture(const QByteArray& aText) {
        WriteText(iniName, aText);
        config.load(iniName);
    }
    QStringList backups() const {
        return QDir(folder.path()).entryList({QStringLiteral("*.bak")}, QDir::Files);
    }

    qel::test::TempFolder folder;
    ExecutableFolderOverride executableFolder{folder.path()};
    QString iniName = folder.file(QStringLiteral("qelServer.ini"));
    TqelServerConfig config;
};

TEST_F(ServerConfigTest, MissingFileGivesDefaultsAndSaveCreatesItWithoutBackup) {
    config.load(iniName);
    EXPECT_EQ(config.ServerPort(), QStringLiteral("2378"));
    EXPECT_EQ(config.FileVersion(), 0);
    EXPECT_EQ(config.ClientIni(), QString());
    EXPECT_EQ(config.StartSignalDataBits(), dbEight);
    EXPECT_EQ(config.StartSignalBaudRate(), br57600);
    EXPECT_EQ(config.UserFile(), QDir::cleanPath(folder.path() + "/../cfg") + "/users.ini");
    ASSERT_EQ(config.FieldSettingsCount(), 1);
    EXPECT_EQ(config.FieldSettings(0)->FieldName(), QString());
    EXPECT_FALSE(config.Modified());

    config.Save();
    EXPECT_TRUE(backups().isEmpty());
    const QString f = folder.path() + "/";
    const QString expected =
        "[General]\r\n"
        "Server IniFile Version=1\r\n"
        "TCP Server Port=2378\r\n"
        "Client Ini Location=\r\n"
        "Create QEL-file=0\r\n"
        "Qel File Location=" +
        f +
        "\r\n"
        "All Client Can Be Main=0\r\n"
        "Position Sensitivity=85\r\n"
        "Position Offset=40\r\n"
        "Position Offset IP=500\r\n"
        "Position Interval=40\r\n"
        "Position Interval IP=100\r\n"
        "Position Change=1\r\n"
        "Minimal movement=30\r\n"
        "Send Position Data=0\r\n"
        "Use Single Comport=0\r\n"
        "Single Comport=\r\n"
        "Accelerometer=0\r\n"
        "Show hosand=1\r\n"
        "Hosand in system=1\r\n"
        "Transponder height=1500\r\n"
        "Restricted Access=0\r\n"
        "Field Directory=" +
        f +
        "\r\n"
        "Field selection required=0\r\n"
        "Auto activate default preparation=0\r\n"
        "Default Language=EN\r\n"
        "WebServer Port=12345\r\n"
        "NTP Timeserver=pool.ntp.org\r\n"
        "AutoSelectFollowing=0\r\n"
        "Recording Server IP=127.0.0.1\r\n"
        "Recording Server PortNumber=4001\r\n"
        "Recording Server UNC Mount=0\r\n"
        "Recording Server UNC Path=\r\n"
        "Recording Server UNC Username=\r\n"
        "Recording Server UNC Password=\r\n"
        "Recording Server Recording Dir=\r\n"
        "Recording Server Temp Dir=\r\n"
        "Recording Server Delete Temp=0\r\n"
        "Recording Server Export Dir=\r\n"
        "Recording Server Create Sub Dirs=1\r\n"
        "Autostart qelVideo=0\r\n"
        "Qualogy Server=\r\n"
        "PosiStageNet UDP Destination=236.10.10.10\r\n"
        "PosiStageNetPredictionTimeMS=0\r\n"
        "BallTrackingServers=0\r\n"
        "Camera Field Definition Field=\r\n"
        "Camera count=0\r\n"
        "Default MeasurementPitch=\r\n"
        "Measurement Pitch Can Change=0\r\n"
        "Fieldcount=1\r\n"
        "Power Control count=0\r\n"
        "\r\n"
        "[Control]\r\n"
        "IP Abatec server=\r\n"
        "IP Control PC=\r\n"
        "IP Data Receiver=\r\n"
        "Enable remote control=0\r\n"
        "Log communication=0\r\n"
        "Transponder Pause Time in MS=500\r\n"
        "Transponder In Field mm=500\r\n"
        "Transponder Off Field mm=500\r\n"
        "Transponder off-field time ms=1000\r\n"
        "LPM Transponder 3D=0\r\n"
        "LPM Store Data.log=0\r\n"
        "LPM Save path=" +
        f +
        "\r\n"
        "DomeControl Enabled=0\r\n"
        "DomeControl server Port=4000\r\n"
        "DomeControl server IP=127.0.0.1\r\n"
        "DomeControl Directory=/opt/Abatec/DomeControl/\r\n"
        "BallTracking PostProcessing Location=\r\n"
        "BallTracking PostProcessing Tool=\r\n"
        "BallTracking PP Location Password=\r\n"
        "BallTracking PP Location Username=\r\n"
        "\r\n"
        "[Files]\r\n"
        "Users=..\\cfg\\users.ini\r\n"
        "Transponders=..\\cfg\\transponder.ini\r\n"
        "VideoDir=\r\n"
        "Cleanup after recording=0\r\n"
        "Cleanup LPM files=1\r\n"
        "Store Livedata Interval=100\r\n"
        "Video recording=0\r\n"
        "Use Video Recording Server=0\r\n"
        "Use GameOn Video Recording=0\r\n"
        "\r\n"
        "[Start Signal]\r\n"
        "Enabled=0\r\n"
        "Comport=\r\n"
        "Databits=8\r\n"
        "BaudRate=57600\r\n"
        "PartityBits=0\r\n"
        "StopBits=0\r\n"
        "\r\n"
        "[Qelvani Database Connection]\r\n"
        "ConnectionString=\r\n"
        "\r\n"
        "[GameOn]\r\n"
        "Directory=\r\n"
        "Username=\r\n"
        "Password=\r\n"
        "Host=\r\n"
        "\r\n"
        "[Nokia]\r\n"
        "Host=127.0.0.1\r\n"
        "Password=TktHKCwqJw==\r\n"
        "Username=\r\n"
        "Port=9998\r\n"
        "\r\n"
        "[SCG]\r\n"
        "UDP Destination=127.0.0.1\r\n"
        "UDP Local=0.0.0.0\r\n"
        "UDP Port=2005\r\n"
        "\r\n"
        "[Piero]\r\n"
        "Machine Address=\r\n"
        "Server port=3000\r\n"
        "Client Port=2003\r\n"
        "\r\n"
        "[Field 1]\r\n"
        "FieldName=\r\n"
        "FieldID=0\r\n"
        "Abatec settings Directory=\r\n"
        "SystemType=0\r\n"
        "IP Abatec server=\r\n"
        "IP Control PC=\r\n"
        "IP Data Receiver=\r\n"
        "LPM Port=1135\r\n"
        "LPM Linux Path=\r\n"
        "Number Of Basestations=0\r\n"
        "PosiStageEnabled=0\r\n"
        "GameOnEnabled=0\r\n"
        "StoreLiveData=0\r\n"
        "SCGEnabled=0\r\n"
        "NokiaEnabled=0\r\n"
        "QualogyEnabled=0\r\n"
        "AMQPEnabled=0\r\n"
        "EPC HUB=\r\n"
        "Enabled powercontrols=''\r\n"
        "FieldBox X Left=0\r\n"
        "FieldBox Y Bottom=0\r\n"
        "FieldBox X Right=0\r\n"
        "FieldBox Y Top=0\r\n"
        "MeasurementBox X Left=0\r\n"
        "MeasurementBox Y Bottom=0\r\n"
        "MeasurementBox X Right=0\r\n"
        "MeasurementBox Y Top=0\r\n"
        "GPS Zero Point Lat=0\r\n"
        "GPS Zero Point Lon=0\r\n"
        "GPS Point Neg X Lat=0\r\n"
        "GPS Point Neg X Lon=0\r\n"
        "GPS Point Pos X Lat=0\r\n"
        "GPS Point Pos X Lon=0\r\n"
        "UDP Listen Port=70\r\n"
        "LPM Data Protocol=3\r\n"
        "ZXY Server IP Address=10.19.0.2\r\n"
        "ZXY DataPort=7049\r\n"
        "ZXY ControlPort=1818\r\n"
        "ZXY Username=\r\n"
        "ZXY Password=\r\n"
        "STSP Server IP Address=\r\n"
        "STSP DataPort=40013\r\n"
        "Enabled cameras=\r\n"
        "Enabled balltracking servers=\r\n";
    EXPECT_EQ(ReadText(iniName).toStdString(), expected.toStdString());
    EXPECT_FALSE(config.Modified());
    EXPECT_EQ(config.FileVersion(), 1);
}

TEST_F(ServerConfigTest, OldPortsAreCarriedOverUntilTheNextSave) {
    const struct {
        const char* name;
        QByteArray general;
        QByteArray oldSections;
        const char* serverPort;
        int32_t udpPort;
        TlpmDataProtocol protocol;
    } cases[] = {
        {"general keys", "TCP Server Port=4100\r\nUDP Listen Port=71\r\nLPM Data protocol=1\r\n",
         "", "4100", 71, dtpShortDataformat},
        {"zero ports", "TCP Server Port=0\r\nUDP Listen Port=0\r\n", "", "2378", 70,
         dtpMiddleDataFormat},
        {"old keys win", "TCP Server Port=4100\r\nUDP Listen Port=71\r\nLPM Data protocol=1\r\n",
         "[Server]\r\nPort=4200\r\n[LPM]\r\nPort=72\r\n", "4200", 72, dtpMiddleDataFormat},
        {"old zero ports", "", "[Server]\r\nPort=0\r\n[LPM]\r\nPort=0\r\n", "2378", 70,
         dtpMiddleDataFormat},
    };
    for (const auto& c : cases) {
        // One named pitch without its own ports shows the pitch defaults.
        loadFixture("[General]\r\nFieldcount=1\r\nField selection required=1\r\n" + c.general +
                    "[Field 1]\r\nFieldName=A\r\n" + c.oldSections);
        EXPECT_EQ(config.ServerPort(), QString::fromLatin1(c.serverPort)) << c.name;
        ASSERT_EQ(config.FieldSettingsCount(), 1) << c.name;
        EXPECT_EQ(config.FieldSettings(0)->UDPListenPort(), c.udpPort) << c.name;
        EXPECT_EQ(config.FieldSettings(0)->LPMDataProtocol(), c.protocol) << c.name;
    }

    // The old sections used to override the operator's port at every start; saving moves
    // their values to [General] and removes them.
    loadFixture(
        "[General]\r\nTCP Server Port=4100\r\nLPM Data protocol=4\r\n[Server]\r\nPort=4200\r\n"
        "[LPM]\r\nPort=72\r\n");
    config.setServerPort(QStringLiteral("5000"));
    EXPECT_TRUE(config.Modified());
    config.Save();
    qel::IniFile saved(iniName);
    EXPECT_FALSE(saved.SectionExists(QStringLiteral("Server")));
    EXPECT_FALSE(saved.SectionExists(QStringLiteral("LPM")));
    EXPECT_EQ(saved.ReadInteger(QStringLiteral("General"), QStringLiteral("UDP Listen Port"), 0),
              72);
    EXPECT_EQ(saved.ReadInteger(QStringLiteral("General"), QStringLiteral("LPM Data protocol"), 0),
              2);
    TqelServerConfig reloaded;
    reloaded.load(iniName);
    EXPECT_EQ(reloaded.ServerPort(), QStringLiteral("5000"));

    config.setServerPort(QStringLiteral("no port"));
    EXPECT_EQ(config.ServerPort(), QStringLiteral("2378"));
}

TEST_F(ServerConfigTest, ClientIniLocationMustNameAnExistingFile) {
    const QString nextToExe = folder.file(QStringLiteral("qelClient.ini"));
    const QString elsewhere = folder.file(QStringLiteral("other.ini"));
    WriteText(elsewhere, "");
    const QByteArray missingKey =
        "[General]\r\nClient Ini Location=" + folder.file(QStringLiteral("gone.ini")).toUtf8() +
        "\r\n";
    loadFixture(missingKey);
    EXPECT_EQ(config.ClientIni(), QString());
    WriteText(nextToExe, "");
    loadFixture(missingKey);
    EXPECT_EQ(config.ClientIni(), nextToExe);
    loadFixture("[General]\r\nClient Ini Location=" + elsewhere.toUtf8() + "\r\n");
    EXPECT_EQ(config.ClientIni(), elsewhere);
}

TEST_F(ServerConfigTest, PitchesAreReadSortedAndWrittenWithoutGaps) {
    loadFixture(
        "[General]\r\nFieldcount=5\r\nField selection required=1\r\n"
        "[Field 1]\r\nFieldName=Delta\r\nFieldID=4\r\nUnknown pitch key=kept\r\n"
        "[Field 3]\r\nFieldName=alpha\r\nFieldID=1\r\n"
        "[Field 4]\r\nFieldName=Charlie\r\nFieldID=3\r\n"
        "[Field 5]\r\nFieldName=bravo\r\nFieldID=2\r\n"
        "[Field 6]\r\nFieldName=stale\r\n"
        "[Field 101]\r\nFieldName=far away\r\n");
    ASSERT_EQ(config.FieldSettingsCount(), 4);
    EXPECT_TRUE(config.MeasurementPitchCanChange());
    const char* sorted[] = {"alpha", "bravo", "Charlie", "Delta"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(config.FieldSettings(i)->FieldName(), QString::fromLatin1(sorted[i]));
    }
    EXPECT_EQ(config.GetFieldSettings(3)->FieldName(), QStringLiteral("Charlie"));
    EXPECT_EQ(config.GetFieldSettings(9), nullptr);
    EXPECT_THROW(config.FieldSettings(4), EArgumentOutOfRangeException);

    config.Save();
    qel::IniFile saved(iniName);
    EXPECT_EQ(saved.ReadInteger(QStringLiteral("General"), QStringLiteral("Fieldcount"), 0), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(saved.ReadString(QStringLiteral("Field %1").arg(i + 1),
                                   QStringLiteral("FieldName"), QString()),
                  QString::fromLatin1(sorted[i]));
    }
    EXPECT_FALSE(saved.SectionExists(QStringLiteral("Field 5")));
    EXPECT_FALSE(saved.SectionExists(QStringLiteral("Field 6")));
    EXPECT_TRUE(saved.SectionExists(QStringLiteral("Field 101")));
}

TEST_F(ServerConfigTest, DefaultPitchIsAddedWhenEveryPitchHasAName) {
    loadFixture(
        "[General]\r\nFieldcount=1\r\n[Field 1]\r\nFieldName=Main\r\n"
        "[Control]\r\nAbatec Inifiles location=C:\\LPM\r\n");
    ASSERT_EQ(config.FieldSettingsCount(), 2);
    EXPECT_FALSE(config.MeasurementPitchCanChange());
    const auto added = config.FieldSettings(1);
    EXPECT_EQ(added->FieldName(), QString());
    EXPECT_EQ(added->AbatecSettingsDirectory(), QStringLiteral("C:\\LPM\\"));
    EXPECT_EQ(config.DefaultField(), added);
    added->setFieldName(QStringLiteral("Second"));
    const auto appended = config.DefaultField();
    EXPECT_EQ(appended, config.FieldSettings(2));
    EXPECT_EQ(config.FieldSettingsCount(), 3);
}

TEST_F(ServerConfigTest, PasswordsFollowTheFileVersion) {
    const struct {
        const char* version;  // "Server IniFile Version" line, or empty
        const char* stored;   // nullptr: key missing
        const char* expected;
    } cases[] = {
        {"Server IniFile Version=1\r\n", "fn18", "abc"},
        {"Server IniFile Version=1\r\n", "bCx8bXprPg==", "s3cret!"},
        {"Server IniFile Version=1\r\n", "******", "fallback"},
        {"Server IniFile Version=1\r\n", "", ""},
        {"Server IniFile Version=1\r\n", nullptr, "fallback"},
        {"", "~}|", "abc"},
        {"", "******", "fallback"},
        {"", nullptr, "fallback"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        QByteArray file = QByteArray("[General]\r\n") + c.version + "[P]\r\n";
        if (c.stored) {
            file += QByteArray("Key=") + c.stored + "\r\n";
        }
        loadFixture(file);
        qel::IniFile ini(iniName);
        EXPECT_EQ(config.ReadPassword(ini, QStringLiteral("P"), QStringLiteral("Key"),
                                      QStringLiteral("fallback")),
                  QString::fromLatin1(c.expected))
            << c.version << (c.stored ? c.stored : "<missing>");
    }

    loadFixture("[General]\r\nServer IniFile Version=1\r\n");
    qel::IniFile ini(folder.file(QStringLiteral("passwords.ini")));
    const QString longPassword = QString(300, u'x') + QStringLiteral("!end");
    config.WritePassword(ini, QStringLiteral("P"), QStringLiteral("Short"),
                         QStringLiteral("Pass word"));
    config.WritePassword(ini, QStringLiteral("P"), QStringLiteral("Long"), longPassword);
    ini.UpdateFile();
    const QByteArray text = ReadText(ini.FileName());
    EXPECT_TRUE(text.contains("\r\nShort=T35sbD9ocG17\r\n"));
    EXPECT_EQ(text.count('\n'), 3);
    EXPECT_EQ(config.ReadPassword(qel::IniFile(ini.FileName()), QStringLiteral("P"),
                                  QStringLiteral("Long"), QString()),
              longPassword);
}

// Passwords of an old file are written in the new form; reading them again from the saved file
// must use the new form too.
TEST_F(ServerConfigTest, SaveUpdatesTheFileVersionUsedForPasswords) {
    loadFixture(
        "[General]\r\nPower Control count=1\r\n"
        "[Power control 1]\r\nDeviceName=Hub\r\nAdmin Password=~}|\r\n");
    ASSERT_EQ(config.ExpertPowerControlCount(), 1);
    EXPECT_EQ(config.GetExpertPowerControl(0)->AdminPassword(), QStringLiteral("abc"));
    config.Save();
    EXPECT_EQ(config.FileVersion(), 1);
    qel::IniFile saved(iniName);
    EXPECT_EQ(saved.ReadString(QStringLiteral("Power control 1"), QStringLiteral("Admin Password"),
                               QString()),
              QStringLiteral("fn18"));
    EXPECT_EQ(config.ReadPassword(saved, QStringLiteral("Power control 1"),
                                  QStringLiteral("Admin Password"), QString()),
              QStringLiteral("abc"));
}

// Scrambling keeps seven bits of a character: every writer of a scrambled password warns, once,
// naming the key, and still writes the value.
TEST_F(ServerConfigTest, PasswordsThatScramblingChangesAreSavedWithAWarning) {
    const QString lossy = QStringLiteral("pässwörd");
    const struct {
        const char* key;
        std::function<void(TqelServerConfig&, const QString&)> set;
    } writers[] = {
        {"[General] \"Recording Server UNC Password\"",
         [](TqelServerConfig& c, const QString& v) { c.setRecordingServerUNCPassword(v); }},
        {"[GameOn] \"Password\"",
         [](TqelServerConfig& c, const QString& v) { c.setGameOnDirPassword(v); }},
        {"[Nokia] \"Password\"",
         [](TqelServerConfig& c, const QString& v) { c.setNokiaPassword(v); }},
        {"[Field 1] \"ZXY Password\"",
         [](TqelServerConfig& c, const QString& v) { c.DefaultField()->setZXYPassword(v); }},
        {"[Dome 1] \"RTSPPassword\"",
         [](TqelServerConfig& c, const QString& v) { c.GetCamera(0)->setRTSPPassword(v); }},
        {"[Power control 1] \"Admin Password\"",
         [](TqelServerConfig& c, const QString& v) {
             c.GetExpertPowerControl(0)->setAdminPassword(v);
         }},
        {"[Power control 1] \"User password\"",
         [](TqelServerConfig& c, const QString& v) {
             c.GetExpertPowerControl(0)->setUserPassword(v);
         }},
        {"[BallTracking server 1] \"LPP Password\"",
         [](TqelServerConfig& c, const QString& v) {
             c.GetBallTrackingServer(0)->setLPPPassword(v);
         }},
    };
    QStringList lines;
    Logger().OnLog = [&lines](TlpmLogLevel, TlpmLogCategory, const QString& aLine) {
        lines << aLine;
    };
    for (const auto& w : writers) {
        TqelServerConfig c;
        c.LoadCameras(1, nullptr);
        c.AddPowerControl();
        c.BallTrackingServerAdd();
        c.setIniFileName(iniName);
        lines.clear();
        w.set(c, lossy);
        c.Save();
        ASSERT_EQ(lines.size(), 1) << w.key << " " << lines.join(u'\n').toStdString();
        EXPECT_TRUE(lines[0].contains(QLatin1String(w.key))) << lines[0].toStdString();
        EXPECT_FALSE(lines[0].contains(lossy));
        // Written all the same, in the form the file can hold.
        w.set(c, QStringLiteral("abc"));
        lines.clear();
        c.Save();
        EXPECT_TRUE(lines.isEmpty()) << w.key << " " << lines.join(u'\n').toStdString();
    }
    Logger().OnLog = nullptr;
}

// A reader's handle keeps its entry alive while the main thread reloads and deletes. Run under
// AddressSanitizer and ThreadSanitizer.
TEST_F(ServerConfigTest, HandedOutEntriesOutliveReloadsAndDeletes) {
    WriteText(
        iniName,
        "[General]\r\nCamera Count=1\r\nFieldcount=1\r\nField selection required=1\r\n"
        "BallTrackingServers=1\r\n[Dome 1]\r\nX=100\r\nPreset count=1\r\n"
        "[Dome 1 Preset 1]\r\nDescription=Goal\r\n[Field 1]\r\nFieldName=Main\r\nFieldID=4\r\n"
        "[BallTracking server 1]\r\nID=1\r\nDescription=Ball\r\n");
    config.load(iniName);
    std::latch taken(1);
    std::latch freed(1);
    std::atomic<bool> stop{false};
    std::thread reader([this, &taken, &freed, &stop] {
        const auto camera = config.GetCamera(0);
        const auto preset = camera->GetPreset(0);
        const auto pitch = config.GetFieldSettings(4);
        const auto server = config.GetBallTrackingServer(0);
        taken.count_down();
        freed.wait();
        // The camera was given other values and no presets; the preset taken before lives on.
        EXPECT_EQ(camera->PosXinMM(), 300);
        EXPECT_EQ(camera->PresetCount(), 0);
        EXPECT_EQ(preset->Description(), QStringLiteral("Goal"));
        EXPECT_EQ(pitch->FieldName(), QStringLiteral("Main"));
        EXPECT_EQ(server->Description(), QStringLiteral("Ball"));
        while (!stop) {
            // Lists are swapped whole: there is always a camera 0, and it has its preset.
            EXPECT_EQ(config.GetCamera(0)->GetPreset(0)->Description(), QStringLiteral("Goal"));
            if (const auto current = config.GetFieldSettings(4)) {
                EXPECT_EQ(current->FieldName(), QStringLiteral("Main"));
            }
        }
    });
    taken.wait();
    TqelCameraSettings replacement(nullptr);
    replacement.setPosXinMM(300);
    config.GetCamera(0)->Assign(replacement);
    config.LoadCameras(2, nullptr);
    config.DeleteFieldSetting(0);
    ASSERT_TRUE(config.BallTrackingServerDelete(0));
    config.load(iniName);
    freed.count_down();
    for (int i = 0; i < 20; ++i) {
        config.load(iniName);
        config.LoadCameras(2 - i % 2, nullptr);
        config.DeleteFieldSetting(0);
    }
    stop = true;
    reader.join();
}

TEST_F(ServerConfigTest, SettersMarkModifiedOnlyOnChange) {
    config.load(iniName);
    config.setNTPTimeServer(config.NTPTimeServer());
    config.setPositionChange(1.0);
    config.setCleanupLPMFiles(true);
    EXPECT_FALSE(config.Modified());
    config.setPositionChange(1.5);
    EXPECT_TRUE(config.Modified());

    const struct {
        int32_t set;
        int32_t stored;
    } intervals[] = {{50, 100}, {149, 100}, {150, 200}, {250, 300}, {INT32_MAX, 2147483600}};
    for (const auto& c : intervals) {
        config.setModified(false);
        config.setStoreLiveDataInterval(c.set);
        EXPECT_EQ(config.StoreLiveDataInterval(), c.stored) << c.set;
        EXPECT_TRUE(config.Modified()) << c.set;
    }
    loadFixture("[Files]\r\nStore Livedata Interval=150\r\n");
    EXPECT_EQ(config.StoreLiveDataInterval(), 150);

    config.setVideoDir(QStringLiteral("/videos"));
    EXPECT_EQ(config.VideoDir(), QStringLiteral("/videos/"));
    config.setVideoDir(QStringLiteral("D:\\Videos\\"));
    EXPECT_EQ(config.VideoDir(), QStringLiteral("D:\\Videos\\"));
    config.setVideoDir(QString());
    EXPECT_EQ(config.VideoDir(), QStringLiteral("/"));
}

TEST_F(ServerConfigTest, SaveBacksUpTheOldFileUnderItsOwnDate) {
    WriteText(iniName, "[General]\r\nTCP Server Port=4100\r\n");
    QFile file(iniName);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2020, 8, 14), QTime(23, 30)),
                                 QFileDevice::FileModificationTime));
    file.close();
    config.load(iniName);
    config.Save();
    EXPECT_EQ(backups(), QStringList({QStringLiteral("qelServer_ini_20200814.bak")}));
    EXPECT_EQ(ReadText(folder.file(QStringLiteral("qelServer_ini_20200814.bak"))),
              QByteArray("[General]\r\nTCP Server Port=4100\r\n"));

    // The file now bears today's date, and so does the next backup.
    config.Save();
    const QString today = QStringLiteral("qelServer_ini_%1.bak")
                              .arg(QFileInfo(iniName).lastModified().date().toString("yyyyMMdd"));
    EXPECT_EQ(backups(), QStringList({QStringLiteral("qelServer_ini_20200814.bak"), today}));
}

TEST_F(ServerConfigTest, UnknownKeysAndSectionsStayInPlace) {
    const QByteArray unknownGeneral = "Unknown  =  spaced value \r\n";
    const QByteArray unknownSection =
        "; the partner's notes\r\n[Mystery]\r\nx=\"1\"\r\nfree text\r\n";
    loadFixture("[General]\r\nServer IniFile Version=1\r\n" + unknownGeneral +
                "TCP Server Port=4100\r\n\r\n" + unknownSection +
                "[Control]\r\nLog communication=1\r\n");
    config.setLogCommunication(false);
    config.Save();
    const QByteArray text = ReadText(iniName);
    EXPECT_TRUE(text.startsWith("[General]\r\nServer IniFile Version=1\r\n" + unknownGeneral +
                                "TCP Server Port=4100\r\n"));
    EXPECT_TRUE(
        text.contains("\r\n\r\n" + unknownSection + "[Control]\r\nLog communication=0\r\n"));
}

TEST_F(ServerConfigTest, SelectedLanguageFallsBackToTheDefault) {
    const struct {
        const char* selected;
        const char* defaultLanguage;
        const char* expected;
    } cases[] = {{"ru", "DE", "ru"}, {"", "DE", "DE"}, {"", "", "en"}};
    for (const auto& c : cases) {
        TqelServerConfig languages;
        languages.setSelectedLanguage(QString::fromLatin1(c.selected));
        languages.setDefaultLanguage(QString::fromLatin1(c.defaultLanguage));
        EXPECT_EQ(languages.GetSelectedLanguage(), QString::fromLatin1(c.expected));
    }
    // The file's default language becomes the selected one unless the command line chose.
    loadFixture("[General]\r\nDefault Language=nl\r\n");
    EXPECT_EQ(config.SelectedLanguage(), QStringLiteral("nl"));
    TqelServerConfig chosen;
    chosen.setSelectedLanguage(QStringLiteral("ru"));
    chosen.load(iniName);
    EXPECT_EQ(chosen.GetSelectedLanguage(), QStringLiteral("ru"));
}

TEST_F(ServerConfigTest, StartSignalNumbersOutsideTheirTypes) {
    const struct {
        const char* file;
        TDataBits dataBits;  // dbSix before the load
        TBaudRate baudRate;
        TParityBits parity;
    } cases[] = {
        {"Databits=9\r\nBaudRate=12345\r\n", dbSix, br57600, prNone},
        {"Databits=5\r\nBaudRate=9600\r\nPartityBits=2\r\n", dbFive, br9600, prEven},
        {"Databits=x\r\nBaudRate=256000\r\nPartityBits=9\r\n", dbEight, br256000, prNone},
        {"BaudRate=110\r\nPartityBits=-1\r\n", dbEight, br110, prNone},
    };
    for (const auto& c : cases) {
        config.setStartSignalDataBits(dbSix);
        loadFixture(QByteArray("[Start Signal]\r\n") + c.file);
        EXPECT_EQ(config.StartSignalDataBits(), c.dataBits) << c.file;
        EXPECT_EQ(config.StartSignalBaudRate(), c.baudRate) << c.file;
        EXPECT_EQ(config.StartSignalParity(), c.parity) << c.file;
    }
    config.setStartSignalBaudRate(brCustom);
    config.Save();
    EXPECT_EQ(qel::IniFile(iniName).ReadInteger(QStringLiteral("Start Signal"),
                                                QStringLiteral("BaudRate"), 0),
              57600);
}

TEST_F(ServerConfigTest, LoadSaveLoadGivesEqualSettings) {
    const QStringList defaults = Snapshot(config);
    config.load(iniName);
    config.setServerPort(QStringLiteral("4001"));
    config.setClientIni(folder.file(QStringLiteral("client.ini")));
    WriteText(config.ClientIni(), "");
    config.setCreateQelfile(true);
    config.setQelFileLocation(QStringLiteral("/data/qel/"));
    config.setAllClientsCanBeMain(true);
    config.setPositionSensitivity(86);
    config.setPositionOffsetCOM(41);
    config.setPositionOffsetIP(501);
    config.setPositionIntervalCOM(42);
    config.setPositionIntervalIP(101);
    config.setPositionChange(2.75);
    config.setMinMovementInMM(31);
    config.setSendPositionData(true);
    config.setUseSingleComPort(true);
    config.setSingleComPort(QStringLiteral("/dev/ttyS1"));
    config.setAccelerometer(true);
    config.setShowTelemetryAsHosand(false);
    config.setHosandModulesInSystem(false);
    config.setTransponderHeightinMM(1600);
    config.setRestrictAccess(true);
    config.setFieldDirectory(QStringLiteral("/data/fields"));
    config.setAutoActivateDefaultPreparation(true);
    config.setDefaultLanguage(QStringLiteral("  de "));
    config.setWebServerInterfacePort(8080);
    config.setNTPTimeServer(QStringLiteral("ntp.example.org"));
    config.setAutoSelectFollowing(true);
    config.setDefaultMeasurementPitch(QStringLiteral("Main"));
    config.setMeasurementPitchCanChange(true);
    config.setCamFieldDef(QStringLiteral("pitch.fld"));
    config.setIPAbatecServer(QStringLiteral("10.0.0.1"));
    config.setIPControlePC(QStringLiteral("10.0.0.2"));
    config.setIPUPDReceiverPC(QStringLiteral("10.0.0.3"));
    config.setEnableRemoteControl(true);
    config.setLogCommunication(true);
    config.setLPMPauseTimeInMS(501);
    config.setLPMTPInFieldMM(502);
    config.setLPMTPOffFieldMM(503);
    config.setLPMTPOffFieldTimeMS(1001);
    config.setLPMTransponder3D(true);
    config.setLPMStoreDataLog(true);
    config.setLPMSavePath(QStringLiteral("/data/lpm/"));
    config.setUserFile(QStringLiteral("/etc/qel/users.ini"));
    config.setTransponderFile(QStringLiteral(".\\transponders.ini"));
    config.setVideoDir(QStringLiteral("/data/video"));
    config.setCleanupVideo(true);
    config.setCleanupLPMFiles(false);
    config.setStoreLiveDataInterval(300);
    config.setStartSignalEnabled(true);
    config.setStartSignalComPort(QStringLiteral("/dev/ttyUSB0"));
    config.setStartSignalDataBits(dbSeven);
    config.setStartSignalBaudRate(br115200);
    config.setStartSignalParity(prOdd);
    config.setStartSignalStopBits(sbTwoStopBits);
    config.setDatabaseConnectionString(QStringLiteral("Provider=SQLite;Data Source=qel.db"));
    // Unnamed, so that the reloaded list gets no default pitch added.
    const auto field = config.DefaultField();
    field->setFieldID(7);
    field->setAbatecSettingsDirectory(QStringLiteral("C:\\LPM"));
    field->setUDPListenPort(75);
    field->setLPMDataProtocol(dtpDebugDataFormat);
    field->EnableBTS(2);
    field->EnableBTS(1);
    const auto power = config.AddPowerControl();
    power->setDeviceName(QStringLiteral("Hub"));
    power->setIPAddress(QStringLiteral("10.0.0.9"));
    power->setPortNumber(80);
    power->setAdminPassword(QStringLiteral("admin pw"));
    power->setUserPassword(QStringLiteral("user pw"));
    power->setUseOVhtml(true);
    for (int i = 0; i < 2; ++i) {
        const auto server = config.BallTrackingServerAdd();
        server->setDescription(QStringLiteral("Ball %1").arg(i));
        server->setIPAddress(QStringLiteral("10.0.1.%1").arg(i));
        server->setPortNr(4101 + i);
        server->setRecordBallData(i == 1);
        server->setLPPLocation(QStringLiteral("/lpp"));
        server->setLPPUsername(QStringLiteral("lpp"));
        server->setLPPPassword(QStringLiteral("lpp pw %1").arg(i));
    }
    config.LoadCameras(1, nullptr);
    config.Save();

    TqelServerConfig reloaded;
    reloaded.setDecimalSeparator(u'.');
    reloaded.load(iniName);
    const QStringList changed = Snapshot(config);
    EXPECT_EQ(Snapshot(reloaded), changed);
    // Every setting took part: none kept its default, except the one that "Auto activate
    // default preparation" needs off.
    for (const QString& line : changed) {
        if (line != QStringLiteral("FieldSelectionRequired=0")) {
            EXPECT_FALSE(defaults.contains(line)) << line.toStdString();
        }
    }
}

TEST_F(ServerConfigTest, CarriedOverBallTrackingServerIsNotAddedAgain) {
    WriteText(iniName,
              "[Control]\r\nBalltracking Enabled=1\r\nBalltracking server IP=10.1.1.1\r\n"
              "Balltracking Record Ball Data=1\r\n"
              "[General]\r\nFieldcount=1\r\nField selection required=1\r\n"
              "[Field 1]\r\nFieldName=Main\r\n");
    for (int cycle = 0; cycle < 3; ++cycle) {
        config.load(iniName);
        ASSERT_EQ(config.BallTrackingserverCount(), 1) << cycle;
        const auto server = config.GetBallTrackingServer(0);
        EXPECT_EQ(server->ID(), 1);
        EXPECT_EQ(server->Description(), QStringLiteral("Balltracking server"));
        EXPECT_EQ(server->IPAddress(), QStringLiteral("10.1.1.1"));
        EXPECT_EQ(server->PortNr(), 0);
        EXPECT_TRUE(server->RecordBallData());
        const auto field = config.FieldSettings(0);
        ASSERT_EQ(field->EnabledBTSIDCount(), 1) << cycle;
        EXPECT_EQ(field->EnabledBTSID(0), 1);
        config.Save();
    }
    EXPECT_FALSE(qel::IniFile(iniName).ValueExists(QStringLiteral("Control"),
                                                   QStringLiteral("Balltracking Enabled")));
}

TEST_F(ServerConfigTest, DamagedCountsAreBounded) {
    loadFixture(
        "[General]\r\nFieldcount=2147483647\r\nCamera Count=100000\r\n"
        "BallTrackingServers=999999999\r\nPower Control count=-5\r\n"
        "[Field 1000]\r\nFieldName=last read\r\n[Field 1001]\r\nFieldName=beyond\r\n");
    EXPECT_EQ(config.CamCount(), qel::kMaxCameraCount);
    EXPECT_EQ(config.GetCamera(255)->CameraIndex(), 255);
    EXPECT_EQ(config.BallTrackingserverCount(), 0);
    EXPECT_EQ(config.ExpertPowerControlCount(), 0);
    ASSERT_EQ(config.FieldSettingsCount(), 2);
    EXPECT_EQ(config.FieldSettings(0)->FieldName(), QStringLiteral("last read"));
}

TEST_F(ServerConfigTest, CamerasAreRebuiltOnlyForAnotherCount) {
    loadFixture("[General]\r\nCamera Count=2\r\n");
    ASSERT_EQ(config.CamCount(), 2);
    const auto first = config.GetCamera(0);
    EXPECT_EQ(first->Config(), &config);
    EXPECT_EQ(config.GetCamera(1)->CameraIndex(), 1);
    config.LoadCameras(2, nullptr);
    EXPECT_EQ(config.GetCamera(0), first);
    EXPECT_FALSE(config.Modified());
    config.LoadCameras(3, nullptr);
    EXPECT_EQ(config.CamCount(), 3);
    EXPECT_TRUE(config.Modified());
    EXPECT_THROW(config.GetCamera(3), EArgumentOutOfRangeException);
}

TEST_F(ServerConfigTest, CamFieldDefLoadsTheFieldObjectNames) {
    QStringList asked;
    qel::SetCamFieldObjectLoader(
        [&asked](const QString& aName, QStringList& aLines, QStringList& aAreas) {
            // The loader is given the path in the client settings' field folder.
            const QString fieldDir = ClientConfig()->FieldDir();
            asked.append(aName.startsWith(fieldDir) ? aName.mid(fieldDir.size()) : aName);
            if (aName != fieldDir + QStringLiteral("pitch.fld")) {
                return false;
            }
            aLines = QStringList({QStringLiteral("Start"), QStringLiteral("Finish")});
            aAreas = QStringList({QStringLiteral("Box")});
            return true;
        });
    loadFixture("[General]\r\nCamera Field Definition Field=pitch.fld\r\n");
    EXPECT_EQ(config.CamFieldLines(), QStringList({"Start", "Finish"}));
    EXPECT_EQ(config.CamFieldAreas(), QStringList({"Box"}));
    EXPECT_FALSE(config.Modified());

    config.setCamFieldDef(QStringLiteral("pitch.fld"));
    EXPECT_FALSE(config.Modified());
    config.setCamFieldDef(QStringLiteral("missing.fld"));
    EXPECT_TRUE(config.Modified());
    EXPECT_TRUE(config.CamFieldLines().isEmpty());
    EXPECT_TRUE(config.CamFieldAreas().isEmpty());
    EXPECT_EQ(asked, QStringList({"pitch.fld", "missing.fld"}));
}

TEST_F(ServerConfigTest, ListLookUps) {
    TqelUser* user = config.AddUser();
    user->setUsername(QStringLiteral("Coach"));
    EXPECT_EQ(config.FindUser(QStringLiteral("COACH")), user);
    EXPECT_EQ(config.FindUser(QStringLiteral("other")), nullptr);
    config.DeleteUser(QStringLiteral("nobody"));
    config.DeleteUser(QStringLiteral("coach"));
    EXPECT_EQ(config.UserCount(), 0);
    EXPECT_THROW(config.GetUser(0), EArgumentOutOfRangeException);

    const auto power = config.AddPowerControl();
    power->setDeviceName(QStringLiteral("Hub"));
    EXPECT_EQ(config.ExpertPowerControlByName(QStringLiteral("hub")), nullptr);
    EXPECT_EQ(config.ExpertPowerControlByName(QStringLiteral("Hub")), power);
    EXPECT_EQ(config.GetPowerControl(QStringLiteral("HUB")), power);

    const auto first = config.BallTrackingServerAdd();
    EXPECT_EQ(first->ID(), 1);
    first->setID(5);
    config.BallTrackingServerAdd()->setID(-3);
    EXPECT_EQ(config.BallTrackingServerAdd()->ID(), 6);
    EXPECT_EQ(config.BallTrackingServerByID(5), first);
    EXPECT_FALSE(config.BallTrackingServerDelete(3));
    EXPECT_TRUE(config.BallTrackingServerDelete(0));
    EXPECT_EQ(config.BallTrackingServerByID(5), nullptr);
    EXPECT_EQ(config.BallTrackingserverCount(), 2);
}

TEST_F(ServerConfigTest, ServerSectionWithoutIDTakesTheCountPlusOne) {
    loadFixture(
        "[General]\r\nBallTrackingServers=1\r\n[BallTracking server 1]\r\nIP Address=10.2.2.2\r\n");
    ASSERT_EQ(config.BallTrackingserverCount(), 1);
    EXPECT_EQ(config.GetBallTrackingServer(0)->ID(), 2);
    EXPECT_EQ(config.GetBallTrackingServer(0)->PortNr(), 0);
}

// Other threads read while the main thread loads, edits and saves. Meaningful under
// ThreadSanitizer; elsewhere it shows that readers never see torn text.
TEST_F(ServerConfigTest, ValuesCanBeReadWhileTheMainThreadEdits) {
    config.load(iniName);
    std::atomic<bool> stop{false};
    std::thread reader([this, &stop] {
        while (!stop) {
            const QString server = config.NTPTimeServer();
            EXPECT_TRUE(server == QStringLiteral("pool.ntp.org") ||
                        server == QStringLiteral("ntp.example.org"));
            (void)config.PositionChange();
            (void)config.ServerPort();
            for (int i = 0; i < config.FieldSettingsCount(); ++i) {
                (void)config.GetFieldSettings(i);
            }
        }
    });
    for (int i = 0; i < 20; ++i) {
        config.setNTPTimeServer(i % 2 ? QStringLiteral("pool.ntp.org")
                                      : QStringLiteral("ntp.example.org"));
        config.setPositionChange(i);
        config.setServerPort(QString::number(4000 + i));
        config.AddFieldSetting()->setFieldID(i);
    }
    config.Save();
    stop = true;
    reader.join();
}

TEST(ServerConfigSingleton, IsCreatedOnce) {
    TqelServerConfig* first = ServerConfig();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(ServerConfig(), first);
}

}  // namespace
