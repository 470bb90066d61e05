#pragma once

#include <QString>
#include <cstdint>

namespace qel {
class BinaryReader;
class BinaryWriter;
}  // namespace qel

// The identifiers of a match as an outside match-data provider names it. The dataset owns one;
// only the dataset file fills it.
//
// Threads: filled by the file reader before the dataset is shared, read only afterwards.
class TqelMatchInfo {
public:
    const QString& MatchID() const { return FMatchID; }
    void setMatchID(const QString& aValue) { FMatchID = aValue; }
    const QString& MatchType() const { return FMatchType; }
    void setMatchType(const QString& aValue) { FMatchType = aValue; }
    const QString& CompetitionID() const { return FCompetitionID; }
    void setCompetitionID(const QString& aValue) { FCompetitionID = aValue; }
    const QString& SeasonName() const { return FSeasonName; }
    void setSeasonName(const QString& aValue) { FSeasonName = aValue; }
    const QString& Country() const { return FCountry; }
    void setCountry(const QString& aValue) { FCountry = aValue; }
    const QString& SeasonID() const { return FSeasonID; }
    void setSeasonID(const QString& aValue) { FSeasonID = aValue; }
    int32_t MatchDay() const { return FMatchDay; }
    void setMatchDay(int32_t aValue) { FMatchDay = aValue; }
    const QString& SymID() const { return FSymID; }
    void setSymID(const QString& aValue) { FSymID = aValue; }
    const QString& CompetitionName() const { return FCompetitionName; }
    void setCompetitionName(const QString& aValue) { FCompetitionName = aValue; }

    // The block's order, not the fields': competition id, country, competition name, season id,
    // season name, sym id, match day, match type, match id. The version is not used. A short
    // block raises and changes nothing.
    void readFromStream(qel::BinaryReader& aReader, int32_t aVersion);
    void writeToStream(qel::BinaryWriter& aWriter) const;

private:
    QString FMatchID;
    QString FMatchType;
    QString FCompetitionID;
    QString FSeasonName;
    QString FCountry;
    QString FSeasonID;
    int32_t FMatchDay = 0;
    QString FSymID;
    QString FCompetitionName;
};
