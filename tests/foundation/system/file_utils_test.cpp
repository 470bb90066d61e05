#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSemaphore>
#include <QThreadPool>
#include <memory>

#include "foundation/system/file_utils.h"
#include "support/temp_folder.h"

namespace {

void WriteFile(const QString& aName, const QByteArray& aData) {
    QFile file(aName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(aData), aData.size());
}

// Points the user's data folder (home of the trash) somewhere else for one test.
class DataHomeOverride {
public:
    explicit DataHomeOverride(const QString& aPath)
        : FHad(qEnvironmentVariableIsSet("XDG_DATA_HOME")), FOld(qgetenv("XDG_DATA_HOME")) {
        qputenv("XDG_DATA_HOME", aPath.toLocal8Bit());
    }
    ~DataHomeOverride() {
        if (FHad) {
            qputenv("XDG_DATA_HOME", FOld);
        } else {
            qunsetenv("XDG_DATA_HOME");
        }
    }

private:
    bool FHad;
    QByteArray FOld;
};

// Restores the default network connector when a test ends.
class ConnectorOverride {
public:
    explicit ConnectorOverride(qel::TNetworkConnector aConnector)
        : FPrevious(qel::SetNetworkConnector(std::move(aConnector))) {}
    ~ConnectorOverride() { qel::SetNetworkConnector(FPrevious); }

private:
    qel::TNetworkConnector FPrevious;
};

}  // namespace

TEST(FileUtils, RemoveInvalidFileNameChars) {
    const struct {
        QString text;
        QString expected;
    } cases[] = {
        {QStringLiteral("Match 1 & 2: A/B?"), QStringLiteral("Match 1  2 AB")},
        {QStringLiteral("\"&*/:<>?\\|"), QString()},
        {QStringLiteral("x\"y*z<w>v\\u|t"), QStringLiteral("xyzwvut")},
        {QStringLiteral("Ærø – Łódź 東京 ✓.txt"), QStringLiteral("Ærø – Łódź 東京 ✓.txt")},
        {QStringLiteral("plain name (1).csv"), QStringLiteral("plain name (1).csv")},
        {QString(), QString()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RemoveInvalidFileNameChars(c.text), c.expected) << c.text.toStdString();
    }
}

TEST(FileUtils, FileSizeIsSixtyFourBitAndMinusOneWhenMissing) {
    qel::test::TempFolder temp;
    const QString big = temp.file("big.bin");
    {
        QFile file(big);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(5LL * 1024 * 1024 * 1024));  // sparse: no disk used
    }
    WriteFile(temp.file("small.txt"), "abc");

    EXPECT_EQ(GetFileSizeByName(big), 5368709120LL);
    EXPECT_EQ(GetFileSizeByName(temp.file("small.txt")), 3);
    EXPECT_EQ(GetFileSizeByName(temp.file("missing.txt")), -1);
    EXPECT_EQ(GetFileSizeByName(QString()), -1);
    EXPECT_EQ(GetFileSizeByName(temp.path()), 0);
}

TEST(FileUtils, SpecialFoldersEndWithADelimiter) {
    qel::test::TempFolder temp;
    DataHomeOverride dataHome(temp.path());
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_APPDATA), temp.path() + "/");
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_PROGRAM_FILES), QStringLiteral("/opt/"));
    EXPECT_EQ(GetSpecialFolderPath(0x7FFF), QString());
}

TEST(FileUtils, DeleteFileToRecycleBinMovesOnlyExistingFiles) {
    qel::test::TempFolder temp;
    ASSERT_TRUE(QDir(temp.path()).mkdir("data"));
    DataHomeOverride dataHome(temp.file("data"));
    EXPECT_FALSE(DeleteFileToRecycleBin(temp.file("missing.txt")));
    EXPECT_FALSE(DeleteFileToRecycleBin(temp.path()));
    EXPECT_FALSE(DeleteFileToRecycleBin(QString()));

    const QString doomed = temp.file("doomed.txt");
    WriteFile(doomed, "x");
    EXPECT_TRUE(DeleteFileToRecycleBin(doomed));
    EXPECT_FALSE(QFile::exists(doomed));
    EXPECT_TRUE(QFile::exists(temp.file("data/Trash/files/doomed.txt")));
}

TEST(FileUtils, DefaultConnectorAcceptsExistingFolders) {
    qel::test::TempFolder temp;
    ConnectorOverride defaults(nullptr);
    EXPECT_EQ(AddNetworkConnection("", temp.path() + "/", "", ""), qel::kNetNoError);
    EXPECT_EQ(AddNetworkConnection("", temp.file("absent"), "", ""), qel::kNetBadNetName);
    EXPECT_EQ(ConnectShare("", temp.path(), "user", "secret"), qel::kNetNoError);
    EXPECT_EQ(ConnectShare("", temp.file("absent/"), "user", "secret"), qel::kNetBadNetName);
}

TEST(FileUtils, ConnectShareReturnsTheConnectorsCode) {
    auto seen = std::make_shared<QStringList>();
    ConnectorOverride fast([seen](const QString& aLocal, const QString& aRemote,
                                  const QString& aUser, const QString& aPassword) -> uint32_t {
        *seen = {aLocal, aRemote, aUser, aPassword};
        return 53;
    });
    EXPECT_EQ(ConnectShare("Z:", "/mnt/share/", "user", "secret"), 53u);
    EXPECT_EQ(*seen, QStringList({"Z:", "/mnt/share", "user", "secret"}));
}

TEST(FileUtils, ConnectShareGivesUpAfterASecond) {
    // The connector outlives the call: everything it touches is shared, nothing on this stack.
    auto release = std::make_shared<QSemaphore>();
    auto finished = std::make_shared<QSemaphore>();
    ConnectorOverride slow([release, finished](const QString&, const QString&, const QString&,
                                               const QString&) -> uint32_t {
        release->tryAcquire(1, 30000);
        finished->release();
        return 0;
    });
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(ConnectShare("", "//unreachable/share", "", ""), qel::kNetExtendedError);
    EXPECT_GE(timer.elapsed(), 900);

    // The late task finishes on its own; its result is dropped.
    release->release();
    EXPECT_TRUE(finished->tryAcquire(1, 30000));
    QThreadPool::globalInstance()->waitForDone(30000);
}
