#include "model/blocks/match_info.h"

#include <utility>
#include "foundation/stream_strings.h"

#include "platform/binary_stream.h"

void TqelMatchInfo::readFromStream(qel::BinaryReader& aReader, int32_t) {
    TqelMatchInfo read;
    read.FCompetitionID = ReadStreamString(aReader);
    read.FCountry = ReadStreamString(aReader);
    read.FCompetitionName = ReadStreamString(aReader);
    read.FSeasonID = ReadStreamString(aReader);
    read.FSeasonName = ReadStreamString(aReader);
    read.FSymID = ReadStreamString(aReader);
    read.FMatchDay = aReader.readI32();
    read.FMatchType = ReadStreamString(aReader);
    read.FMatchID = ReadStreamString(aReader);
    *this = std::move(read);
}

void TqelMatchInfo::writeToStream(qel::BinaryWriter& aWriter) const {
    WriteStreamString(aWriter, FCompetitionID);
    WriteStreamString(aWriter, FCountry);
    WriteStreamString(aWriter, FCompetitionName);
    WriteStreamString(aWriter, FSeasonID);
    WriteStreamString(aWriter, FSeasonName);
    WriteStreamString(aWriter, FSymID);
    aWriter.writeI32(FMatchDay);
    WriteStreamString(aWriter, FMatchType);
    WriteStreamString(aWriter, FMatchID);
}
