#include "model/blocks/passes.h"

#include "platform/binary_stream.h"

namespace {

RqelCalculatedPosition ReadPosition(double aXinM, double aYinM, int32_t aTransponderID) {
    RqelCalculatedPosition position;
    position.Init(aXinM, aYinM, 0, 0, 0, 0, aTransponderID, false, false);
    return position;
}

}  // namespace

void TqelPasses::readFromStream(qel::BinaryReader& aReader, int32_t) {
    const int32_t begin = aReader.readI32();
    const int32_t end = aReader.readI32();
    const int32_t sender = aReader.readI32();
    const int32_t receiver = aReader.readI32();
    const int32_t team = aReader.readI32();
    const double startX = aReader.readDouble();
    const double startY = aReader.readDouble();
    const double endX = aReader.readDouble();
    const double endY = aReader.readDouble();

    FTimeBeginInMS = begin;
    FTimeEndInMS = end;
    FTPidSend = sender;
    FTPidReceived = receiver;
    FTeamIdPossession = team;
    FPositionStart = ReadPosition(startX, startY, sender);
    FPositionEnd = ReadPosition(endX, endY, receiver);
}

void TqelPasses::writeToStream(qel::BinaryWriter& aWriter) const {
    aWriter.writeI32(FTimeBeginInMS);
    aWriter.writeI32(FTimeEndInMS);
    aWriter.writeI32(FTPidSend);
    aWriter.writeI32(FTPidReceived);
    aWriter.writeI32(FTeamIdPossession);
    aWriter.writeDouble(FPositionStart.XinM);
    aWriter.writeDouble(FPositionStart.YinM);
    aWriter.writeDouble(FPositionEnd.XinM);
    aWriter.writeDouble(FPositionEnd.YinM);
}
