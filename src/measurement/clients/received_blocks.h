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

// A transponder a client sent (message 72), held until the main thread hands it on. It reads
// the identity at the start of the block (ids, vest, antennas, roles, athlete name) by the
// received version, keeps the received message whole and is forwarded as it came.
//
// Main thread only.
class ReceivedTransponderBlock final : public ITransponderBlock {
public:
    explicit ReceivedTransponderBlock(const QByteArray& aMessage) : FMessage(aMessage) {}

    const QByteArray& Message() const { return FMessage; }
    uint8_t StreamVersion() const { return FStreamVersion; }

    // Raises EAssertionFailed, as for the game.
    void writeToStream(BinaryWriter& aStream, IlpmProgress* aProgressCallback,
                       bool aPropertiesOnly) override;
    // Fields that the version does not carry keep their values. A string longer than the rest
    // of the stream, or a block that ends early, raises EReadError.
    void readFromStream(BinaryReader& aStream, uint8_t aVersion,
                        IlpmProgress* aProgressCallback) override;

    int32_t TPid() const { return FTPid; }
    const QString& VestID() const { return FVestID; }
    // 0 for none.
    uint16_t Antenna1ID() const { return FAntennaIDs[0]; }
    const std::array<uint16_t, 4>& AntennaIDs() const { return FAntennaIDs; }
    uint8_t Role() const { return FRole; }
    int32_t PlayerRole() const { return FPlayerRole; }
    const QString& AthleteName() const { return FAthleteName; }

private:
    QByteArray FMessage;
    uint8_t FStreamVersion = 0;
    int32_t FTPid = 0;
    QString FVestID;
    std::array<uint16_t, 4> FAntennaIDs{};
    uint8_t FRole = 0;
    int32_t FPlayerRole = 0;
    QString FAthleteName;
};

}  // namespace qel
