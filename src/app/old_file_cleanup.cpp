#include "app/old_file_cleanup.h"

#include <QDir>
#include <QFileInfo>

namespace qel {

void CleanDirectory(const QString& aFolder, const QStringList& aMasks, int aDays, TDateTime aNow,
                    const TrashFile& aTrash, const std::function<void(const QString&)>& aLog) {
    if (aFolder.isEmpty() || !QFileInfo(aFolder).isDir())
        return;
    const QDateTime limit = DateTimeToQDateTime(DateOf(aNow) - aDays);
    const QFileInfoList files =
        QDir(aFolder).entryInfoList(aMasks, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo& file : files) {
        if (file.lastModified() >= limit)
            continue;
        const QString path = file.absoluteFilePath();
        if (aTrash(path))
            aLog(QStringLiteral("CleanDirectory - Deleted: ") + path);
        else
            aLog(QStringLiteral("CleanDirectory - Not deleted: ") + path);
    }
}

}  // namespace qel
