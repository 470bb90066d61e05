#include "model/transponder/game_records.h"

void RqelClockSample::SetValues(int32_t aDatasetTimeInMS, int32_t aGameTimeInS, int32_t aPeriod,
                                int32_t aGoalHome, int32_t aGoalGuest, bool aRunning) {
    SetDatasetTimeInMS(aDatasetTimeInMS);
    setValue1(0);
    setField(GameTimeShift, GameTimeBits, aGameTimeInS);
    SetPeriod(aPeriod);
    SetGoalGuest(aGoalGuest);
    SetGoalHome(aGoalHome);
    SetRunning(aRunning);
}
