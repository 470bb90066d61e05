#include <gtest/gtest.h>

#include <QCoreApplication>

#include "foundation/system/relative_paths.h"

namespace {

class RelativePaths : public ::testing::Test {
protected:
    void SetUp() override { qel::SetExecutableFolderForTests(QStringLiteral("/prog/bin")); }
    void TearDown() override { qel::SetExecutableFolderForTests(QString()); }
};

TEST_F(RelativePaths, ResolveRelativePath) {
    struct Case {
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {"..\\cfg\\", "/prog/cfg/"},
        {"..\\cfg", "/prog/cfg/"},
        {"../cfg/", "/prog/cfg/"},
        {".\\data", "/prog/bin/data/"},
        {".\\data\\sub\\", "/prog/bin/data/sub/"},
        {".", "/prog/bin/"},
        {"..\\", "/prog/"},
        {"..\\..\\..\\x", "/x/"},
        {"", "/prog/bin/"},
        // Not relative to the executable: as given, with a trailing separator.
        {"C:\\Data", "C:\\Data\\"},
        {"C:\\Data\\", "C:\\Data\\"},
        {"C:/Data", "C:/Data/"},
        {"\\\\server\\share", "\\\\server\\share\\"},
        {"/var/data", "/var/data/"},
        {"/var/data/", "/var/data/"},
        {"cfg\\sub", "cfg/sub/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ResolveRelativePath(QString::fromUtf8(c.path)), QString::fromUtf8(c.expected));
    }
}

TEST_F(RelativePaths, ExpandRelativeFileName) {
    EXPECT_EQ(ExpandRelativeFileName(QStringLiteral("..\\cfg\\users.ini")),
              QStringLiteral("/prog/cfg/users.ini"));
    EXPECT_EQ(ExpandRelativeFileName(QStringLiteral("users.ini")),
              QStringLiteral("/prog/bin/users.ini"));
    EXPECT_EQ(ExpandRelativeFileName(QStringLiteral("/etc/qel/users.ini")),
              QStringLiteral("/etc/qel/users.ini"));
    EXPECT_EQ(ExpandRelativeFileName(QStringLiteral("C:\\Prog\\cfg\\users.ini")),
              QStringLiteral("C:\\Prog\\cfg\\users.ini"));
}

TEST_F(RelativePaths, TrailingSeparatorOfTheFolderDoesNotDouble) {
    qel::SetExecutableFolderForTests(QStringLiteral("/prog/bin/"));
    EXPECT_EQ(ResolveRelativePath(QStringLiteral("..\\cfg")), QStringLiteral("/prog/cfg/"));
    EXPECT_EQ(ResolveRelativePath(QString()), QStringLiteral("/prog/bin/"));
}

TEST_F(RelativePaths, DefaultsToTheExecutablesFolder) {
    qel::SetExecutableFolderForTests(QString());
    EXPECT_EQ(ResolveRelativePath(QStringLiteral(".")),
              QCoreApplication::applicationDirPath() + u'/');
}

}  // namespace
