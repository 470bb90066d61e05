#pragma once

#include <cstdint>

#include "model/blocks/play_list.h"
#include "model/blocks/stitch_file.h"
#include "model/blocks/viewer_option_set.h"
#include "model/dataset/notify_varuza.h"

class TqelDataset;

// A highlighted stretch of one transponder's track, shown by the viewers. Never stored.
//
// Threads: main thread only.
class TqelPath : public TNotifyVaruza {
public:
    explicit TqelPath(TqelDataset* aDataSet) : FDataSet(aDataSet) {}

    TqelDataset* Dataset() const { return FDataSet; }
    int32_t TPid() const { return FTPid; }
    void setTPid(int32_t aValue) { FTPid = aValue; }
    int32_t TimeBeginInMS() const { return FTimeBeginInMS; }
    void setTimeBeginInMS(int32_t aValue) { FTimeBeginInMS = aValue; }
    int32_t TimeEndInMS() const { return FTimeEndInMS; }
    void setTimeEndInMS(int32_t aValue) { FTimeEndInMS = aValue; }
    int32_t Color() const { return FColor; }
    void setColor(int32_t aValue) { FColor = aValue; }

private:
    TqelDataset* FDataSet;
    int32_t FTPid = 0;
    int32_t FTimeBeginInMS = 0;
    int32_t FTimeEndInMS = 0;
    int32_t FColor = 0;
};
