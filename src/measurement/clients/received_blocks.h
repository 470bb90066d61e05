#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

#include "foundation/protocol/client_protocol_types.h"

namespace qel {

// A game a client sent (message 71), held until the main thread hands it on. It keeps the
// received message whole and is forwarded as it came: the block is read by the data model's
// game, which this holder stands in for.
//
// Main thread only.
class ReceivedGameBlock final : public IGameBlock {
public:
    explicit ReceivedGameBlock(const QByteArray& aMessage) : FMessage(aMessage) {}

    // The message as received, frame included.
    const QByteArray& Message() const { return FMessage; }
    uint8_t StreamVersion() const { return FStreamVersion; }

    // Raises EAssertionFailed: re-encoding would stamp the current version on an older block.
    void writeToStream(BinaryWriter& aStream, bool aWriteCompleteTeams,
                       bool aWriteCalculations) override;
    // Notes the version; the block itself stays in the message.
    void readFromStream(BinaryReader& aStream, uint8_t aVersion) override;
    int32_t DatasetFirstLPMtime() const override { return FDatasetFirstLPMtime; }
    void SetDatasetFirstLPMtime(int32_t aValue) override { FDatasetFirstLPMtime = aValue; }

private:
    QByteArray FMessage;
    uint8_t FStreamVersion = 0;
    int32_t FDatasetFirstLPMtime = 0;
};

}  // namespace qel
