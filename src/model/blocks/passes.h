#pragma once

#include <cstdint>

#include "foundation/position_records.h"

namespace qel {
class BinaryReader;
class BinaryWriter;
}  // namespace qel

// One pass between two athletes, found by the ball-possession analysis. The game owns its
// passes; athletes and teams are referred to by id only.
//
// Threads: read and changed under the dataset's ModelLock(), like the game that owns it.
class TqelPasses {
public:
    // The pass block: 52 bytes.
    static constexpr int32_t StreamSize = 52;

    int32_t TimeBeginInMS() const { return FTimeBeginInMS; }
    void setTimeBeginInMS(int32_t aValue) { FTimeBeginInMS = aValue; }
    int32_t TimeEndInMS() const { return FTimeEndInMS; }
    void setTimeEndInMS(int32_t aValue) { FTimeEndInMS = aValue; }
    // Its TransponderID is the sender.
    const RqelCalculatedPosition& PositionStart() const { return FPositionStart; }
    void setPositionStart(const RqelCalculatedPosition& aValue) { FPositionStart = aValue; }
    // Its TransponderID is the receiver.
    const RqelCalculatedPosition& PositionEnd() const { return FPositionEnd; }
    void setPositionEnd(const RqelCalculatedPosition& aValue) { FPositionEnd = aValue; }
    int32_t TPidSend() const { return FTPidSend; }
    void setTPidSend(int32_t aValue) { FTPidSend = aValue; }
    int32_t TPidReceived() const { return FTPidReceived; }
    void setTPidReceived(int32_t aValue) { FTPidReceived = aValue; }
    // Group id of the team in possession.
    int32_t TeamIdPossession() const { return FTeamIdPossession; }
    void setTeamIdPossession(int32_t aValue) { FTeamIdPossession = aValue; }

    // The version is not used. The positions read hold X and Y and the athlete's id only: not
    // on the field, not valid for speed. A short block raises EReadError and changes nothing.
    void readFromStream(qel::BinaryReader& aReader, int32_t aVersion);
    void writeToStream(qel::BinaryWriter& aWriter) const;

private:
    RqelCalculatedPosition FPositionStart;
    int32_t FTimeEndInMS = 0;
    int32_t FTPidReceived = 0;
    int32_t FTPidSend = 0;
    RqelCalculatedPosition FPositionEnd;
    int32_t FTimeBeginInMS = 0;
    int32_t FTeamIdPossession = 0;
};
