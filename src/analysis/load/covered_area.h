#pragma once

#include <cstdint>
#include <vector>

#include "analysis/framework/calculation_varuza.h"

// The area an athlete covered: time per 1 m x 1 m cell of the field's measure box while on the
// field with the clock running, and after Finalize the area of the cells visited for more than
// a threshold and their bounding rectangle.
//
// Threads: as every analysis object (TqelCalculationVaruza): the calculation's ResultLock()
// guards every field.
class TqelCovertArea : public TqelCalculationVaruza {
public:
    // Boxes of more cells than this (a square kilometre) get no grid.
    static constexpr int64_t kMaxCells = 1000000;

    using TqelCalculationVaruza::TqelCalculationVaruza;

    // Sizes the grid from the measure box; an inverted, empty or too large box gets none and
    // counts nothing.
    bool Init() override;
    void ProcessTimeFrame(int32_t aTimeInMS, bool aOnField, const RqelCalculatedPosition& aPos,
                          double aDistance, double aSpeed, double aFifaSpeed, double anAcceleration,
                          double aHeartbeat, double anImpact, bool aTeamHasPossession,
                          TqelPlayDirection aPlayDirection, bool aBallAlive,
                          bool aClockIsRunning) override;
    void Finalize() override;
    // Reads the results; the grid is not stored, so the object counts nothing until Init.
    void ReadFromStream(qel::BinaryReader& aStream, uint8_t aVersion) override;
    void writeToStream(qel::BinaryWriter& aStream) const override;

    int32_t MaxTimeInSquare() const { return FMaxTimeInSquare; }
    // m²; valid after Finalize.
    double SquareMeters() const { return FSquareMeters; }
    // Bounds of the visited cells, mm; valid after Finalize.
    int32_t MinXPosInMM() const { return FMinXPosInMM; }
    int32_t MaxXPosInMM() const { return FMaxXPosInMM; }
    int32_t MinYPosInMM() const { return FMinYPosInMM; }
    int32_t MaxYPosInMM() const { return FMaxYPosInMM; }
    int32_t XResolution() const { return FXResolution; }
    int32_t YResolution() const { return FYResolution; }
    // Time of a cell, ms; 0 outside the grid.
    int32_t CellTimeInMS(int32_t anX, int32_t aY) const;
    // Cells the grid has room for: 0 when none was allocated.
    size_t GridCapacity() const { return FSectors.capacity(); }

private:
    // Cell index along an axis of aCells cells from aMinInMM; -1 outside.
    static int32_t CellIndex(double aPosInM, int32_t aMinInMM, int32_t aCells);

    // [ix * FYResolution + iy], ms.
    std::vector<int32_t> FSectors;
    int32_t FXmin = 0;
    int32_t FXmax = 0;
    int32_t FYmin = 0;
    int32_t FYmax = 0;
    int32_t FResolutionMM = 1000;
    int32_t FXResolution = 0;
    int32_t FYResolution = 0;
    int32_t FMaxTimeInSquare = 0;
    double FSquareMeters = 0;
    int32_t FMinXPosInMM = 0;
    int32_t FMaxXPosInMM = 0;
    int32_t FMinYPosInMM = 0;
    int32_t FMaxYPosInMM = 0;
};
