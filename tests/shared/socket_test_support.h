#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QEvent>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstring>
#include <functional>

#include "foundation/logging/logger.h"
#include "platform/queued_call.h"

namespace qel::test {

// Frames as the client protocol cuts them: type (4 bytes), total length (4 bytes), payload;
// little-endian. The payload counts up from aType so that messages differ.
inline QByteArray Frame(int32_t aType, int aPayloadSize) {
    QByteArray bytes(8 + aPayloadSize, '\0');
    const int32_t length = 8 + aPayloadSize;
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<char>((aType >> (8 * i)) & 0xFF);
        bytes[4 + i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    }
    for (int i = 0; i < aPayloadSize; ++i) {
        bytes[8 + i] = static_cast<char>(aType + i);
    }
    return bytes;
}

// The boundary check of those frames: the length field once the header is there and the whole
// message has arrived.
inline void FrameBoundaryCheck(const char* aDatagram, int32_t aDatagramSize, int32_t& aLength) {
    aLength = -1;
    if (aDatagramSize >= 8) {
        int32_t length = 0;
        std::memcpy(&length, aDatagram + 4, sizeof(length));
        if (length <= aDatagramSize) {
            aLength = length;
        }
    }
}

// Lets the event loop run until the condition holds; false after the time limit.
inline bool WaitUntil(const std::function<bool()>& aDone, int aTimeoutMs = 5000) {
    return ProcessMessagesFor(aTimeoutMs, aDone);
}

// Frees what was handed to deleteLater, so that nothing is left for the leak check.
inline void FlushDeferredDeletes() {
    ProcessMessages();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Collects the framework log's lines for the length of a test.
class LogCapture {
public:
    LogCapture() {
        Logger().OnLog = [this](TlpmLogLevel, TlpmLogCategory, const QString& aLine) {
            FLines << aLine;
        };
    }
    ~LogCapture() { Logger().OnLog = nullptr; }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Lines are "yyyy/mm/dd hh:mm:ss.zzz: " followed by the tag and the text.
    int count(const QString& aTaggedText) const {
        int found = 0;
        for (const QString& line : FLines) {
            if (line.size() == 25 + aTaggedText.size() && line.endsWith(aTaggedText) &&
                line.mid(23, 2) == QStringLiteral(": ")) {
                ++found;
            }
        }
        return found;
    }
    bool contains(const QString& aFragment) const { return FLines.filter(aFragment).size() > 0; }
    const QStringList& lines() const { return FLines; }

private:
    QStringList FLines;
};

}  // namespace qel::test
