#include <gtest/gtest.h>

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <cmath>

#include "platform/ini_file.h"
#include "support/temp_folder.h"

namespace {

using qel::IniEncoding;
using qel::IniFile;

void WriteBytes(const QString& aFileName, const QByteArray& aBytes) {
    QFile file(aFileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(aBytes), aBytes.size());
}

QByteArray ReadBytes(const QString& aFileName) {
    QFile file(aFileName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

class IniFileTest : public ::testing::Test {
protected:
    QString fixture(const QByteArray& aBytes) {
        const QString name = folder.file(QStringLiteral("settings.ini"));
        WriteBytes(name, aBytes);
        return name;
    }

    qel::test::TempFolder folder;
};

TEST_F(IniFileTest, ReadsValuesAsWindowsProfilesDo) {
    const struct {
        const char* name;
        QByteArray file;
        const char* section;
        const char* key;
        const char* expected;  // nullptr: the default
    } cases[] = {
        {"section and key ignore case", "[General]\r\nCamera count=3\r\n", "GENERAL",
         "camera Count", "3"},
        {"blanks around key and value", "[S]\r\n  Key \t=  a  b \t\r\n", "S", "Key", "a  b"},
        {"blanks around the section name", "[ S ]\r\nA=1\r\n", "s", "A", "1"},
        {"one pair of double quotes stripped", "[S]\r\nA=\"\"x\"\"\r\n", "S", "A", "\"x\""},
        {"quotes keep inner blanks", "[S]\r\nA= \"  x \" \r\n", "S", "A", "  x "},
        {"single quotes are the value's own", "[S]\r\nA='B;C=0'\r\n", "S", "A", "'B;C=0'"},
        {"a lone quote stays", "[S]\r\nA=\"\r\n", "S", "A", "\""},
        {"a value may hold =", "[S]\r\nA=b=c\r\n", "S", "A", "b=c"},
        {"empty value", "[S]\r\nA=\r\n", "S", "A", ""},
        {"first duplicate key wins", "[S]\r\nA=1\r\na=2\r\n", "S", "A", "1"},
        {"first duplicate section wins", "[S]\r\nA=1\r\n[s]\r\nA=2\r\nB=3\r\n", "S", "A", "1"},
        {"later duplicate section is hidden", "[S]\r\nA=1\r\n[s]\r\nB=3\r\n", "S", "B", nullptr},
        {"LF line ends", "[S]\nA=1\nB=2", "S", "B", "2"},
        {"mixed line ends", "[S]\r\nA=1\nB=2\r\n", "S", "A", "1"},
        {"comment is no key", "[S]\r\n;A=1\r\n", "S", "A", nullptr},
        {"line without = is no key", "[S]\r\nA\r\n", "S", "A", nullptr},
        {"keys before any section are ignored", "A=1\r\n[S]\r\n", "S", "A", nullptr},
        {"key of another section", "[S]\r\nA=1\r\n[T]\r\n", "T", "A", nullptr},
        {"missing section", "", "S", "A", nullptr},
        {"header without closing bracket", "[S\r\nA=1\r\n", "S", "A", "1"},
    };
    for (const auto& c : cases) {
        IniFile ini(fixture(c.file));
        const QString value = ini.ReadString(QString::fromUtf8(c.section), QString::fromUtf8(c.key),
                                             QStringLiteral("<def>"));
        EXPECT_EQ(value, c.expected ? QString::fromUtf8(c.expected) : QStringLiteral("<def>"))
            << c.name;
        EXPECT_EQ(ini.ValueExists(QString::fromUtf8(c.section), QString::fromUtf8(c.key)),
                  c.expected != nullptr)
            << c.name;
    }
}

TEST_F(IniFileTest, ConvertsNumbersAndBooleans) {
    const struct {
        const char* text;
        int32_t integer;  // with default -99
        bool boolean;     // with default true
    } integers[] = {
        {"12", 12, true},          {" -7 ", -7, true},
        {"+5", 5, true},           {"0", 0, false},
        {"$1F", 31, true},         {"0x10", 16, true},
        {"$FFFFFFFF", -1, true},   {"-2147483648", INT32_MIN, true},
        {"2147483648", -99, true}, {"12abc", -99, true},
        {"1.5", -99, true},        {"", -99, true},
        {"$", -99, true},          {"99999999999999999999", -99, true},
    };
    for (const auto& c : integers) {
        IniFile ini(fixture(QByteArray("[S]\r\nA=") + c.text + "\r\n"));
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("A"), -99), c.integer)
            << c.text;
        EXPECT_EQ(ini.ReadBool(QStringLiteral("S"), QStringLiteral("A"), true), c.boolean)
            << c.text;
    }

    const struct {
        const char* text;
        double expected;  // with default -99
    } floats[] = {
        {"1.25", 1.25},     {"1,25", 1.25}, {"-0.5", -0.5}, {"+2", 2},    {"1E3", 1000},
        {"1,5e-3", 0.0015}, {".5", 0.5},    {"5.", 5},      {"abc", -99}, {"1.2.3", -99},
        {"1,234.5", -99},   {"", -99},      {"inf", -99},   {"nan", -99}, {"1e999", -99},
        {"1e", -99},        {"-", -99},     {"0x10", -99},
    };
    for (const auto& c : floats) {
        IniFile ini(fixture(QByteArray("[S]\r\nA=") + c.text + "\r\n"));
        EXPECT_EQ(ini.ReadFloat(QStringLiteral("S"), QStringLiteral("A"), -99, QLatin1Char(',')),
                  c.expected)
            << c.text;
    }
}

TEST(IniFileFloatText, WritesTheShortestTextOfFifteenDigits) {
    const struct {
        double value;
        char separator;
        const char* expected;
    } cases[] = {
        {0, '.', "0"},
        {1, '.', "1"},
        {100, ',', "100"},
        {0.25, ',', "0,25"},
        {-2.5, '.', "-2.5"},
        {1.0 / 3, '.', "0.333333333333333"},
        {123456789012345.0, '.', "123456789012345"},
        {1e15, '.', "1E15"},
        {1.5e17, ',', "1,5E17"},
        {0.00001, '.', "0.00001"},
        {1.5e-7, '.', "1.5E-7"},
        {0.1 + 0.2, '.', "0.3"},
        {std::nan(""), '.', "NAN"},
        {-INFINITY, '.', "-INF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IniFile::FloatToText(c.value, QLatin1Char(c.separator)),
                  QString::fromLatin1(c.expected))
            << c.expected;
    }
}

// What the program does not know keeps its text and place; new keys go to the end of their
// section, new sections to the end of the file.
TEST_F(IniFileTest, SavingKeepsEverythingElseInPlace) {
    const QString name = fixture(
        "; written by hand\r\n"
        "[General]\r\n"
        "Server IniFile Version = 1\r\n"
        "  Unknown Key=  spaced  \r\n"
        "TCP Server Port=2378\r\n"
        "\r\n"
        "; leads into the next section\r\n"
        "[Mystery]\r\n"
        "x=\"quoted\"\r\n"
        "odd line without equals\r\n"
        "[Control]\r\n");
    IniFile ini(name);
    ini.WriteInteger(QStringLiteral("general"), QStringLiteral("Server IniFile Version"), 1);
    ini.WriteInteger(QStringLiteral("General"), QStringLiteral("tcp server port"), 4000);
    ini.WriteString(QStringLiteral("General"), QStringLiteral("Client Ini Location"),
                    QStringLiteral("  padded"));
    ini.WriteBool(QStringLiteral("Control"), QStringLiteral("Log communication"), true);
    ini.WriteFloat(QStringLiteral("Files"), QStringLiteral("Change"), 1.5, QLatin1Char(','));
    ini.WriteString(QStringLiteral("Files"), QStringLiteral("Multi"), QStringLiteral("a\r\nb\nc"));
    ini.UpdateFile();
    EXPECT_EQ(ReadBytes(name), QByteArray("; written by hand\r\n"
                                          "[General]\r\n"
                                          "Server IniFile Version = 1\r\n"
                                          "  Unknown Key=  spaced  \r\n"
                                          "tcp server port=4000\r\n"
                                          "Client Ini Location=\"  padded\"\r\n"
                                          "\r\n"
                                          "; leads into the next section\r\n"
                                          "[Mystery]\r\n"
                                          "x=\"quoted\"\r\n"
                                          "odd line without equals\r\n"
                                          "[Control]\r\n"
                                          "Log communication=1\r\n"
                                          "\r\n"
                                          "[Files]\r\n"
                                          "Change=1,5\r\n"
                                          "Multi=a  b c\r\n"));
    IniFile again(name);
    EXPECT_EQ(again.ReadString(QStringLiteral("General"), QStringLiteral("Client Ini Location"),
                               QString()),
              QStringLiteral("  padded"));
}

TEST_F(IniFileTest, ValuesComeBackAsWritten) {
    const QString name = folder.file(QStringLiteral("new.ini"));
    const QStringList values = {QStringLiteral(" lead"),
                                QStringLiteral("trail\t"),
                                QStringLiteral("\"both\""),
                                QStringLiteral("\""),
                                QStringLiteral("a=b;c"),
                                QStringLiteral("'x''y'"),
                                QString(),
                                QStringLiteral("[not a section]")};
    {
        IniFile ini(name);
        for (int i = 0; i < values.size(); ++i) {
            ini.WriteString(QStringLiteral("S"), QStringLiteral("K%1").arg(i), values[i]);
        }
        ini.UpdateFile();
    }
    IniFile ini(name);
    for (int i = 0; i < values.size(); ++i) {
        EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("K%1").arg(i),
                                 QStringLiteral("<def>")),
                  values[i]);
    }
}

