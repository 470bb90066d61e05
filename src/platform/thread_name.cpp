#include "platform/thread_name.h"

#include <cstdint>

namespace {

// Linux thread names hold 15 bytes.
constexpr qsizetype kThreadNameBytes = 15;

}  // namespace

namespace qel {

QByteArray ThreadName(const QString& aName) {
    QByteArray bytes = aName.toUtf8();
    if (bytes.size() <= kThreadNameBytes) {
        return bytes;
    }
    qsizetype cut = kThreadNameBytes;
    while (cut > 0 && (static_cast<uint8_t>(bytes[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    bytes.truncate(cut);
    return bytes;
}

}  // namespace qel
