#include "foundation/settings/client_config.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "foundation/logging/logger.h"
#include "foundation/system/relative_paths.h"
#include "foundation/text_utils.h"
#include "platform/ini_file.h"
#include "support/temp_folder.h"

namespace {

void WriteText(const QString& aFileName, const QByteArray& aText) {
    QFile file(aFileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(aText);
}

QByteArray ReadText(const QString& aFileName) {
    QFile file(aFileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The executable stands in <temp>/A/B/bin from before the settings are created, so that the
// folder defaults resolve inside the test's folder.
class ClientConfigTest : public ::testing::Test {
protected:
    ClientConfigTest() { qel::SetExecutableFolderForTests(exeFolder); }
    ~ClientConfigTest() override { qel::SetExecutableFolderForTests(QString()); }

    void load(const QByteArray& aText) {
        WriteText(iniName, aText);
        config->loadFromIni(iniName);
    }
    QString base() const { return folder.path() + QStringLiteral("/A/B/"); }

    qel::test::TempFolder folder;
    QString exeFolder = folder.path() + QStringLiteral("/A/B/bin");
    QString iniName = folder.file(QStringLiteral("client.ini"));
    std::unique_ptr<TqelClientConfig> config = [this] {
        qel::SetExecutableFolderForTests(exeFolder);
        return std::make_unique<TqelClientConfig>();
    }();
};

TEST_F(ClientConfigTest, FixtureWithEveryKindOfValueLoads) {
    load(
        "[General]\r\n"
        "IniFileVersion=2\r\n"
        "Login Required=1\r\n"
        "Default Sporttype=6\r\n"
        "NameRepresenting=$4\r\n"
        "Check Server Running=7\r\n"
        "Agility HTML File=agility.html\r\n"
        "BallPostProcessingPath=C:\\Tools\r\n"
        "Can Record=1\r\n"
        "[Server]\r\n"
        "Address=10.0.0.5\r\n"
        "Port=2400\r\n"
        "AutoConnect=0\r\n"
        "UseTelemetryID=0\r\n"
        "[DataSet]\r\n"
        "Directory=..\\recordings\r\n"
        "CreateSubDirs=1\r\n"
        "SubDirFormat=yyyy-mm\r\n"
        "[Files]\r\n"
        "CopyVideofileOnAttach=2\r\n"
        "[Calculations]\r\n"
        "CalcHeartbeatInterval=0x10\r\n"
        "MaxPower=62.5\r\n"
        "PositionSensitivity=not a number\r\n"
        "[PTZ Controller]\r\n"
        "Pan Dir=1\r\n"
        "Zoom Invert=1\r\n"
        "[Proxy]\r\n"
        "Password=lz|mzk\r\n"
        "Port=3128\r\n"
        "[Time On Ice]\r\n"
        "Period Duration In Sec=900\r\n"
        "[Absolute speed zone 0]\r\n"
        "Color=clNavy\r\n"
        "[Absolute speed zone 1]\r\n"
        "Color=$00123456\r\n"
        "[Weather]\r\n"
        "Location=Ghent\r\n"
        "Enabled=1\r\n"
        "APIKey=k-1\r\n");
    const TqelClientConfig& c = *config;
    EXPECT_EQ(c.FileVersion(), 2);
    EXPECT_TRUE(c.LoginRequired());
    EXPECT_EQ(c.Sport(), sportIceHockey);
    EXPECT_EQ(c.NameRepresenting(), nrpLastFirst);
    EXPECT_TRUE(c.CheckServerRunning());
    EXPECT_EQ(c.AgilityHTMLFile(), "agility.html");
    EXPECT_EQ(c.BallPostProcessingPath(), "C:\\Tools\\");
    EXPECT_EQ(c.BallPostProcessingTool(), "C:\\Tools\\post_processing.exe");
    EXPECT_TRUE(c.Canrecord());
    EXPECT_FALSE(c.IsMainClient());
    EXPECT_EQ(c.ServerAddress(), "10.0.0.5");
    EXPECT_EQ(c.ServerPort(), "2400");
    EXPECT_FALSE(c.ServerAutoConnect());
    EXPECT_FALSE(c.UseAccelerometer());
    EXPECT_EQ(c.DatasetDir(), base() + "recordings/");
    EXPECT_TRUE(c.DataSetDirCreateSub());
    EXPECT_EQ(c.DataSetDirSubFormat(), "yyyy-mm");
    EXPECT_EQ(c.CopyVideoFileOnAttach(), coaMoveFiles);
    EXPECT_EQ(c.CalcHeartbeatInterval(), 16);
    EXPECT_DOUBLE_EQ(c.MaxPower(), 62.5);
    EXPECT_EQ(c.PositionSensitivity(), 100);
    EXPECT_EQ(c.PTZPanDir(), ptzXMove);
    EXPECT_EQ(c.PTZTiltDir(), ptzXRoll);
    EXPECT_EQ(c.PTZZoomSense(), 10);
    EXPECT_TRUE(c.PTZZoomInvert());
    EXPECT_EQ(c.ProxyPassword(), "secret");
    EXPECT_EQ(c.ProxyPort(), 3128);
    EXPECT_EQ(c.TimeOnIcePeriodDurationInSec(), 900u);
    EXPECT_EQ(config->AbsoluteSpeedZones().GetZone(0).Color, clNavy);
    EXPECT_EQ(config->AbsoluteSpeedZones().GetZone(1).Color, 0x00123456u);
    EXPECT_EQ(config->AbsoluteSpeedZones().GetZone(2).Color, clBlue);
    EXPECT_EQ(c.OpenWeatherMapsLocation(), "Ghent");
    EXPECT_TRUE(c.OpenWeatherMapsEnabled());
    EXPECT_EQ(c.OpenWeatherMapsAPIKey(), "k-1");
    // Keys the file lacks take their load defaults.
    EXPECT_EQ(c.IPCAPIBaseUrl(), qel::kIPCAPIBaseUrl);
    EXPECT_EQ(c.StatsLivePort(), 31151);
    EXPECT_EQ(c.NMEABaudRate(), 9600);
    EXPECT_EQ(c.NOSHeartbeatAddress(), "127.0.0.1");
    EXPECT_EQ(c.HeartbeatSensitivity(), 75);
    EXPECT_FALSE(c.Modified());
}

TEST_F(ClientConfigTest, LoadedValuesAreClamped) {
    using Getter = int32_t (*)(const TqelClientConfig&);
    const Getter frameInterval = [](const TqelClientConfig& c) {
        return c.CalcSpeedFrameInterval();
    };
    const Getter sensitivity = [](const TqelClientConfig& c) { return c.PositionSensitivity(); };
    const Getter algorithm = [](const TqelClientConfig& c) {
        return int32_t{c.PositionAlgorithm()};
    };
    const Getter toString = [](const TqelClientConfig& c) {
        return int32_t{c.DefaultTransponderToString()};
    };
    struct Case {
        QByteArray Line;
        Getter Get;
        int32_t Loaded;
    };
    const Case cases[] = {
        {"[Calculations]\r\nCalcSpeedFrameInterval=20", frameInterval, 50},
        {"[Calculations]\r\nCalcSpeedFrameInterval=1000", frameInterval, 500},
        {"[Calculations]\r\nPositionSensitivity=0", sensitivity, 1},
        {"[Calculations]\r\nPositionSensitivity=250", sensitivity, 100},
        {"[Calculations]\r\nPositionAlgorithm=7", algorithm, 3},
        {"[Calculations]\r\nPositionAlgorithm=-1", algorithm, 3},
        {"[Calculations]\r\nPositionAlgorithm=4", algorithm, 4},
        {"[Visibility]\r\nTransponderToString=0", toString, 2},
        {"[Visibility]\r\nTransponderToString=6", toString, 2},
        {"[Visibility]\r\nTransponderToString=5", toString, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Line.toStdString());
        load(c.Line + "\r\n");
        EXPECT_EQ(c.Get(*config), c.Loaded);
    }
    WriteText(iniName, "[Visibility]\r\n");
    TqelClientConfig fresh;
    fresh.loadFromIni(iniName);
    EXPECT_EQ(fresh.DefaultTransponderToString(), ttsNameAndShirtNumber);
}

TEST_F(ClientConfigTest, SecondLoadKeepsCurrentValuesAndResetsFixedOnes) {
    load(
        "[Server]\r\nAddress=10.1.1.1\r\nPort=3000\r\n"
        "[Calculations]\r\nCalcHeartbeatInterval=4000\r\n"
        "[PTZ Controller]\r\nPan Sense=5\r\n"
        "[Proxy]\r\nPort=3128\r\n"
        "[Weather]\r\nLocation=Ghent\r\n"
        "[Database]\r\nAccesDB=C:\\db.mdb\r\n");
    // Port without Address: neither is read.
    load("[Server]\r\nPort=4000\r\n");
    EXPECT_EQ(config->ServerAddress(), "10.1.1.1");
    EXPECT_EQ(config->ServerPort(), "3000");
    EXPECT_EQ(config->CalcHeartbeatInterval(), 4000);
    EXPECT_EQ(config->ProxyPort(), 3128);
    EXPECT_EQ(config->PTZPanSense(), 10);
    EXPECT_EQ(config->OpenWeatherMapsLocation(), "");

    TqelClientConfig fresh;
    fresh.loadFromIni(iniName);
    EXPECT_EQ(fresh.ServerPort(), "2378");
}

TEST_F(ClientConfigTest, LanguageSetsTheSelectedLanguageOnce) {
    load("[User Interface]\r\nLanguage=de\r\n");
    EXPECT_EQ(config->DefaultLanguage(), "de");
    EXPECT_EQ(config->SelectedLanguage(), "de");
    load("[User Interface]\r\nLanguage=nl\r\n");
    EXPECT_EQ(config->DefaultLanguage(), "nl");
    EXPECT_EQ(config->SelectedLanguage(), "de");
    config->setDefaultLanguage(QStringLiteral("fr"));
    EXPECT_EQ(config->SelectedLanguage(), "fr");
}

TEST_F(ClientConfigTest, DirectoriesResolveAgainstTheExecutableFolder) {
    const QString top = folder.path() + QStringLiteral("/A/");
    struct Case {
        const char* Stored;
        QString Resolved;
    };
    const Case cases[] = {
        {"..\\..\\data", top + "data/"},
        {"..\\data\\", base() + "data/"},
        {".\\video", base() + "bin/video/"},
        {"D:\\Data", "D:\\Data\\"},
        {"", base() + "bin/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Stored);
        load(QByteArray("[Files]\r\nFieldDir=") + c.Stored + "\r\n");
        EXPECT_EQ(config->FieldDir(), c.Resolved);
    }
    TqelClientConfig fresh;
    EXPECT_EQ(fresh.DatasetDir(), base() + "data/");
    EXPECT_EQ(fresh.ReportsDir(), base() + "Reports/");
    EXPECT_EQ(fresh.StatsFilesDir(), base() + "Stats/");
    EXPECT_EQ(fresh.VideoDir(), base() + "bin/");

    fresh.setDefaultField(QStringLiteral("C:\\x\\pitch.fld"));
    EXPECT_EQ(fresh.DefaultField(), base() + "field/pitch.fld");
    fresh.setVideoDir(QStringLiteral("/srv/video"));
    EXPECT_EQ(fresh.VideoDir(), "/srv/video/");
    fresh.setIPCAPIBaseUrl(QStringLiteral("https://a.example"));
    EXPECT_EQ(fresh.IPCAPIBaseUrl(), "https://a.example/");
    fresh.setIPCAPIBaseUrl(QStringLiteral("https://b.example/"));
    EXPECT_EQ(fresh.IPCAPIBaseUrl(), "https://b.example/");
}

TEST_F(ClientConfigTest, MissingPostProcessingToolIsBuiltFromThePath) {
    load("[General]\r\n");
    EXPECT_EQ(config->BallPostProcessingTool(), "/post_processing.exe");
    load("[General]\r\nBallPostProcessingPath=C:\\Tools\\\r\nBallPostProcessingTool=x.exe\r\n");
    EXPECT_EQ(config->BallPostProcessingTool(), "x.exe");
}

TEST_F(ClientConfigTest, SaveRemovesDefaultsAndEmptySections) {
    load(
        "[Proxy]\r\nPort=3128\r\n"
        "[PTZ Controller]\r\nPan Dir=1\r\n"
        "[Calculations]\r\nCalcFreqInterval=40\r\nMaxPower=60\r\n"
        "[Client only]\r\nKeep=me\r\n"
        "[Files]\r\nFieldDir=..\\pitches\r\n"
        "[Database]\r\nConnectionstring=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=a.mdb\r\n");
    config->setProxyPort(8080);
    config->setPTZPanDir(ptzNone);
    config->setSportVUDBPassword(QStringLiteral("secret"));
    config->setDatasetDir(base() + QStringLiteral("data"));
    config->setMaxPower(50);
    ASSERT_TRUE(config->saveToIni());

    const qel::IniFile ini(iniName);
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("Proxy")));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("PTZ Controller"), QStringLiteral("Pan Dir")));
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("Calculations")));
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("Dataset")));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Client only"), QStringLiteral("Keep"), {}), "me");
    EXPECT_EQ(ini.ReadString(QStringLiteral("Files"), QStringLiteral("FieldDir"), {}),
              "..\\pitches");
    EXPECT_EQ(ini.ReadString(QStringLiteral("Database"), QStringLiteral("Connectionstring"), {}),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=a.mdb");
    EXPECT_EQ(ini.ReadString(QStringLiteral("General"), QStringLiteral("IniFileVersion"), {}), "2");
    EXPECT_EQ(ini.ReadString(QStringLiteral("General"), QStringLiteral("SettingsFromDatabase"), {}),
              "0");
    EXPECT_EQ(ini.ReadString(QStringLiteral("SportVU Database"), QStringLiteral("Password"), {}),
              "lz|mzk");
    // Always written, also at their defaults.
    EXPECT_EQ(ini.ReadString(QStringLiteral("NMEA"), QStringLiteral("BaudRate"), {}), "9600");
    EXPECT_EQ(
        ini.ReadString(QStringLiteral("NMEA"), QStringLiteral("Comport"), QStringLiteral("x")), "");
    EXPECT_FALSE(config->Modified());

    const QByteArray first = ReadText(iniName);
    ASSERT_TRUE(config->saveToIni());
    EXPECT_EQ(ReadText(iniName), first);

    config->loadFromIni(iniName);
    EXPECT_EQ(config->PTZPanDir(), ptzZYaw);
    EXPECT_EQ(config->SportVUDBPassword(), "secret");
}