TEST_F(IniFileTest, ListsErasesAndDeletes) {
    IniFile ini(fixture("[A]\r\nx=1\r\ny=2\r\nX=3\r\n[b]\r\nz=4\r\n[a]\r\nw=5\r\n[C]\r\n"));
    EXPECT_EQ(ini.ReadSections(),
              QStringList({QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("C")}));
    EXPECT_EQ(ini.ReadSection(QStringLiteral("a")),
              QStringList({QStringLiteral("x"), QStringLiteral("y")}));
    EXPECT_EQ(ini.ReadSectionValues(QStringLiteral("A")),
              QStringList({QStringLiteral("x=1"), QStringLiteral("y=2")}));
    EXPECT_TRUE(ini.SectionExists(QStringLiteral("c")));
    EXPECT_TRUE(ini.ReadSection(QStringLiteral("C")).isEmpty());

    // Deleting a key removes its duplicates too, so that none of them comes back.
    ini.DeleteKey(QStringLiteral("A"), QStringLiteral("X"));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("A"), QStringLiteral("x")));
    // Erasing a section removes its duplicates for the same reason.
    ini.EraseSection(QStringLiteral("A"));
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("a")));
    EXPECT_EQ(ini.ReadString(QStringLiteral("B"), QStringLiteral("z"), QString()),
              QStringLiteral("4"));
    ini.EraseSection(QStringLiteral("nothing"));
    ini.DeleteKey(QStringLiteral("nothing"), QStringLiteral("z"));
    EXPECT_EQ(ini.Text(), QStringLiteral("[b]\r\nz=4\r\n[C]\r\n"));
}

