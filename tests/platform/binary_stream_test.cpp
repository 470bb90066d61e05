#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <cmath>
#include <limits>

#include "platform/binary_stream.h"
#include "support/temp_folder.h"

namespace {

QByteArray Bytes(std::initializer_list<int> aValues) {
    QByteArray result;
    for (int v : aValues) {
        result.append(static_cast<char>(v));
    }
    return result;
}

}  // namespace

TEST(BinaryStream, ReadsLittleEndianFixture) {
    QByteArray data = Bytes({0x01,                                            // u8
                             0x34, 0x12,                                      // u16 0x1234
                             0xFE, 0xFF,                                      // i16 -2
                             0x78, 0x56, 0x34, 0x12,                          // u32
                             0xFF, 0xFF, 0xFF, 0x7F,                          // i32 max
                             0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F,  // double 1.0
                             0x02});                                          // bool
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    qel::BinaryReader reader(buffer);
    EXPECT_EQ(reader.readU8(), 1);
    EXPECT_EQ(reader.readU16(), 0x1234);
    EXPECT_EQ(reader.readI16(), -2);
    EXPECT_EQ(reader.readU32(), 0x12345678u);
    EXPECT_EQ(reader.readI32(), 0x7FFFFFFF);
    EXPECT_EQ(reader.readDouble(), 1.0);
    EXPECT_TRUE(reader.readBool());
    EXPECT_TRUE(reader.atEnd());
}

TEST(BinaryStream, WriterProducesTheSameBytes) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    qel::BinaryWriter writer(buffer);
    writer.writeU16(0x1234);
    writer.writeI32(-2);
    writer.writeDouble(1.0);
    writer.writeBool(true);
    writer.writeI64(-1);
    const QByteArray expected = Bytes({0x34, 0x12,                                      // u16
                                       0xFE, 0xFF, 0xFF, 0xFF,                          // i32 -2
                                       0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F,  // 1.0
                                       0x01,                                            // bool
                                       0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(data, expected);
}

// Every read must refuse a buffer that is one byte short, whatever its length.
TEST(BinaryStream, EveryShortBufferRaises) {
    const QByteArray full = Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    for (int length = 0; length < full.size(); ++length) {
        QByteArray data = full.left(length);
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        qel::BinaryReader reader(buffer);
        if (length < 8) {
            EXPECT_THROW(reader.readU64(), EReadError) << length;
        }
        buffer.seek(0);
        if (length < 4) {
            EXPECT_THROW(reader.readI32(), EReadError) << length;
        }
        buffer.seek(0);
        EXPECT_THROW(reader.readExtended(), EReadError) << length;
        buffer.seek(0);
        EXPECT_THROW(reader.readBytes(length + 1), EReadError) << length;
    }
}

TEST(BinaryStream, RefusesCountsBeyondTheDataWithoutAllocating) {
    QByteArray data = Bytes({1, 2, 3, 4});
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    qel::BinaryReader reader(buffer);
    reader.readU8();
    // A terabyte would fail under the sanitizers if it were allocated before the check.
    EXPECT_THROW(reader.readBytes(qint64(1) << 40), EReadError);
    EXPECT_THROW(reader.readBytes(-1), EReadError);
    EXPECT_THROW(reader.checkCount(std::numeric_limits<qint64>::max(), 8), EReadError);
    EXPECT_THROW(reader.checkCount(2, 2), EReadError);
    EXPECT_NO_THROW(reader.checkCount(3, 1));
    EXPECT_EQ(reader.readBytes(3), Bytes({2, 3, 4}));
}

TEST(BinaryStream, ExtendedFixturesAndRoundTrip) {
    const struct {
        long double value;
        QByteArray bytes;
    } fixtures[] = {
        {1.0L, Bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F})},
        {-2.0L, Bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0})},
        {0.0L, Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
        {3.0L, Bytes({0, 0, 0, 0, 0, 0, 0, 0xC0, 0x00, 0x40})},
    };
    for (const auto& f : fixtures) {
        unsigned char bytes[10];
        qel::EncodeExtended(f.value, bytes);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(bytes), 10), f.bytes)
            << static_cast<double>(f.value);
        EXPECT_EQ(qel::DecodeExtended(reinterpret_cast<const unsigned char*>(f.bytes.data())),
                  f.value);
    }
    for (long double v : {123456.789L, -1e-300L, 1e300L, 1e-4940L, 0.1L}) {
        unsigned char bytes[10];
        qel::EncodeExtended(v, bytes);
        EXPECT_EQ(qel::DecodeExtended(bytes), v) << static_cast<double>(v);
    }
    unsigned char bytes[10];
    qel::EncodeExtended(std::numeric_limits<long double>::infinity(), bytes);
    EXPECT_TRUE(std::isinf(qel::DecodeExtended(bytes)));
    qel::EncodeExtended(std::nanl(""), bytes);
    EXPECT_TRUE(std::isnan(qel::DecodeExtended(bytes)));
}

TEST(BinaryStream, WorksOnFiles) {
    qel::test::TempFolder folder;
    QFile file(folder.file("data.bin"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    qel::BinaryWriter(file).writeU32(0xDEADBEEF);
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    qel::BinaryReader reader(file);
    EXPECT_EQ(reader.bytesLeft(), 4);
    EXPECT_EQ(reader.readU32(), 0xDEADBEEFu);
    EXPECT_THROW(reader.readU8(), EReadError);
}
