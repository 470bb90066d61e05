#include "measurement/drivers/prepared_transponder_ini.h"

#include <QSaveFile>

#include "foundation/system/relative_paths.h"

namespace qel {

QByteArray PreparedTransponderIniBytes(const QStringList& aLines) {
    QByteArray bytes;
    for (const QString& line : aLines) {
        bytes.reserve(bytes.size() + line.size() + 2);
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line.at(i);
            if (c.unicode() < 0x80) {
                bytes.append(static_cast<char>(c.unicode()));
                continue;
            }
            // One "?" per character, not per UTF-16 half of one.
            if (c.isHighSurrogate() && i + 1 < line.size() && line.at(i + 1).isLowSurrogate()) {
                ++i;
            }
            bytes.append('?');
        }
        bytes.append("\r\n");
    }
    return bytes;
}

QString PreparedTransponderIniPath() {
    // ResolveRelativePath of the empty path is the executable's folder with its separator.
    return ResolveRelativePath(QString()) + QStringLiteral("Prepared_Transponder.ini");
}

bool WritePreparedTransponderIni(const QStringList& aLines, QString* aError) {
    QSaveFile file(PreparedTransponderIniPath());
    const QByteArray bytes = PreparedTransponderIniBytes(aLines);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (aError) {
            *aError = file.errorString();
        }
        return false;
    }
    return true;
}

}  // namespace qel