TEST_F(IniFileTest, KeepsTheFileEncoding) {
    // "Zoë €" in each encoding, and the same file after a new key "K=ü" was added.
    const QString value = QStringLiteral("Zo\u00EB \u20AC");
    const struct {
        const char* name;
        QByteArray file;
        IniEncoding encoding;
        QByteArray written;
    } cases[] = {
        {"Windows-1252", QByteArray("[S]\r\nA=Zo\xEB \x80\r\n"), IniEncoding::Ansi,
         QByteArray("[S]\r\nA=Zo\xEB \x80\r\nK=\xFC\r\n")},
        {"UTF-8", QByteArray("\xEF\xBB\xBF[S]\nA=Zo\xC3\xAB \xE2\x82\xAC\n"), IniEncoding::Utf8Bom,
         QByteArray("\xEF\xBB\xBF[S]\r\nA=Zo\xC3\xAB \xE2\x82\xAC\r\nK=\xC3\xBC\r\n")},
        {"UTF-16LE",
         QByteArray("\xFF\xFE[\0S\0]\0\r\0\n\0A\0=\0Z\0o\0\xEB\0 \0\xAC\x20\r\0\n\0", 30),
         IniEncoding::Utf16LE,
         QByteArray("\xFF\xFE[\0S\0]\0\r\0\n\0A\0=\0Z\0o\0\xEB\0 \0\xAC\x20\r\0\n\0"
                    "K\0=\0\xFC\0\r\0\n\0",
                    40)},
        {"UTF-16BE",
         QByteArray("\xFE\xFF\0[\0S\0]\0\r\0\n\0A\0=\0Z\0o\0\xEB\0 \x20\xAC\0\r\0\n", 30),
         IniEncoding::Utf16BE,
         QByteArray("\xFE\xFF\0[\0S\0]\0\r\0\n\0A\0=\0Z\0o\0\xEB\0 \x20\xAC\0\r\0\n"
                    "\0K\0=\0\xFC\0\r\0\n",
                    40)},
    };
    for (const auto& c : cases) {
        const QString name = fixture(c.file);
        IniFile ini(name);
        EXPECT_EQ(ini.Encoding(), c.encoding) << c.name;
        EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("A"), QString()), value)
            << c.name;
        ini.WriteString(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("\u00FC"));
        ini.UpdateFile();
        EXPECT_EQ(ReadBytes(name), c.written) << c.name;
    }
}

