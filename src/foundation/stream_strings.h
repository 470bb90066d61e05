#pragma once

#include <QString>
#include <cstdint>

#include "platform/binary_stream.h"

// Length-prefixed strings of every persistent block: a 32-bit little-endian word; bit 31 set
// means the low 31 bits count UTF-16 code units, bit 31 clear means that many Windows-1252 bytes.
// We always write the UTF-16 form; the byte form is still read so that old data stays readable.

// With aWithLength the word comes first; without it only the code units are written. An empty
// text with length is the word 0x80000000 alone.
void WriteStreamString(qel::BinaryWriter& aStream, const QString& aText, bool aWithLength = true);

// Raises EReadError "Stream Error: String lenght is longer then the data in the stream" when the
// counted data runs past the end of the stream (both forms); the position is then just after
// the length word and nothing has been allocated.
void ReadStreamString(qel::BinaryReader& aStream, QString& aText);
QString ReadStreamString(qel::BinaryReader& aStream);

// The text as Windows-1252 bytes; with aWithLength preceded by their count (bit 31 clear).
void WriteStreamAnsiString(qel::BinaryWriter& aStream, const QString& aText,
                           bool aWithLength = false);

// aCount Windows-1252 bytes as text; empty for a count of 0 or less. Raises EReadError when
// fewer bytes are left.
QString ReadStreamAnsiChars(qel::BinaryReader& aStream, int32_t aCount);

namespace qel {

// Bit 31 of the length word: the string is UTF-16.
constexpr uint32_t kStreamStringUnicodeFlag = 0x80000000u;

}  // namespace qel
