#include "analysis/load/covered_area.h"

#include <algorithm>
#include <cmath>

#include "analysis/framework/calculation.h"
#include "analysis/framework/calculation_context.h"
#include "foundation/logging/logger.h"
#include "platform/binary_stream.h"

QEL_REGISTER_CALCULATION(TqelCovertArea, CovertArea, CovertArea)

bool TqelCovertArea::Init() {
    FSquareMeters = 0;
    FMaxTimeInSquare = 0;
    FResolutionMM = 1000;
    const RqelFieldBox box = Calculation()->Context().MeasureBox();
    FXmin = box.LeftTop.XinMM;
    FXmax = box.RightBottom.XinMM;
    FYmin = box.RightBottom.YinMM;
    FYmax = box.LeftTop.YinMM;
    // In 64 bits: the extent of a box spanning most of the int32 range does not fit 32.
    const int64_t xCells = (static_cast<int64_t>(FXmax) - FXmin) / FResolutionMM;
    const int64_t yCells = (static_cast<int64_t>(FYmax) - FYmin) / FResolutionMM;
    const bool usable = xCells > 0 && yCells > 0 && xCells * yCells <= kMaxCells;
    if (!usable && xCells > 0 && yCells > 0) {
        Logger().error(QStringLiteral("TqelCovertArea of TPid %1: the measure box of %2 x %3 "
                                      "cells is larger than %4 cells; no area is counted")
                           .arg(TransponderID())
                           .arg(xCells)
                           .arg(yCells)
                           .arg(kMaxCells));
    }
    FXResolution = usable ? static_cast<int32_t>(xCells) : 0;
    FYResolution = usable ? static_cast<int32_t>(yCells) : 0;
    FSectors.assign(static_cast<size_t>(FXResolution) * static_cast<size_t>(FYResolution), 0);
    return true;
}

int32_t TqelCovertArea::CellIndex(double aPosInM, int32_t aMinInMM, int32_t aCells) {
    // Halves to even, so a cell covers the metre centred on its lower corner.
    const double index = std::nearbyint((aPosInM * 1000 - aMinInMM) / 1000);
    // A NaN fails both tests.
    if (!(index >= 0 && index < aCells)) {
        return -1;
    }
    return static_cast<int32_t>(index);
}

void TqelCovertArea::ProcessTimeFrame(int32_t, bool aOnField, const RqelCalculatedPosition& aPos,
                                      double, double, double, double, double, double, bool,
                                      TqelPlayDirection, bool, bool aClockIsRunning) {
    if (!aOnField || !aClockIsRunning) {
        return;
    }
    const int32_t ix = CellIndex(aPos.XinM, FXmin, FXResolution);
    const int32_t iy = CellIndex(aPos.YinM, FYmin, FYResolution);
    if (ix < 0 || iy < 0) {
        return;
    }
    int32_t& cell = FSectors[static_cast<size_t>(ix) * FYResolution + iy];
    cell += TimeFrameInMS();
    FMaxTimeInSquare = std::max(FMaxTimeInSquare, cell);
}

int32_t TqelCovertArea::CellTimeInMS(int32_t anX, int32_t aY) const {
    if (anX < 0 || anX >= FXResolution || aY < 0 || aY >= FYResolution) {
        return 0;
    }
    return FSectors[static_cast<size_t>(anX) * FYResolution + aY];
}

void TqelCovertArea::Finalize() {
    FSquareMeters = 0;
    int32_t minX = FXResolution;
    int32_t minY = FYResolution;
    int32_t maxX = 0;
    int32_t maxY = 0;
    const int32_t timeFrame = TimeFrameInMS();
    // Cells crossed only briefly do not count: the threshold grows slowly with the longest stay.
    const double threshold =
        FMaxTimeInSquare < timeFrame ? timeFrame : std::pow(2.0, 0.1 * std::log2(FMaxTimeInSquare));
    const double cellArea = (FResolutionMM / 1000.0) * (FResolutionMM / 1000.0);
    for (int32_t x = 0; x < FXResolution; ++x) {
        for (int32_t y = 0; y < FYResolution; ++y) {
            if (FSectors[static_cast<size_t>(x) * FYResolution + y] > threshold) {
                FSquareMeters += cellArea;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
        }
    }
    FMinXPosInMM = static_cast<int32_t>(static_cast<int64_t>(minX) * FResolutionMM + FXmin);
    FMaxXPosInMM = static_cast<int32_t>(static_cast<int64_t>(maxX) * FResolutionMM + FXmin);
    FMinYPosInMM = static_cast<int32_t>(static_cast<int64_t>(minY) * FResolutionMM + FYmin);
    FMaxYPosInMM = static_cast<int32_t>(static_cast<int64_t>(maxY) * FResolutionMM + FYmin);
}

void TqelCovertArea::ReadFromStream(qel::BinaryReader& aStream, uint8_t) {
    const int32_t minX = aStream.readI32();
    const int32_t minY = aStream.readI32();
    const double area = aStream.readDouble();
    const int32_t maxX = aStream.readI32();
    const int32_t maxTime = aStream.readI32();
    const int32_t maxY = aStream.readI32();
    FMinXPosInMM = minX;
    FMinYPosInMM = minY;
    FSquareMeters = area;
    FMaxXPosInMM = maxX;
    FMaxTimeInSquare = maxTime;
    FMaxYPosInMM = maxY;
    FXResolution = 0;
    FYResolution = 0;
    FSectors.clear();
}

void TqelCovertArea::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(FMinXPosInMM);
    aStream.writeI32(FMinYPosInMM);
    aStream.writeDouble(FSquareMeters);
    aStream.writeI32(FMaxXPosInMM);
    aStream.writeI32(FMaxTimeInSquare);
    aStream.writeI32(FMaxYPosInMM);
}