TEST_F(IniFileTest, TextBeyondWindows1252TurnsTheFileIntoUtf8) {
    // Every byte of an ANSI file survives, also those without a character of their own.
    const QString name = fixture("[S]\r\nA=\x81\x8D\xFF\r\n");
    IniFile ini(name);
    ini.WriteString(QStringLiteral("S"), QStringLiteral("B"), QStringLiteral("x"));
    ini.UpdateFile();
    EXPECT_EQ(ReadBytes(name), QByteArray("[S]\r\nA=\x81\x8D\xFF\r\nB=x\r\n"));

    ini.WriteString(QStringLiteral("S"), QStringLiteral("B"), QStringLiteral("\u03A9"));
    ini.UpdateFile();
    EXPECT_EQ(ini.Encoding(), IniEncoding::Utf8Bom);
    EXPECT_EQ(ReadBytes(name), QByteArray("\xEF\xBB\xBF[S]\r\nA=\xC2\x81\xC2\x8D\xC3\xBF\r\n"
                                          "B=\xCE\xA9\r\n"));
    EXPECT_EQ(IniFile(name).ReadString(QStringLiteral("S"), QStringLiteral("B"), QString()),
              QStringLiteral("\u03A9"));
}

TEST_F(IniFileTest, UnchangedValueKeepsItsLine) {
    const QString name = fixture("[S]\r\nA =  \"1\" \r\n");
    IniFile ini(name);
    ini.WriteString(QStringLiteral("s"), QStringLiteral("a"), QStringLiteral("1"));
    ini.UpdateFile();
    EXPECT_EQ(ReadBytes(name), QByteArray("[S]\r\nA =  \"1\" \r\n"));
}

