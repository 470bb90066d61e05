#include "analysis/load/heatmap_info.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <QtEndian>
#include <algorithm>
#include <bit>
#include <limits>

#include "analysis/framework/calculation.h"
#include "analysis/framework/calculation_context.h"
#include "foundation/logging/logger.h"
#include "platform/binary_stream.h"

QEL_REGISTER_CALCULATION(TqelHeatmapInfo, Heatmap, Heatmap)

namespace {

// hmrSmall: one cell per whole metre of the box.
int64_t MetreCells(int32_t aLow, int32_t aHigh) {
    return (static_cast<int64_t>(aHigh) - aLow) / 1000;
}

// A cell index from a position's offset in cells, or -1 when it lies outside 0 .. aCount - 1.
// The range is tested on the quotient, so that NaN or a far position never reaches the
// conversion; inside it truncation toward zero folds (-1, 0) into the first cell.
int32_t CellIndex(double aQuotient, int32_t aCount) {
    if (!(aQuotient > -1 && aQuotient < aCount)) {
        return -1;
    }
    return static_cast<int32_t>(aQuotient);
}

}  // namespace

TqelHeatmapInfo::TqelHeatmapInfo(TqelCalculation& aCalculation)
    : TqelCalculationVaruza(aCalculation) {}

TqelHeatmapInfo::~TqelHeatmapInfo() = default;

bool TqelHeatmapInfo::Init() {
    return Init(Calculation()->HeatmapResolution());
}

bool TqelHeatmapInfo::Init(TqelHeatmapResolution aResolution) {
    switch (aResolution) {
        case hmrSmall: {
            const RqelFieldBox box = Calculation()->Context().FieldBox();
            const int64_t columns = MetreCells(box.LeftTop.XinMM, box.RightBottom.XinMM);
            const int64_t rows = MetreCells(box.RightBottom.YinMM, box.LeftTop.YinMM);
            // An inverted box gives no cells; a 32-bit box gives at most 4.3 million per axis.
            return Init(static_cast<int32_t>(std::max<int64_t>(columns, 0)),
                        static_cast<int32_t>(std::max<int64_t>(rows, 0)));
        }
        case hmrMedium:
            return Init(20, 12);
        case hmrLarge:
            return Init(10, 6);
        default:
            return false;
    }
}

bool TqelHeatmapInfo::Init(int32_t aXResolution, int32_t aYResolution) {
    if (aXResolution <= 0 || aYResolution <= 0) {
        return true;
    }
    if (static_cast<int64_t>(aXResolution) * aYResolution > kMaxCells) {
        Logger().error(QStringLiteral("Heat map of transponder %1: %2 x %3 cells are too many, "
                                      "no grid laid")
                           .arg(TransponderID())
                           .arg(aXResolution)
                           .arg(aYResolution));
        return true;
    }
    TqelCalculation& calculation = *Calculation();
    const qel::CalculationContext& context = calculation.Context();
    const RqelFieldBox box = context.FieldBox();
    FPlayDirection =
        context.PartPlayDirection(calculation.GameID(), calculation.PartID(), TransponderID());
    FXResolution = aXResolution;
    FYResolution = aYResolution;
    FXmin = box.LeftTop.XinMM;
    FXmax = box.RightBottom.XinMM;
    FYmin = box.RightBottom.YinMM;
    FYmax = box.LeftTop.YinMM;
    // In double: the difference of two 32-bit edges may not fit 32 bits.
    FXResolutionMM = (static_cast<double>(FXmax) - FXmin) / FXResolution;
    FYResolutionMM = (static_cast<double>(FYmax) - FYmin) / FYResolution;
    FSectors.assign(static_cast<size_t>(FXResolution) * FYResolution, 0);
    return true;
}

