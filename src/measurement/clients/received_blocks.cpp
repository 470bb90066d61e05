#include "measurement/clients/received_blocks.h"

#include "foundation/stream_strings.h"
#include "platform/exception.h"

namespace qel {

namespace {

[[noreturn]] void RefuseReencoding(const char* aWhat) {
    throw EAssertionFailed(
        QStringLiteral("A received %1 is forwarded as it came, never encoded again")
            .arg(QLatin1String(aWhat)));
}

}  // namespace

void ReceivedGameBlock::writeToStream(BinaryWriter& aStream, bool aWriteCompleteTeams,
                                      bool aWriteCalculations) {
    RefuseReencoding("game");
}

void ReceivedGameBlock::readFromStream(BinaryReader& aStream, uint8_t aVersion) {
    FStreamVersion = aVersion;
}

}  // namespace qel