TEST_F(ClientConfigTest, PasswordThatScramblingChangesIsSavedWithAWarning) {
    load("");
    QStringList lines;
    Logger().OnLog = [&lines](TlpmLogLevel, TlpmLogCategory, const QString& aLine) {
        lines << aLine;
    };
    config->setProxyPassword(QStringLiteral("pässwörd"));
    config->setStatsPassword(QStringLiteral("plain"));
    ASSERT_TRUE(config->saveToIni());
    Logger().OnLog = nullptr;
    ASSERT_EQ(lines.size(), 1) << lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("[Proxy] \"Password\"")))
        << lines[0].toStdString();
    EXPECT_TRUE(
        qel::IniFile(iniName).ValueExists(QStringLiteral("Proxy"), QStringLiteral("Password")));
}

TEST_F(ClientConfigTest, SaveCopiesTheOldFileToADatedBackup) {
    load("[General]\r\nLogin Required=1\r\n");
    QFile file(iniName);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2020, 5, 3), QTime(12, 0)),
                                 QFileDevice::FileModificationTime));
    file.close();
    const QString backup = folder.file(QStringLiteral("client_ini_20200503.bak"));
    WriteText(backup, "older copy");
    const QByteArray before = ReadText(iniName);
    ASSERT_TRUE(config->saveToIni());
    EXPECT_EQ(ReadText(backup), before);
}

