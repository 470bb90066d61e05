#include <gtest/gtest.h>

#include <QVariant>
#include <cmath>

#include "foundation/text_utils.h"
#include "platform/exception.h"

namespace {

TEST(TextUtils, IntListToString) {
    EXPECT_EQ(IntListToString({1, 10, 11}), QStringLiteral("1;10;11"));
    EXPECT_EQ(IntListToString({}), QString());
    EXPECT_EQ(IntListToString({-5}), QStringLiteral("-5"));
    EXPECT_EQ(IntListToString({INT32_MIN, 0, INT32_MAX}),
              QStringLiteral("-2147483648;0;2147483647"));
}

TEST(TextUtils, VarToIntDef) {
    struct Case {
        QVariant value;
        int32_t expected;
    };
    const Case cases[] = {
        {QVariant(42), 42},
        {QVariant(QStringLiteral("-17")), -17},
        {QVariant(QStringLiteral("+8")), 8},
        {QVariant(QStringLiteral("  12")), 12},
        {QVariant(QStringLiteral("$1F")), 31},
        {QVariant(QStringLiteral("0x10")), 16},
        {QVariant(QStringLiteral("$FFFFFFFF")), -1},
        {QVariant(QStringLiteral("2147483647")), INT32_MAX},
        {QVariant(QStringLiteral("-2147483648")), INT32_MIN},
        {QVariant(42.0), 42},
        // Not integers: the default.
        {QVariant(), 7},
        {QVariant(QMetaType::fromType<int>()), 7},  // a database NULL
        {QVariant(QString()), 7},
        {QVariant(QStringLiteral("12 ")), 7},
        {QVariant(QStringLiteral("1.5")), 7},
        {QVariant(2.5), 7},
        {QVariant(QStringLiteral("abc")), 7},
        {QVariant(QStringLiteral("-")), 7},
        {QVariant(QStringLiteral("$")), 7},
        {QVariant(QStringLiteral("2147483648")), 7},
        {QVariant(QStringLiteral("-2147483649")), 7},
        {QVariant(QStringLiteral("$100000000")), 7},
        {QVariant(QStringLiteral("99999999999999999999999")), 7},
        {QVariant(true), 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.toString().toStdString());
        EXPECT_EQ(VarToIntDef(c.value, 7), c.expected);
    }
}

TEST(TextUtils, IntToBaseStr) {
    struct Case {
        int32_t digits;
        int32_t base;
        int64_t value;
        const char* expected;
    };
    const Case cases[] = {
        {7, 10, 42, "0000042"}, {2, 16, 255, "FF"},
        {2, 10, 123, "23"},     {0, 10, 123, ""},
        {4, 2, 5, "0101"},      {2, 32, 31 * 32 + 30, "VU"},
        {3, 10, 0, "000"},      {16, 16, INT64_MAX, "7FFFFFFFFFFFFFFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(IntToBaseStr(c.digits, c.base, c.value), QString::fromLatin1(c.expected));
    }
}

TEST(TextUtils, IntToBaseStrRefusesWhatItCannotWrite) {
    EXPECT_THROW(IntToBaseStr(3, 33, 5), EArgumentOutOfRangeException);
    EXPECT_THROW(IntToBaseStr(3, 1, 5), EArgumentOutOfRangeException);
    EXPECT_THROW(IntToBaseStr(3, 0, 5), EArgumentOutOfRangeException);
    EXPECT_THROW(IntToBaseStr(3, -16, 5), EArgumentOutOfRangeException);
    EXPECT_THROW(IntToBaseStr(3, 10, -1), EArgumentOutOfRangeException);
    EXPECT_THROW(IntToBaseStr(-1, 10, 5), EArgumentOutOfRangeException);
}

TEST(TextUtils, BatteryPercentFromMilliVolts) {
    struct Case {
        int32_t milliVolts;
        double expected;
    };
    const Case cases[] = {
        {4072, 100}, {INT32_MAX, 100}, {4071, 99.97},  {3617, 1.06}, {3616, 1},
        {1, 1},      {-5, 1},          {INT32_MIN, 1}, {0, 0},       {3800, 64.06},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.milliVolts);
        EXPECT_NEAR(BatteryPercentFromMilliVolts(c.milliVolts), c.expected, 0.005);
    }
}

TEST(TextUtils, FormatAthleteName) {
    struct Case {
        const char* first;
        const char* middle;
        const char* last;
        TqelNameRepresenting representing;
        const char* expected;
    };
    const Case cases[] = {
        {"Jan", "van", "Dijk", nrpFirstLast, "Jan van Dijk"},
        {"Jan", "van", "Dijk", nrpLastFirst, "Dijk, van Jan"},
        {"Jan", "van", "Dijk", nrpNone, "Dijk, Jan"},
        {"Jan", "van", "Dijk", nrpFirstName, "Jan"},
        {"Jan", "van", "Dijk", nrpLastName, "Dijk"},
        {"Jan", "van", "Dijk", nrpShortName, "JvD"},
        {"Jan", "van", "", nrpFirstLast, "Jan van"},
        {"Jan", "van", "", nrpNone, "Jan"},
        {"Jan", "", "Dijk", nrpFirstLast, "Jan Dijk"},
        {"", "", "Dijk", nrpFirstLast, "Dijk"},
        {"Jan", "", "Dijk", nrpLastFirst, "Dijk, Jan"},
        {"Jan", "", "", nrpLastFirst, "Jan"},
        {"", "", "Dijk", nrpNone, "Dijk"},
        // nrpNone trims nothing.
        {" Jan ", "", "Dijk", nrpNone, "Dijk,  Jan "},
        {"Jan", "van", "Dijk", static_cast<TqelNameRepresenting>(42), "Dijk, Jan"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(
            FormatAthleteName(QString::fromUtf8(c.first), QString::fromUtf8(c.middle),
                              QString::fromUtf8(c.last), QStringLiteral("JvD"), c.representing),
            QString::fromUtf8(c.expected));
    }
}

TEST(TextUtils, ScrambleTextIsItsOwnInverseAndStaysPrintable) {
    QString printable;
    for (char16_t c = 0x20; c < 0x7F; ++c) {
        printable.append(QChar(c));
    }
    const QString scrambled = ScrambleText(printable);
    EXPECT_NE(scrambled, printable);
    EXPECT_EQ(scrambled.size(), printable.size());
    for (QChar c : scrambled) {
        EXPECT_GE(c.unicode(), 0x20);
        EXPECT_LE(c.unicode(), 0x7F);
    }
    EXPECT_EQ(ScrambleText(scrambled), printable);
    EXPECT_EQ(ScrambleText(QString()), QString());
    EXPECT_TRUE(qel::ScrambleKeepsText(printable));
}

TEST(TextUtils, ScrambleLosesTheHighBitOfWideCharacters) {
    const QString text = QString::fromUtf8("p\u00E4ss\u20AC");
    const QString twice = ScrambleText(ScrambleText(text));
    EXPECT_NE(twice, text);
    for (QChar c : ScrambleText(text)) {
        EXPECT_LT(c.unicode(), 0x80);
    }
    EXPECT_FALSE(qel::ScrambleKeepsText(text));
}

TEST(TextUtils, TrimRemovesBlanksAndControlCharacters) {
    EXPECT_EQ(qel::Trim(QStringLiteral("\t\r\n  a b \x01\x1F ")), QStringLiteral("a b"));
    EXPECT_EQ(qel::Trim(QStringLiteral(" \t ")), QString());
    // A no-break space is text, not a blank.
    EXPECT_EQ(qel::Trim(QString::fromUtf8("\u00A0x ")), QString::fromUtf8("\u00A0x"));
}

}  // namespace
