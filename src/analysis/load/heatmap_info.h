#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "analysis/framework/calculation_varuza.h"

// How long the athlete stayed in each cell of a grid laid over the field box, counted while on
// the field and while the clock runs. The grid faces the attacking direction of the athlete's
// team in the part: for a team playing right to left both axes are mirrored.
//
// Threads: as every analysis object (see TqelCalculationVaruza); the readers may be called
// from any thread holding the calculation's ResultLock().
class TqelHeatmapInfo : public TqelCalculationVaruza {
public:
    // Grids above this many cells (4 MB) are not laid.
    static constexpr int64_t kMaxCells = 1000000;

    explicit TqelHeatmapInfo(TqelCalculation& aCalculation);
    ~TqelHeatmapInfo() override;

    void ProcessTimeFrame(int32_t aTimeInMS, bool aOnField, const RqelCalculatedPosition& aPos,
                          double aDistance, double aSpeed, double aFifaSpeed, double anAcceleration,
                          double aHeartbeat, double anImpact, bool aTeamHasPossession,
                          TqelPlayDirection aPlayDirection, bool aBallAlive,
                          bool aClockIsRunning) override;
    // Renders the grid into MetaData, replacing any earlier text.
    void Finalize() override;
    // With the calculation's HeatmapResolution.
    bool Init() override;
    // False for hmrNone (and any value outside the four), the grid left as it was.
    bool Init(TqelHeatmapResolution aResolution);
    // Lays a zeroed grid of the counts over the field box and fixes the play direction. True;
    // a count of 0 or less, or more than kMaxCells cells, changes nothing.
    bool Init(int32_t aXResolution, int32_t aYResolution);
    // Raises EReadError on a count that is negative, above kMaxCells or beyond the data.
    void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

    // Time in cell [i][j], ms; 0 outside the grid.
    int32_t Sectors(int32_t i, int32_t j) const;
    int32_t XResolution() const { return FXResolution; }
    int32_t YResolution() const { return FYResolution; }
    bool HasPicture() const { return !FHeatmapImage.isEmpty(); }
    // Nothing draws it yet: always empty.
    const QByteArray& Picture() const { return FHeatmapImage; }
    // Empty until the first Finalize after creation or a read.
    const QString& MetaData() const { return FMetaData; }

    // Fixed by Init and not streamed.
    TqelPlayDirection PlayDirection() const { return FPlayDirection; }
    double XResolutionMM() const { return FXResolutionMM; }
    double YResolutionMM() const { return FYResolutionMM; }

private:
    double FXResolutionMM = 0;
    double FYResolutionMM = 0;
    TqelPlayDirection FPlayDirection = pldNone;
    int32_t FXmin = 0;
    int32_t FXmax = 0;
    int32_t FYmin = 0;
    int32_t FYmax = 0;
    int32_t FXResolution = 0;
    int32_t FYResolution = 0;
    // X-major: cell [i][j] at i * FYResolution + j, as the block holds them.
    std::vector<int32_t> FSectors;
    QByteArray FHeatmapImage;
    QString FMetaData;
};