TEST_F(IniFileTest, MissingFileReadsEmptyAndIsCreatedOnSave) {
    const QString name = folder.file(QStringLiteral("missing.ini"));
    IniFile ini(name);
    EXPECT_TRUE(ini.ReadSections().isEmpty());
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("A"), 7), 7);
    ini.WriteInteger(QStringLiteral("S"), QStringLiteral("A"), 1);
    ini.WriteInteger(QStringLiteral("T"), QStringLiteral("B"), 2);
    ini.UpdateFile();
    EXPECT_EQ(ReadBytes(name), QByteArray("[S]\r\nA=1\r\n\r\n[T]\r\nB=2\r\n"));
}

// A save replaces the file instead of rewriting it: a second link to the old file keeps the
// old text, and no temporary file is left behind.
TEST_F(IniFileTest, SavesThroughATemporaryFileAndARename) {
    const QString name = fixture("[S]\r\nA=1\r\n");
    const QString link = folder.file(QStringLiteral("link.ini"));
    ASSERT_EQ(::link(QFile::encodeName(name).constData(), QFile::encodeName(link).constData()), 0);
    IniFile ini(name);
    ini.WriteInteger(QStringLiteral("S"), QStringLiteral("A"), 2);
    ini.UpdateFile();
    EXPECT_EQ(ReadBytes(name), QByteArray("[S]\r\nA=2\r\n"));
    EXPECT_EQ(ReadBytes(link), QByteArray("[S]\r\nA=1\r\n"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({QStringLiteral("link.ini"), QStringLiteral("settings.ini")}));
}

TEST_F(IniFileTest, UnreadableOrUnwritableFilesRaise) {
    // A folder in place of the file cannot be read as one.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("folder.ini")));
    EXPECT_THROW(IniFile(folder.file(QStringLiteral("folder.ini"))), EIniFileException);

    QFile huge(folder.file(QStringLiteral("huge.ini")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(33 * 1024 * 1024));
    huge.close();
    EXPECT_THROW(IniFile(huge.fileName()), EIniFileException);

    IniFile ini(folder.file(QStringLiteral("no/such/folder.ini")));
    ini.WriteInteger(QStringLiteral("S"), QStringLiteral("A"), 1);
    EXPECT_THROW(ini.UpdateFile(), EIniFileException);
}

TEST_F(IniFileTest, RefusesNamesThatWouldBreakTheFile) {
    IniFile ini(folder.file(QStringLiteral("x.ini")));
    EXPECT_THROW(ini.WriteString(QStringLiteral("A]B"), QStringLiteral("K"), QString()),
                 EAssertionFailed);
    EXPECT_THROW(ini.WriteString(QStringLiteral("S"), QStringLiteral("K=1"), QString()),
                 EAssertionFailed);
    EXPECT_THROW(ini.WriteString(QStringLiteral("S"), QString(), QString()), EAssertionFailed);
    EXPECT_THROW(ini.WriteString(QStringLiteral("S"), QStringLiteral(";K"), QString()),
                 EAssertionFailed);
}

}  // namespace

namespace {

TEST(IniBackup, NameReplacesTheExtensionWithTheDate) {
    const TDateTime day = EncodeDate(2020, 8, 14) + 0.75;
    const struct {
        const char* file;
        const char* backup;
    } cases[] = {
        {"/cfg/qelServer.ini", "/cfg/qelServer_ini_20200814.bak"},
        {"/cfg.d/qelServer", "/cfg.d/qelServer_ini_20200814.bak"},
        {"C:\\a.b\\settings.old.ini", "C:\\a.b\\settings.old_ini_20200814.bak"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qel::IniBackupFileName(QString::fromLatin1(c.file), day),
                  QString::fromLatin1(c.backup));
    }
    qel::test::TempFolder folder;
    EXPECT_FALSE(qel::BackupIniFile(folder.file(QStringLiteral("missing.ini"))));
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

}  // namespace