void TqelHeatmapInfo::ProcessTimeFrame(int32_t, bool aOnField, const RqelCalculatedPosition& aPos,
                                       double, double, double, double, double, double, bool,
                                       TqelPlayDirection, bool, bool aClockIsRunning) {
    if (!aOnField || !aClockIsRunning) {
        return;
    }
    // A box without width or height, or a grid read and not laid since, has no cells to hit.
    if (FXResolutionMM == 0 || FYResolutionMM == 0) {
        return;
    }
    int32_t i = CellIndex((aPos.XinM * 1000 - FXmin) / FXResolutionMM, FXResolution);
    int32_t j = CellIndex((aPos.YinM * 1000 - FYmin) / FYResolutionMM, FYResolution);
    if (i < 0 || j < 0) {
        return;
    }
    if (FPlayDirection == pldRightToLeft) {
        i = FXResolution - i - 1;
        j = FYResolution - j - 1;
    }
    int32_t& cell = FSectors[static_cast<size_t>(i) * FYResolution + j];
    // Saturates instead of wrapping: a cell of 25 days is full.
    const int64_t sum = static_cast<int64_t>(cell) + TimeFrameInMS();
    cell = static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

void TqelHeatmapInfo::Finalize() {
    rapidjson::StringBuffer text;
    rapidjson::Writer<rapidjson::StringBuffer> writer(text);
    writer.StartObject();
    writer.Key("XResolution");
    writer.Int(FXResolution);
    writer.Key("YResolution");
    writer.Int(FYResolution);
    writer.Key("Sectors");
    writer.StartArray();
    for (int32_t i = 0; i < FXResolution; ++i) {
        writer.StartObject();
        writer.Key("X");
        writer.Int(i);
        writer.Key("Y");
        writer.StartArray();
        for (int32_t j = 0; j < FYResolution; ++j) {
            writer.StartObject();
            writer.Key("Y");
            writer.Int(j);
            writer.Key("TimeMS");
            writer.Int(Sectors(i, j));
            writer.EndObject();
        }
        writer.EndArray();
        writer.EndObject();
    }
    writer.EndArray();
    writer.EndObject();
    FMetaData = QString::fromUtf8(text.GetString(), static_cast<qsizetype>(text.GetSize()));
}

int32_t TqelHeatmapInfo::Sectors(int32_t i, int32_t j) const {
    if (i < 0 || i >= FXResolution || j < 0 || j >= FYResolution) {
        return 0;
    }
    return FSectors[static_cast<size_t>(i) * FYResolution + j];
}

void TqelHeatmapInfo::ReadFromStream(qel::BinaryReader& aStream, uint8_t) {
    const int32_t xCount = aStream.readI32();
    const int32_t yCount = aStream.readI32();
    if (xCount < 0 || yCount < 0 || xCount > kMaxCells || yCount > kMaxCells) {
        throw EReadError(
            QStringLiteral("Stream Error: a heat map of %1 x %2 cells").arg(xCount).arg(yCount));
    }
    const int64_t cells = xCount > 0 && yCount > 0 ? static_cast<int64_t>(xCount) * yCount : 0;
    aStream.checkCount(cells, sizeof(int32_t));
    std::vector<int32_t> sectors(static_cast<size_t>(cells));
    aStream.readExact(sectors.data(), cells * static_cast<int64_t>(sizeof(int32_t)));
    if constexpr (std::endian::native != std::endian::little) {
        qFromLittleEndian<int32_t>(sectors.data(), cells, sectors.data());
    }
    FXResolution = xCount;
    FYResolution = yCount;
    FSectors = std::move(sectors);
    FMetaData.clear();
}

void TqelHeatmapInfo::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(FXResolution);
    aStream.writeI32(FYResolution);
    if (FXResolution == 0 || FYResolution == 0) {
        return;
    }
    if constexpr (std::endian::native == std::endian::little) {
        aStream.writeBytes(FSectors.data(), static_cast<qint64>(FSectors.size() * sizeof(int32_t)));
    } else {
        for (int32_t value : FSectors) {
            aStream.writeI32(value);
        }
    }
}
