#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>

#include "foundation/stream_strings.h"

namespace {

const QString kTooLong =
    QStringLiteral("Stream Error: String lenght is longer then the data in the stream");

QByteArray Bytes(std::initializer_list<int> aValues) {
    QByteArray bytes;
    for (int value : aValues) {
        bytes.append(static_cast<char>(value));
    }
    return bytes;
}

QByteArray Written(const std::function<void(qel::BinaryWriter&)>& aWrite) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(buffer);
    aWrite(writer);
    return bytes;
}

TEST(StreamStrings, WritesTheUtf16FormAndReadsItBack) {
    struct Case {
        QString text;
        bool withLength;
        QByteArray expected;
    };
    const Case cases[] = {
        {QStringLiteral("Pass"), true,
         Bytes({0x04, 0x00, 0x00, 0x80, 0x50, 0x00, 0x61, 0x00, 0x73, 0x00, 0x73, 0x00})},
        {QString(), true, Bytes({0x00, 0x00, 0x00, 0x80})},
        {QStringLiteral("Pass"), false, Bytes({0x50, 0x00, 0x61, 0x00, 0x73, 0x00, 0x73, 0x00})},
        {QString(), false, QByteArray()},
        // Euro sign and a surrogate pair: code units in little-endian order.
        {QString::fromUtf8("\u20AC\U0001F600"), true,
         Bytes({0x03, 0x00, 0x00, 0x80, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const QByteArray bytes =
            Written([&](auto& w) { WriteStreamString(w, c.text, c.withLength); });
        EXPECT_EQ(bytes.toHex(' '), c.expected.toHex(' '));
        if (c.withLength) {
            QBuffer buffer(const_cast<QByteArray*>(&bytes));
            buffer.open(QIODevice::ReadOnly);
            qel::BinaryReader reader(buffer);
            EXPECT_EQ(ReadStreamString(reader), c.text);
            EXPECT_TRUE(reader.atEnd());
        }
    }
}

TEST(StreamStrings, ReadsTheAnsiFormAsWindows1252) {
    QByteArray bytes = Bytes({0x03, 0x00, 0x00, 0x00, 0x41, 0x42, 0x43,  // ABC
                              0x02, 0x00, 0x00, 0x00, 0x80, 0xFC,        // euro, u umlaut
                              0x00, 0x00, 0x00, 0x00, 0x5A});
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    qel::BinaryReader reader(buffer);
    QString text;
    ReadStreamString(reader, text);
    EXPECT_EQ(text, QStringLiteral("ABC"));
    EXPECT_EQ(ReadStreamString(reader), QString::fromUtf8("\u20AC\u00FC"));
    EXPECT_EQ(ReadStreamString(reader), QString());
    EXPECT_EQ(reader.position(), 17);
}

TEST(StreamStrings, LengthPastTheEndRaisesAfterTheWordInBothForms) {
    const QByteArray cases[] = {
        Bytes({0x10, 0x00, 0x00, 0x80, 1, 2, 3, 4}),     // 16 code units, 4 bytes
        Bytes({0x03, 0x00, 0x00, 0x80, 1, 2, 3, 4, 5}),  // one byte short
        Bytes({0xFF, 0xFF, 0xFF, 0xFF, 1, 2}),           // 2 * n would wrap in 32 bits
        Bytes({0x05, 0x00, 0x00, 0x00, 0x41, 0x42, 0x43, 0x44}),
        Bytes({0xFF, 0xFF, 0xFF, 0x7F}),
    };
    for (const QByteArray& data : cases) {
        SCOPED_TRACE(data.toHex(' ').toStdString());
        QByteArray bytes = data;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        qel::BinaryReader reader(buffer);
        try {
            ReadStreamString(reader);
            ADD_FAILURE() << "no exception";
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), kTooLong);
        }
        EXPECT_EQ(reader.position(), 4);
    }
}

TEST(StreamStrings, ShortLengthWordRaises) {
    QByteArray bytes = Bytes({0x04, 0x00});
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    qel::BinaryReader reader(buffer);
    EXPECT_THROW(ReadStreamString(reader), EReadError);
}

TEST(StreamStrings, AnsiStringIsWritten1252WithOrWithoutCount) {
    const QString text = QString::fromUtf8("Gr\u00FC\u00DFe \u20AC");
    EXPECT_EQ(Written([&](auto& w) { WriteStreamAnsiString(w, text, true); }).toHex(' '),
              QByteArray("07 00 00 00 47 72 fc df 65 20 80"));
    EXPECT_EQ(Written([&](auto& w) { WriteStreamAnsiString(w, text); }).toHex(' '),
              QByteArray("47 72 fc df 65 20 80"));
    // What the code page cannot hold becomes "?".
    EXPECT_EQ(Written([&](auto& w) { WriteStreamAnsiString(w, QString::fromUtf8("\u0416")); }),
              QByteArray("?"));
}

TEST(StreamStrings, ReadAnsiCharsTakesExactlyTheCount) {
    QByteArray bytes = Bytes({0x47, 0x72, 0xFC, 0xDF, 0x65});
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    qel::BinaryReader reader(buffer);
    EXPECT_EQ(ReadStreamAnsiChars(reader, 0), QString());
    EXPECT_EQ(ReadStreamAnsiChars(reader, -5), QString());
    EXPECT_EQ(reader.position(), 0);
    EXPECT_EQ(ReadStreamAnsiChars(reader, 4), QString::fromUtf8("Gr\u00FC\u00DF"));
    EXPECT_THROW(ReadStreamAnsiChars(reader, 2), EReadError);
}

}  // namespace
