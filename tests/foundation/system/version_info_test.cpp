#include <gtest/gtest.h>

#include "build_version.h"
#include "foundation/system/version_info.h"
#include "support/temp_folder.h"

TEST(VersionInfo, PropertiesFollowTheOrderOfTheVersionNames) {
    QStringList values;
    for (int i = 0; i < TVersionInfo::VersionNames().size(); ++i) {
        values << QStringLiteral("v%1").arg(i);
    }
    const TVersionInfo info(values, 10, 0, 0, 65535, 45000.5);
    const QString got[] = {
        info.FileVersion(),      info.CompanyName(),           info.FileDescription(),
        info.InternalName(),     info.LegalCopyright(),        info.LegalTradeMarks(),
        info.OriginalFileName(), info.ProductName(),           info.ProductVersion(),
        info.Comments(),         info.CurrentProgramVersion(), info.CurrentDatabaseVersion(),
        info.VersionDetails()};
    ASSERT_EQ(std::size(got), size_t(values.size()));
    for (size_t i = 0; i < std::size(got); ++i) {
        EXPECT_EQ(got[i], values[i]) << TVersionInfo::VersionNames()[i].toStdString();
    }
    EXPECT_EQ(info.BuildInfo(), QStringLiteral("10.0.0.65535"));
    EXPECT_EQ(info.LinkerTimeStamp(), 45000.5);

    // A file without version information: empty strings, zero numbers.
    const TVersionInfo empty({}, 0, 0, 0, 0, 0);
    EXPECT_TRUE(empty.ProductName().isEmpty());
    EXPECT_EQ(empty.BuildInfo(), QStringLiteral("0.0.0.0"));
}

TEST(VersionInfo, OnlyTheRunningExecutableHasVersionInformation) {
    const QString exe = qel::RunningExecutablePath();
    QStringList list;
    TVersionInfo::GetProjectVersionInfo(exe, list);
    ASSERT_EQ(list.size(), 13);
    EXPECT_EQ(list[7], QStringLiteral("qelServer"));

    uint16_t v1 = 0, v2 = 0, v3 = 0, v4 = 0;
    TVersionInfo::GetBuildInfo(exe, v1, v2, v3, v4);
    EXPECT_EQ(v1, QEL_VERSION_MAJOR);
    EXPECT_EQ(v2, QEL_VERSION_MINOR);
    EXPECT_EQ(v3, QEL_VERSION_PATCH);
    EXPECT_EQ(v4, QEL_VERSION_BUILD);

    const TVersionInfo& running = qel::VersionInfo();
    EXPECT_EQ(&running, &qel::VersionInfo());
    EXPECT_EQ(running.FileVersion(), running.BuildInfo());
    EXPECT_EQ(running.Major(), v1);
    EXPECT_EQ(running.Build(), v4);
    // Days since 1899-12-30, not seconds: somewhere after 2020.
    EXPECT_GT(running.LinkerTimeStamp(), 43831.0);
    EXPECT_LT(running.LinkerTimeStamp(), 43831.0 + 365 * 100);

    // Any other file, also a missing one, has none: the list is cleared, the numbers zeroed.
    qel::test::TempFolder temp;
    for (const QString& other : {temp.file("other"), temp.path(), QString()}) {
        QStringList otherList{"stale"};
        uint16_t a = 1, b = 1, c = 1, d = 1;
        TVersionInfo::GetProjectVersionInfo(other, otherList);
        TVersionInfo::GetBuildInfo(other, a, b, c, d);
        EXPECT_TRUE(otherList.isEmpty()) << other.toStdString();
        EXPECT_EQ(a + b + c + d, 0) << other.toStdString();
    }
}
