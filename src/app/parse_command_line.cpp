#include "app/parse_command_line.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "foundation/settings/server_config.h"

namespace qel {

namespace {

// The settings file a parameter names, or empty when it names none.
QString SettingsFileOf(const QString& aParameter, const QString& aProgramFolder) {
    if (!aParameter.endsWith(QLatin1String(".ini"), Qt::CaseInsensitive))
        return {};
    const bool hasFolder = aParameter.contains(QLatin1Char('/'));
    const QString fileName = hasFolder ? aParameter : QDir(aProgramFolder).filePath(aParameter);
    return QFileInfo(fileName).isFile() ? fileName : QString();
}

}  // namespace

void ParseCommandLine(TqelServerConfig& aConfig, const QStringList& aParameters,
                      const QString& aProgramFolder) {
    static const QStringList kLanguages = {QStringLiteral("ru"), QStringLiteral("en"),
                                           QStringLiteral("de"), QStringLiteral("nl")};
    for (const QString& parameter : aParameters) {
        const QString lower = parameter.toLower();
        if (lower.startsWith(QLatin1Char('/')) && kLanguages.contains(lower.mid(1))) {
            aConfig.setSelectedLanguage(lower.mid(1));
            continue;
        }
        const QString fileName = SettingsFileOf(parameter, aProgramFolder);
        if (!fileName.isEmpty())
            aConfig.setIniFileName(fileName);
    }
}

}  // namespace qel

void ParseCommandLine() {
    qel::ParseCommandLine(*ServerConfig(), QCoreApplication::arguments().mid(1),
                          QCoreApplication::applicationDirPath());
}
