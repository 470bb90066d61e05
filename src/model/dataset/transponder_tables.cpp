#include "model/dataset/transponder_tables.h"

#include <QString>
#include <algorithm>

#include "platform/exception.h"

namespace qel {

AntennaTable::AntennaTable() : FEntries(std::make_unique<AntennaEntry[]>(Size)) {}

AntennaEntry AntennaTable::Entry(int32_t anAntennaID) const {
    return InRange(anAntennaID) ? FEntries[anAntennaID] : AntennaEntry{};
}

void AntennaTable::Set(int32_t anAntennaID, const AntennaEntry& anEntry) {
    if (InRange(anAntennaID)) {
        FEntries[anAntennaID] = anEntry;
    }
}

void AntennaTable::SetIndex(int32_t anAntennaID, int32_t anIndex) {
    if (InRange(anAntennaID)) {
        FEntries[anAntennaID].TransponderIndex = static_cast<int16_t>(anIndex);
    }
}

void AntennaTable::Reset() {
    std::fill_n(FEntries.get(), Size, AntennaEntry{});
}

int32_t TransponderIDTable::Index(int32_t aTPid) const {
    if (aTPid < 0 || aTPid >= Size()) {
        return -1;
    }
    return FIndexes[static_cast<size_t>(aTPid)];
}

void TransponderIDTable::Set(int32_t aTPid, int32_t anIndex) {
    if (!InRange(aTPid)) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("The transponder id %1 lies outside 0..%2").arg(aTPid).arg(MaxID));
    }
    if (aTPid >= Size()) {
        FIndexes.resize(static_cast<size_t>(aTPid) + 1, -1);
    }
    FIndexes[static_cast<size_t>(aTPid)] = anIndex;
}

void TransponderIDTable::Reset(int32_t aSize) {
    FIndexes.assign(static_cast<size_t>(std::max(aSize, InitialSize)), -1);
}

}  // namespace qel