TEST_F(ClientConfigTest, SaveThatCannotWriteReportsFailure) {
    config->setIniFileName(folder.file(QStringLiteral("missing/folder/client.ini")));
    EXPECT_FALSE(config->saveToIni());
}

TEST_F(ClientConfigTest, ConnectionStringHistory) {
    const QByteArray section = "[DatabaseConnectionStrings]\r\n";
    struct Case {
        const char* Name;
        QByteArray Stored;
        const char* FileName;
        const char* Value;
        QStringList Expected;
    };
    QByteArray eleven = section;
    QStringList firstTen{QStringLiteral("N")};
    for (int i = 1; i <= 11; ++i) {
        eleven += QByteArray::number(i) + "=E" + QByteArray::number(i) + "\r\n";
        if (i <= 9) {
            firstTen.append(QStringLiteral("E%1").arg(i));
        }
    }
    const Case cases[] = {
        {"third moves first", section + "1=A\r\n2=B\r\n3=C\r\n", "", "c", {"c", "A", "B"}},
        {"oldest dropped", eleven, "", "N", firstTen},
        {"blank entry dropped", section + "1=A\r\n2=  \r\n3=B\r\n", "", "X", {"X", "A", "B"}},
        {"file name second", section + "1=A\r\n2=F.mdb\r\n", "F.mdb", "X", {"X", "F.mdb", "A"}},
        {"file name itself", section + "1=A\r\n", "F.mdb", "F.mdb", {"A"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        load(c.Stored + "[Database]\r\nAccesDB=" + c.FileName + "\r\n");
        config->setDatabaseConnectionString(QString::fromLatin1(c.Value));
        EXPECT_EQ(config->DatabaseConnectionString(), c.Value);
        const qel::IniFile ini(iniName);
        QStringList stored;
        for (const QString& key : ini.ReadSection(QStringLiteral("DatabaseConnectionStrings"))) {
            stored.append(key + u'=' +
                          ini.ReadString(QStringLiteral("DatabaseConnectionStrings"), key, {}));
        }
        QStringList expected;
        for (qsizetype i = 0; i < c.Expected.size(); ++i) {
            expected.append(QStringLiteral("%1=%2").arg(i + 1).arg(c.Expected[i]));
        }
        EXPECT_EQ(stored, expected);
    }
}

TEST_F(ClientConfigTest, ConnectionStringHistoryText) {
    load("[Database]\r\nConnectionstring=X\r\n");
    EXPECT_EQ(config->DatabaseConnectionStringHistory(), "X");
    load(
        "[Database]\r\nConnectionstring=a\r\n"
        "[DatabaseConnectionStrings]\r\n1=A\r\n2=B\r\n");
    EXPECT_EQ(config->DatabaseConnectionStringHistory(), "A,B");
    load("[DatabaseConnectionStrings]\r\n1=Name=\"q\";x\r\n3=a,b\r\n");
    EXPECT_EQ(config->DatabaseConnectionStringHistory(), "\"Name=\"\"q\"\";x\",\"a,b\"");
}

TEST_F(ClientConfigTest, BadColourLoadsTheRest) {
    load(
        "[Absolute speed zone 1]\r\nColor=mauve\r\nDescription=walk\r\n"
        "[transponder default 3]\r\nColor=0xZZ\r\nName=Ann\r\nShirtNum=9\r\n"
        "[Zones]\r\nAbsolute speed zones=6\r\n"
        "[Weather]\r\nLocation=Ghent\r\n"
        "[General]\r\nNumber Sprint Categories=1\r\n");
    EXPECT_EQ(config->AbsoluteSpeedZones().GetZone(1).Color, clGreen);
    EXPECT_EQ(config->AbsoluteSpeedZones().GetZone(1).Description, "walk");
    const RqelTransponderDefaults& entry = config->getTransponderDefault(3);
    EXPECT_EQ(entry.Color, clRed);
    EXPECT_EQ(entry.AthleteName, "Ann");
    EXPECT_EQ(entry.ShirtNum, 9);
    EXPECT_EQ(config->OpenWeatherMapsLocation(), "Ghent");
    EXPECT_EQ(config->SprintCategories().size(), 1);
}

TEST_F(ClientConfigTest, TransponderDefaultOutsideTheTableIsTheBuiltInOne) {
    config->getTransponderDefault(99).ShirtNum = 42;
    RqelTransponderDefaults& outside = config->getTransponderDefault(100);
    EXPECT_FALSE(outside.Initialized);
    EXPECT_EQ(outside.ShirtNum, 100);
    EXPECT_EQ(outside.AthleteName, "Unknown athlete");
    outside.ShirtNum = 7;
    EXPECT_EQ(config->getTransponderDefault(-1).ShirtNum, -1);
    EXPECT_EQ(config->getTransponderDefault(99).ShirtNum, 42);
}

TEST_F(ClientConfigTest, FailedConnectionIsTheLoadError) {
    load("[Database]\r\nConnectionstring=Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb\r\n");
    EXPECT_FALSE(config->LoadError().isEmpty());
    const QString error = config->LoadError();
    load("[Weather]\r\nLocation=Ghent\r\n");
    EXPECT_EQ(config->LoadError(), error);
    EXPECT_EQ(config->OpenWeatherMapsLocation(), "Ghent");
}

// The player's settings of the user and of the machine live in the test's folder.
TEST_F(ClientConfigTest, VideoPlayerFolderPrefersTheUsersOwn) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.file("user"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, folder.file("machine"));
    const auto store = [](QSettings::Scope aScope, const QString& aValue) {
        QSettings(QSettings::NativeFormat, aScope, QStringLiteral("VideoLAN"),
                  QStringLiteral("VLC"))
            .setValue(QStringLiteral("InstallDir"), aValue);
    };
    EXPECT_EQ(config->VLCInstallDirectory(), "");
    store(QSettings::SystemScope, QStringLiteral("/opt/vlc"));
    EXPECT_EQ(config->VLCInstallDirectory(), "/opt/vlc");
    config->setVLCInstallDirectory(QStringLiteral("/home/v/vlc"));
    EXPECT_EQ(config->VLCInstallDirectory(), "/home/v/vlc");
    // Back to the machine's folder: the user's entry is emptied, the machine's applies again.
    config->setVLCInstallDirectory(QStringLiteral("/opt/vlc"));
    EXPECT_EQ(QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("VideoLAN"),
                        QStringLiteral("VLC"))
                  .value(QStringLiteral("InstallDir"))
                  .toString(),
              "");
    EXPECT_EQ(config->VLCInstallDirectory(), "/opt/vlc");
}

TEST(ClientConfigSingleton, IsCreatedOnce) {
    TqelClientConfig* first = ClientConfig();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(ClientConfig(), first);
}

}  // namespace
