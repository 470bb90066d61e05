#include "platform/buffered_output.h"

#include <algorithm>

namespace qel {

BufferedOutput::BufferedOutput(QIODevice& aTarget, qsizetype aCapacity)
    : FTarget(aTarget), FCapacity(aCapacity > 0 ? aCapacity : 1) {
    FBuffer.reserve(FCapacity);
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

// Whatever was not flushed is dropped: the owner decides whether a half-written target counts.
BufferedOutput::~BufferedOutput() = default;

bool BufferedOutput::flush() {
    if (FBuffer.isEmpty()) {
        return true;
    }
    const bool written = FTarget.write(FBuffer) == FBuffer.size();
    FBuffer.resize(0);
    return written;
}

qint64 BufferedOutput::writeData(const char* aData, qint64 aLength) {
    qint64 done = 0;
    while (done < aLength) {
        const qint64 room = FCapacity - FBuffer.size();
        const qint64 piece = std::min(room, aLength - done);
        FBuffer.append(aData + done, piece);
        done += piece;
        if (FBuffer.size() >= FCapacity && !flush()) {
            return -1;
        }
    }
    return done;
}

}  // namespace qel
