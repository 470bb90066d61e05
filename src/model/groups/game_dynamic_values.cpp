// The numbered values of a game.

#include <limits>

#include "foundation/settings/dynamic_values.h"
#include "model/dataset/dataset.h"
#include "model/groups/game.h"
#include "model/transponder/transponder_data.h"
#include "platform/date_time.h"

namespace {

// A 32-bit integer as the values are, wider only when the difference does not fit.
QVariant IntegerValue(int64_t aValue) {
    if (aValue < std::numeric_limits<int32_t>::min() ||
        aValue > std::numeric_limits<int32_t>::max()) {
        return QVariant(static_cast<qint64>(aValue));
    }
    return QVariant(static_cast<int32_t>(aValue));
}

}  // namespace

QVariant TqelGame::calcDynamicValue(const TqelDynaValueDef& aValueDef, int32_t aUnit,
                                    int32_t aTimestamp, int32_t aRangeStart, int32_t,
                                    int32_t) const {
    QVariant result;
    switch (aValueDef.Type()) {
        case 1:
            result = QVariant(aTimestamp);
            break;
        case 2:
            result = IntegerValue(int64_t{aTimestamp} - aRangeStart);
            break;
        case 3:
            if (FDataSet) {
                result =
                    QVariant(qel::DateTimeToQDateTime(FDataSet->DatasetTimeToDateTime(aTimestamp)));
            }
            break;
        case 4:
            // The LPM clock is an unsigned 32-bit millisecond counter that wraps.
            if (FDataSet) {
                result = QVariant(static_cast<uint32_t>(aTimestamp) + FDataSet->FirstSampleTick());
            }
            break;
        case 122:
            result = QVariant(PassByTime(aTimestamp) ? 1 : 0);
            break;
        case 123:
            if (FDataSet && FBallID != 0) {
                if (TqelTransponderData* ball = FDataSet->GetTransponderByTP(FBallID)) {
                    result = QVariant(ball->calcAcceleration(aTimestamp));
                }
            }
            break;
        default:
            // 110 to 112 come with the team shape, 124 and 125 with the possession state.
            break;
    }
    return result.isNull() ? result : aValueDef.convertToUnit(result, aUnit);
}
