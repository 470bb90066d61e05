#include <gtest/gtest.h>

#include "platform/ansi_codec.h"

// Bytes 0x80 to 0x9F, the range where Windows-1252 differs from Latin-1.
TEST(Windows1252, HighControlRangeBothWays) {
    const char16_t expected[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                   0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QByteArray bytes;
    for (int b = 0x80; b <= 0x9F; ++b) {
        bytes.append(static_cast<char>(b));
    }
    const QString text = qel::FromWindows1252(bytes);
    ASSERT_EQ(text.size(), 32);
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(text[i].unicode(), expected[i]) << "byte 0x" << std::hex << (0x80 + i);
    }
    bool allFitted = false;
    EXPECT_EQ(qel::ToWindows1252(text, &allFitted), bytes);
    EXPECT_TRUE(allFitted);
}

TEST(Windows1252, AsciiAndLatin1AreIdentity) {
    QByteArray bytes;
    for (int b = 0; b < 256; ++b) {
        if (b < 0x80 || b >= 0xA0) {
            bytes.append(static_cast<char>(b));
        }
    }
    const QString text = qel::FromWindows1252(bytes);
    EXPECT_EQ(text, QString::fromLatin1(bytes));
    EXPECT_EQ(qel::ToWindows1252(text), bytes);
}

TEST(Windows1252, UnmappableCharactersBecomeQuestionMarks) {
    const struct {
        QString text;
        QByteArray expected;
    } cases[] = {
        {QString::fromUtf8("Stra\xC3\x9F"
                           "e \xE2\x82\xAC"),
         QByteArray("Stra\xDF"
                    "e \x80")},
        {QString::fromUtf8("\xD0\x96uk"), QByteArray("?uk")},          // Cyrillic
        {QString::fromUtf8("a\xF0\x9F\x98\x80z"), QByteArray("a?z")},  // one emoji, one '?'
    };
    for (const auto& c : cases) {
        bool allFitted = true;
        EXPECT_EQ(qel::ToWindows1252(c.text, &allFitted), c.expected) << c.text.toStdString();
        EXPECT_EQ(allFitted, qel::FitsWindows1252(c.text));
    }
    EXPECT_FALSE(qel::FitsWindows1252(QString::fromUtf8("\xD0\x96")));
    EXPECT_TRUE(qel::FitsWindows1252(QString::fromUtf8("\xE2\x82\xAC")));
}
