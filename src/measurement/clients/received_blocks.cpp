#include "measurement/clients/received_blocks.h"

#include "foundation/stream_strings.h"
#include "platform/exception.h"

namespace qel {

namespace {

// First stream versions of the identity fields of a transponder block.
constexpr uint8_t kIdentityFrom = 77;
constexpr uint8_t kPropertiesFrom = 2;
constexpr uint8_t kRoleFrom = 16;
constexpr uint8_t kPlayerRoleFrom = 55;

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

void ReceivedTransponderBlock::writeToStream(BinaryWriter& aStream, IlpmProgress* aProgressCallback,
                                             bool aPropertiesOnly) {
    RefuseReencoding("transponder");
}

void ReceivedTransponderBlock::readFromStream(BinaryReader& aStream, uint8_t aVersion,
                                              IlpmProgress* aProgressCallback) {
    FStreamVersion = aVersion;
    if (aVersion >= kIdentityFrom) {
        FTPid = aStream.readI32();
        FVestID = ReadStreamString(aStream);
        for (uint16_t& antenna : FAntennaIDs) {
            antenna = aStream.readU16();
        }
    }
    if (aVersion >= kPropertiesFrom) {
        if (aVersion >= kRoleFrom) {
            FRole = aStream.readU8();
        }
        if (aVersion >= kPlayerRoleFrom) {
            FPlayerRole = aStream.readI32();
        }
        FAthleteName = ReadStreamString(aStream);
    }
}

}  // namespace qel
