#include "foundation/stream_strings.h"

#include <QByteArray>

#include "platform/ansi_codec.h"

namespace {

const QString kStringTooLong =
    QStringLiteral("Stream Error: String lenght is longer then the data in the stream");
const QString kStringTooLongToWrite =
    QStringLiteral("Stream Error: String is too long for a stream string");

// Compared in 64 bits: a count near 2^31 code units must not wrap before the check.
void CheckStringFits(const qel::BinaryReader& aStream, int64_t aByteCount) {
    if (aByteCount > aStream.bytesLeft()) {
        throw EReadError(kStringTooLong);
    }
}

}  // namespace

void WriteStreamString(qel::BinaryWriter& aStream, const QString& aText, bool aWithLength) {
    const qsizetype count = aText.size();
    if (count > static_cast<qsizetype>(~qel::kStreamStringUnicodeFlag)) {
        throw EWriteError(kStringTooLongToWrite);
    }
    if (aWithLength) {
        aStream.writeU32(static_cast<uint32_t>(count) | qel::kStreamStringUnicodeFlag);
    }
    if (count == 0) {
        return;
    }
    QByteArray bytes(count * 2, Qt::Uninitialized);
    const QChar* units = aText.constData();
    for (qsizetype i = 0; i < count; ++i) {
        bytes[2 * i] = static_cast<char>(units[i].unicode() & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(units[i].unicode() >> 8);
    }
    aStream.writeBytes(bytes);
}

void ReadStreamString(qel::BinaryReader& aStream, QString& aText) {
    const uint32_t word = aStream.readU32();
    const int64_t count = word & ~qel::kStreamStringUnicodeFlag;
    if ((word & qel::kStreamStringUnicodeFlag) == 0) {
        CheckStringFits(aStream, count);
        aText = qel::FromWindows1252(aStream.readBytes(count));
        return;
    }
    CheckStringFits(aStream, 2 * count);
    const QByteArray bytes = aStream.readBytes(2 * count);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    QString text(count, Qt::Uninitialized);
    QChar* units = text.data();
    for (qsizetype i = 0; i < count; ++i) {
        units[i] = QChar(static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8));
    }
    aText = std::move(text);
}

QString ReadStreamString(qel::BinaryReader& aStream) {
    QString text;
    ReadStreamString(aStream, text);
    return text;
}

void WriteStreamAnsiString(qel::BinaryWriter& aStream, const QString& aText, bool aWithLength) {
    const QByteArray bytes = qel::ToWindows1252(aText);
    if (aWithLength) {
        if (bytes.size() > static_cast<qsizetype>(~qel::kStreamStringUnicodeFlag)) {
            throw EWriteError(kStringTooLongToWrite);
        }
        aStream.writeU32(static_cast<uint32_t>(bytes.size()));
    }
    aStream.writeBytes(bytes);
}

QString ReadStreamAnsiChars(qel::BinaryReader& aStream, int32_t aCount) {
    if (aCount <= 0) {
        return {};
    }
    return qel::FromWindows1252(aStream.readBytes(aCount));
}
