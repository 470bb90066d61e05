#include "foundation/system/relative_paths.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

#include "platform/shared_values.h"

namespace {

qel::SharedText gFolderForTests;

bool IsSeparator(QChar aChar) {
    return aChar == u'\\' || aChar == u'/';
}

QStringList SplitPath(const QString& aPath) {
    static const QRegularExpression kSeparators(QStringLiteral("[\\\\/]"));
    return aPath.split(kSeparators);
}

void DropEmptyTail(QStringList& aPieces) {
    while (!aPieces.isEmpty() && aPieces.last().isEmpty()) {
        aPieces.removeLast();
    }
}

// "C:", "C:\..." or "\\server\share": Windows paths that have no meaning relative to us.
bool IsDriveOrUncPath(const QString& aPath) {
    if (aPath.size() >= 2 && aPath[1] == u':' && aPath[0].unicode() < 0x80 && aPath[0].isLetter()) {
        return aPath.size() == 2 || IsSeparator(aPath[2]);
    }
    return aPath.size() >= 2 && IsSeparator(aPath[0]) && IsSeparator(aPath[1]);
}

QString WithTrailingSeparator(const QString& aPath, QChar aSeparator) {
    if (!aPath.isEmpty() && IsSeparator(aPath.back())) {
        return aPath;
    }
    return aPath + aSeparator;
}

}  // namespace

QString ResolveRelativePath(const QString& aPath) {
    if (aPath.isEmpty()) {
        return WithTrailingSeparator(qel::ExecutableFolder(), u'/');
    }
    if (IsDriveOrUncPath(aPath)) {
        const bool slashes = aPath.contains(u'/') && !aPath.contains(u'\\');
        return WithTrailingSeparator(aPath, slashes ? u'/' : u'\\');
    }
    QStringList pieces = SplitPath(aPath);
    if (pieces.first() != u".." && pieces.first() != u".") {
        return WithTrailingSeparator(QString(aPath).replace(u'\\', u'/'), u'/');
    }
    QStringList folder = SplitPath(qel::ExecutableFolder());
    DropEmptyTail(folder);
    DropEmptyTail(pieces);
    while (!pieces.isEmpty() && pieces.first() == u".." && !folder.isEmpty()) {
        folder.removeLast();
        pieces.removeFirst();
    }
    if (!pieces.isEmpty() && pieces.first() == u".") {
        pieces.removeFirst();
    }
    QString result = folder.join(u'/') + u'/';
    if (!pieces.isEmpty()) {
        result += pieces.join(u'/') + u'/';
    }
    return result;
}

QString ExpandRelativeFileName(const QString& aFileName) {
    qsizetype split = aFileName.size();
    while (split > 0 && !IsSeparator(aFileName[split - 1])) {
        --split;
    }
    return ResolveRelativePath(aFileName.left(split)) + aFileName.mid(split);
}

namespace qel {

QString ExecutableFolder() {
    QString folder = gFolderForTests.get();
    return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}

void SetExecutableFolderForTests(const QString& aFolder) {
    gFolderForTests.set(aFolder);
}

}  // namespace qel
