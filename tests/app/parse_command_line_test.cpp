#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app/parse_command_line.h"
#include "app/translation.h"
#include "foundation/settings/server_config.h"
#include "support/temp_folder.h"

namespace {

void Touch(const QString& aFileName) {
    QDir().mkpath(QFileInfo(aFileName).absolutePath());
    QFile file(aFileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST(ParseCommandLineTest, LanguagesAndSettingsFiles) {
    qel::test::TempFolder folder;
    const QString programFolder = folder.file(QStringLiteral("bin"));
    const QString bare = programFolder + QStringLiteral("/Server.ini");
    const QString withFolder = folder.file(QStringLiteral("Site A/Match.INI"));
    Touch(bare);
    Touch(withFolder);
    Touch(folder.file(QStringLiteral("notes.txt")));

    const QString untouched = QStringLiteral("<default>");
    struct Case {
        const char* Name;
        QStringList Parameters;
        QString Language;
        QString IniFile;
    } const cases[] = {
        {"switch in capitals", {"/DE"}, "de", untouched},
        {"bare name from the program folder", {"Server.ini"}, "", bare},
        {"path with folder keeps its case", {withFolder}, "", withFolder},
        {"missing file", {folder.file("missing.ini")}, "", untouched},
        {"bare name not in the program folder", {"Match.INI"}, "", untouched},
        {"not an ini file", {folder.file("notes.txt")}, "", untouched},
        {"two languages, last wins", {"/de", "/Nl"}, "nl", untouched},
        {"language then ini", {"/ru", withFolder}, "ru", withFolder},
        {"ini then language", {withFolder, "/ru"}, "ru", withFolder},
        {"later ini wins", {withFolder, "Server.ini"}, "", bare},
        {"unknown switches", {"--headless", "/fr", "-de"}, "", untouched},
    };
    for (const Case& c : cases) {
        TqelServerConfig config;
        config.setIniFileName(untouched);
        qel::ParseCommandLine(config, c.Parameters, programFolder);
        EXPECT_EQ(config.SelectedLanguage(), c.Language) << c.Name;
        EXPECT_EQ(config.IniFileName(), c.IniFile) << c.Name;
    }
}

TEST(ParseCommandLineTest, LanguageComesFromCommandLineThenSettingsThenEnglish) {
    struct Case {
        QStringList Parameters;
        QString DefaultLanguage;
        QString Expected;
    } const cases[] = {
        {{"/nl"}, "de", "nl"},
        {{}, "de", "de"},
        {{}, "", "en"},
    };
    for (const Case& c : cases) {
        TqelServerConfig config;
        config.setDefaultLanguage(c.DefaultLanguage);
        qel::ParseCommandLine(config, c.Parameters, QDir::tempPath());
        EXPECT_EQ(config.GetSelectedLanguage(), c.Expected) << c.Parameters.join(' ').toStdString();
    }
}

TEST(ParseCommandLineTest, GermanCatalogueShowsUnderDe) {
    TqelServerConfig config;
    qel::ParseCommandLine(config, {QStringLiteral("/DE")}, QDir::tempPath());
    qel::SetUpTranslation(QStringLiteral(QEL_LOCALE_DIR));
    qel::UseLanguage(config.GetSelectedLanguage());
    const QString german = qel::Translate("positive X-axis");
    const QString untranslated = qel::Translate("no such text");
    qel::UseLanguage(QStringLiteral("en"));

    EXPECT_EQ(german, "positive X-Achse");
    EXPECT_EQ(untranslated, "no such text");
    EXPECT_EQ(qel::Translate("positive X-axis"), "positive X-axis");
}

}  // namespace
