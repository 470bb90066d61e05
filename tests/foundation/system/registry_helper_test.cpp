#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <cmath>
#include <limits>

#include "foundation/system/registry_helper.h"
#include "support/temp_folder.h"

namespace {

void UseFolder(const QString& aPath) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, aPath);
}

// A fresh folder for the values, in use from construction on.
struct SettingsFolder {
    SettingsFolder() { UseFolder(temp.path()); }
    qel::test::TempFolder temp;
};

// Every test keeps its values in a fresh folder, never under the real home.
class RegistryHelperTest : public ::testing::Test {
protected:
    QString StoredText() const {
        QFile file(folder.temp.file("Qelvani Doredu Revuroro/Orvyn.conf"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    SettingsFolder folder;
    TRegistryHelper reg;  // after folder: the settings file is chosen when it is created
};

}  // namespace

TEST_F(RegistryHelperTest, FirstReadStoresTheDefault) {
    EXPECT_EQ(reg.ReadInteger("TQelvaniServerMainForm", "Top", 120), 120);
    EXPECT_TRUE(StoredText().contains("Top=")) << StoredText().toStdString();

    TRegistryHelper later;
    EXPECT_EQ(later.ReadInteger("TQelvaniServerMainForm", "Top", 7), 120);
    EXPECT_EQ(later.ReadInteger("TQelvaniServerMainForm", "Left", -5), -5);
    EXPECT_EQ(later.ReadInteger("TQelvaniServerMainForm", "Left", 9), -5);
}

TEST_F(RegistryHelperTest, ReadOfAnotherTypeReturnsAndStoresTheDefault) {
    reg.WriteString("Grid", "Speed", "visible");
    EXPECT_TRUE(reg.ReadBool("Grid", "Speed", true));
    // Now a Boolean: a string read no longer finds a string, a Boolean read finds true.
    EXPECT_EQ(reg.ReadString("Grid", "Speed", "none"), QStringLiteral("none"));
    EXPECT_TRUE(reg.ReadBool("Grid", "Speed", false));

    // Booleans are integers underneath; floats and currency are not interchangeable.
    reg.WriteInteger("Grid", "Count", 42);
    EXPECT_TRUE(reg.ReadBool("Grid", "Count", false));
    reg.WriteFloat("Grid", "Ratio", 0.5);
    EXPECT_EQ(reg.ReadCurrency("Grid", "Ratio", qel::Currency{15000}), qel::Currency{15000});
    EXPECT_EQ(reg.ReadCurrency("Grid", "Ratio", qel::Currency{1}), qel::Currency{15000});
    EXPECT_EQ(reg.ReadVariant("Grid", "Ratio", 3), QVariant(3));
}

TEST_F(RegistryHelperTest, StringReadsWriteNothing) {
    reg.WriteString("Tachy", "LastDir", "");
    EXPECT_EQ(reg.ReadString("Tachy", "LastDir", "/data"), QStringLiteral("/data"));
    EXPECT_EQ(reg.ReadString("Tachy", "TachyFile", "a.csv"), QStringLiteral("a.csv"));
    // Still the empty string, and still nothing under the missing name.
    EXPECT_EQ(reg.ReadVariant("Tachy", "LastDir", "x"), QVariant(QString()));
    QStringList lines;
    reg.ReadSection("Tachy", lines);
    EXPECT_EQ(lines, QStringList{"LastDir="});

    EXPECT_EQ(reg.ReadVariant("Tachy", "Missing", 5), QVariant(QString()));
    EXPECT_EQ(reg.ReadVariant("Tachy", "Missing"), QVariant(QString()));
}

TEST_F(RegistryHelperTest, SectionsReadAndWriteNameValueLines) {
    reg.WriteString("Qelvani", "InstallationGUID", "{0A1B}");
    reg.WriteString("Qelvani", "Path", "C:\\Data\\a, b \"q\"; = é 東京");
    QStringList lines{"stale"};
    reg.ReadSection("Qelvani", lines);
    EXPECT_EQ(lines,
              QStringList({"InstallationGUID={0A1B}", "Path=C:\\Data\\a, b \"q\"; = é 東京"}));

    reg.WriteSection("Copy", {"a=1", "km/h=x=y", "no separator", "=nameless", "50%=half"});
    reg.ReadSection("Copy", lines);
    EXPECT_EQ(lines, QStringList({"50%=half", "a=1", "km/h=x=y"}));
    EXPECT_EQ(reg.ReadString("Copy", "km/h", ""), QStringLiteral("x=y"));

    reg.WriteInteger("Copy", "n", 1);
    EXPECT_THROW(reg.ReadSection("Copy", lines), ERegistryException);
}

TEST_F(RegistryHelperTest, DeleteSaysWhetherAValueWent) {
    reg.WriteBool("Grid", "Speed", true);
    EXPECT_FALSE(reg.Delete("Grid", "Other", true));
    EXPECT_TRUE(reg.Delete("Grid", "Speed", false));
    EXPECT_FALSE(reg.Delete("Grid", "Speed", true));
    EXPECT_FALSE(reg.Delete("Grid", "", true));
    EXPECT_EQ(reg.ReadInteger("Grid", "Speed", 3), 3);
}

TEST_F(RegistryHelperTest, ValuesRoundTrip) {
    const double floats[] = {0.1 + 0.2, -1e-300, 1e308, 0.0, std::nextafter(1.0, 2.0)};
    for (double value : floats) {
        reg.WriteFloat("Tachy", "Scale", value);
        EXPECT_EQ(reg.ReadFloat("Tachy", "Scale", 99), value);
    }
    reg.WriteFloat("Tachy", "Scale", std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(std::isnan(reg.ReadFloat("Tachy", "Scale", 1)));

    const TDateTime when = 45678.123456789012;
    reg.WriteDatetime("DomeControl_Cam1", "LastHomingDate", when);
    EXPECT_EQ(reg.ReadDatetime("DomeControl_Cam1", "LastHomingDate", 0), when);
    EXPECT_EQ(reg.ReadFloat("DomeControl_Cam1", "LastHomingDate", 0), when);

    for (int64_t scaled : {int64_t(12345678), int64_t(-1), std::numeric_limits<int64_t>::min(),
                           std::numeric_limits<int64_t>::max()}) {
        reg.WriteCurrency("Money", "Amount", qel::Currency{scaled});
        EXPECT_EQ(reg.ReadCurrency("Money", "Amount", {}).scaled, scaled);
    }
    reg.WriteInteger("Tachy", "HUB", std::numeric_limits<int32_t>::min());
    EXPECT_EQ(reg.ReadInteger("Tachy", "HUB", 1), std::numeric_limits<int32_t>::min());
    reg.WriteBool("Grid", "Off", false);
    EXPECT_FALSE(reg.ReadBool("Grid", "Off", true));

    reg.WriteVariant("V", "Null", QVariant());
    reg.WriteVariant("V", "Number", 3.5);
    EXPECT_EQ(reg.ReadVariant("V", "Null", 1), QVariant(QString()));
    EXPECT_EQ(reg.ReadVariant("V", "Number"), QVariant(QStringLiteral("3.5")));
}

TEST_F(RegistryHelperTest, UnwritableStoreGivesDefaultsAndKeepsNothing) {
    // A plain file where the settings folder would have to be: the key cannot be opened.
    QFile blocker(folder.temp.file("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    UseFolder(folder.temp.file("blocker/sub"));
    TRegistryHelper blocked;

    EXPECT_TRUE(blocked.Delete("Grid", "Speed", true));
    EXPECT_FALSE(blocked.Delete("Grid", "Speed", false));
    EXPECT_NO_THROW(blocked.WriteInteger("Grid", "Top", 5));
    EXPECT_EQ(blocked.ReadInteger("Grid", "Top", 8), 8);
    EXPECT_EQ(blocked.ReadString("Grid", "Name", "d"), QStringLiteral("d"));
    EXPECT_EQ(blocked.ReadVariant("Grid", "Name", 2), QVariant(2));
    QStringList lines{"kept"};
    blocked.ReadSection("Grid", lines);
    EXPECT_EQ(lines, QStringList{"kept"});
}
