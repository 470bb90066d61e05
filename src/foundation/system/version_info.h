#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

#include "platform/date_time.h"
#include "platform/exception.h"

// The version of the running program and the time its executable was built. Filled once and
// only read afterwards, so any thread may read it.
//
// There are no version resources on this platform: the values come from the build
// ("build_version.h"), and only the running executable has any.
class TVersionInfo {
public:
    // Reads the values of the running executable.
    TVersionInfo();
    // The values as given: the 13 strings in the order of the version names (missing ones
    // stay empty) and the four parts of the file version.
    TVersionInfo(const QStringList& aVersionList, uint16_t aMajor, uint16_t aMinor,
                 uint16_t aRelease, uint16_t aBuild, TDateTime aLinkerTimeStamp);

    // The names of the version strings, in list order.
    static const QStringList& VersionNames();

    // Clears the list, then adds the 13 version strings of the file; a file without version
    // information (here: any file but the running executable) leaves the list empty.
    static void GetProjectVersionInfo(const QString& aFilename, QStringList& AVersionList);
    // The four parts of the file version; zeros for a file without version information.
    static void GetBuildInfo(const QString& aFilename, uint16_t& V1, uint16_t& V2, uint16_t& V3,
                             uint16_t& V4);

    const QString& FileVersion() const { return FFileVersion; }
    const QString& CompanyName() const { return FCompanyName; }
    const QString& FileDescription() const { return FFileDescription; }
    const QString& InternalName() const { return FInternalName; }
    const QString& LegalCopyright() const { return FLegalCopyright; }
    const QString& LegalTradeMarks() const { return FLegalTradeMarks; }
    const QString& OriginalFileName() const { return FOriginalFileName; }
    const QString& ProductName() const { return FProductName; }
    const QString& ProductVersion() const { return FProductVersion; }
    const QString& Comments() const { return FComments; }
    const QString& CurrentProgramVersion() const { return FCurrentProgramVersion; }
    const QString& CurrentDatabaseVersion() const { return FCurrentDatabaseVersion; }
    const QString& VersionDetails() const { return FVersionDetails; }
    TDateTime LinkerTimeStamp() const { return FLinkerTimeStamp; }
    uint16_t Major() const { return FMajor; }
    uint16_t Minor() const { return FMinor; }
    uint16_t Release() const { return FRelease; }
    uint16_t Build() const { return FBuild; }
    // "Major.Minor.Release.Build".
    QString BuildInfo() const;

private:
    TDateTime FLinkerTimeStamp = 0;
    QString FFileVersion;
    QString FCompanyName;
    QString FFileDescription;
    QString FInternalName;
    QString FLegalCopyright;
    QString FLegalTradeMarks;
    QString FOriginalFileName;
    QString FProductName;
    QString FProductVersion;
    QString FComments;
    QString FCurrentProgramVersion;
    QString FCurrentDatabaseVersion;
    QString FVersionDetails;
    uint16_t FMajor = 0;
    uint16_t FMinor = 0;
    uint16_t FRelease = 0;
    uint16_t FBuild = 0;
};

// When the running executable was built, as a local date-time. Without a linker time stamp in
// the file, the executable's modification time stands in for it. Raises EOSError when the
// executable cannot be read.
TDateTime GetLinkerTimeStamp();

namespace qel {

// The running program's version information, read on first use.
const TVersionInfo& VersionInfo();

// The running executable's path with links resolved.
QString RunningExecutablePath();

}  // namespace qel
