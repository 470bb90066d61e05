#include "foundation/system/version_info.h"

#include <QDateTime>
#include <QFileInfo>

#include "build_version.h"

// A file version holds each part in 16 bits; a wider one would be cut.
static_assert(QEL_VERSION_MAJOR >= 0 && QEL_VERSION_MAJOR <= 0xFFFF, "major must fit 16 bits");
static_assert(QEL_VERSION_MINOR >= 0 && QEL_VERSION_MINOR <= 0xFFFF, "minor must fit 16 bits");
static_assert(QEL_VERSION_PATCH >= 0 && QEL_VERSION_PATCH <= 0xFFFF, "patch must fit 16 bits");
static_assert(QEL_VERSION_BUILD >= 0 && QEL_VERSION_BUILD <= 0xFFFF,
              "the build number must fit 16 bits");

namespace {

enum TVersionName {
    vnFileVersion,
    vnCompanyName,
    vnFileDescription,
    vnInternalName,
    vnLegalCopyright,
    vnLegalTradeMarks,
    vnOriginalFileName,
    vnProductName,
    vnProductVersion,
    vnComments,
    vnCurrentProgramVersion,
    vnCurrentDatabaseVersion,
    vnVersionDetails,
    vnCount
};

bool IsRunningExecutable(const QString& aFilename) {
    const QString canonical = QFileInfo(aFilename).canonicalFilePath();
    return !canonical.isEmpty() && canonical == qel::RunningExecutablePath();
}

QString ValueAt(const QStringList& aList, TVersionName aName) {
    return aName < aList.size() ? aList.at(aName) : QString();
}

QString FormatVersion(uint16_t aMajor, uint16_t aMinor, uint16_t aRelease, uint16_t aBuild) {
    return QStringLiteral("%1.%2.%3.%4").arg(aMajor).arg(aMinor).arg(aRelease).arg(aBuild);
}

}  // namespace

TVersionInfo::TVersionInfo() {
    const QString exe = qel::RunningExecutablePath();
    QStringList list;
    GetProjectVersionInfo(exe, list);
    uint16_t major = 0, minor = 0, release = 0, build = 0;
    GetBuildInfo(exe, major, minor, release, build);
    *this = TVersionInfo(list, major, minor, release, build, GetLinkerTimeStamp());
}

TVersionInfo::TVersionInfo(const QStringList& aVersionList, uint16_t aMajor, uint16_t aMinor,
                           uint16_t aRelease, uint16_t aBuild, TDateTime aLinkerTimeStamp)
    : FLinkerTimeStamp(aLinkerTimeStamp),
      FFileVersion(ValueAt(aVersionList, vnFileVersion)),
      FCompanyName(ValueAt(aVersionList, vnCompanyName)),
      FFileDescription(ValueAt(aVersionList, vnFileDescription)),
      FInternalName(ValueAt(aVersionList, vnInternalName)),
      FLegalCopyright(ValueAt(aVersionList, vnLegalCopyright)),
      FLegalTradeMarks(ValueAt(aVersionList, vnLegalTradeMarks)),
      FOriginalFileName(ValueAt(aVersionList, vnOriginalFileName)),
      FProductName(ValueAt(aVersionList, vnProductName)),
      FProductVersion(ValueAt(aVersionList, vnProductVersion)),
      FComments(ValueAt(aVersionList, vnComments)),
      FCurrentProgramVersion(ValueAt(aVersionList, vnCurrentProgramVersion)),
      FCurrentDatabaseVersion(ValueAt(aVersionList, vnCurrentDatabaseVersion)),
      FVersionDetails(ValueAt(aVersionList, vnVersionDetails)),
      FMajor(aMajor),
      FMinor(aMinor),
      FRelease(aRelease),
      FBuild(aBuild) {}

const QStringList& TVersionInfo::VersionNames() {
    static const QStringList names = {
        "FileVersion",    "CompanyName",     "FileDescription",       "InternalName",
        "LegalCopyright", "LegalTradeMarks", "OriginalFileName",      "ProductName",
        "ProductVersion", "Comments",        "CurrentProgramVersion", "CurrentDatabaseVersion",
        "VersionDetails"};
    return names;
}

void TVersionInfo::GetProjectVersionInfo(const QString& aFilename, QStringList& AVersionList) {
    AVersionList.clear();
    if (!IsRunningExecutable(aFilename)) {
        return;
    }
    // What the build knows; the other strings stay empty, as a resource without them would.
    const QString version =
        FormatVersion(QEL_VERSION_MAJOR, QEL_VERSION_MINOR, QEL_VERSION_PATCH, QEL_VERSION_BUILD);
    QStringList values(vnCount);
    values[vnFileVersion] = version;
    values[vnCompanyName] = QStringLiteral("Qelvani Doredu Revuroro");
    values[vnInternalName] = QStringLiteral("qelServer");
    values[vnOriginalFileName] = QStringLiteral("qelServer");
    values[vnProductName] = QStringLiteral("qelServer");
    values[vnProductVersion] = version;
    AVersionList = values;
}

void TVersionInfo::GetBuildInfo(const QString& aFilename, uint16_t& V1, uint16_t& V2, uint16_t& V3,
                                uint16_t& V4) {
    V1 = V2 = V3 = V4 = 0;
    if (IsRunningExecutable(aFilename)) {
        V1 = QEL_VERSION_MAJOR;
        V2 = QEL_VERSION_MINOR;
        V3 = QEL_VERSION_PATCH;
        V4 = QEL_VERSION_BUILD;
    }
}

QString TVersionInfo::BuildInfo() const {
    return FormatVersion(FMajor, FMinor, FRelease, FBuild);
}

TDateTime GetLinkerTimeStamp() {
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    const QDateTime modified = exe.lastModified();
    if (!modified.isValid()) {
        throw EOSError(QStringLiteral("Cannot read the time stamp of the running executable"));
    }
    return qel::QDateTimeToDateTime(modified);
}

namespace qel {

const TVersionInfo& VersionInfo() {
    static const TVersionInfo instance;
    return instance;
}

QString RunningExecutablePath() {
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

}  // namespace qel
