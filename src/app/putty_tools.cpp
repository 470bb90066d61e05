#include "app/putty_tools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace qel {

void LinkPuttyTools(const QString& aFolder) {
    for (const char* name : {"putty", "plink", "pscp"}) {
        const QString tool = QString::fromLatin1(name);
        const QString target = QDir(aFolder).filePath(tool);
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
            continue;
        const QString installed = QStandardPaths::findExecutable(tool);
        if (!installed.isEmpty())
            QFile::link(installed, target);
    }
}

}  // namespace qel
