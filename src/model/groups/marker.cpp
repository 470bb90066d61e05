#include "model/groups/marker.h"

#include <QRegularExpression>

#include "database/datasets/markers.h"
#include "foundation/stream_strings.h"
#include "foundation/text_utils.h"
#include "model/dataset/dataset.h"
#include "model/groups/model_lock.h"

namespace {

// Characters of the description that ToString shows.
constexpr int kDescriptionInText = 80;

}  // namespace

TqelMarker::TqelMarker(TqelDataset* aDataSet, const QString& aDescription, int32_t anID)
    : FGUID(QUuid::createUuid()),
      FDataSet(aDataSet),
      FDescription(qel::Trim(aDescription)),
      FID(anID) {}

void TqelMarker::NotifyChanged() {
    if (FDataSet) {
        FDataSet->notifyMarkerChanged(this);
    }
}

void TqelMarker::setTimeposInMS(int32_t aValue) {
    {
        qel::ModelLockGuard lock(FDataSet);
        if (FTimeposInMS == aValue) {
            return;
        }
        FTimeposInMS = aValue;
    }
    if (FDataSet) {
        SaveToDatabase();
        NotifyChanged();
    }
}

void TqelMarker::setDescription(const QString& aValue) {
    {
        qel::ModelLockGuard lock(FDataSet);
        if (FDescription == aValue) {
            return;
        }
        FDescription = qel::Trim(aValue);
    }
    if (FDataSet) {
        SaveToDatabase();
        NotifyChanged();
    }
}

void TqelMarker::setSymbol(int32_t aValue) {
    {
        qel::ModelLockGuard lock(FDataSet);
        if (FSymbol == aValue) {
            return;
        }
        FSymbol = aValue;
    }
    NotifyChanged();
}

void TqelMarker::setMarkerType(int8_t aValue) {
    {
        qel::ModelLockGuard lock(FDataSet);
        if (FMarkerType == aValue) {
            return;
        }
        FMarkerType = aValue;
    }
    NotifyChanged();
}

TDateTime TqelMarker::TimePosAsDateTime() const {
    const TDateTime base = FDataSet ? FDataSet->Timestamp() : 0;
    return base + static_cast<double>(FTimeposInMS) / qel::kMSecsPerDay;
}

int64_t TqelMarker::LPMTimePos() const {
    const int64_t tick = FDataSet ? int64_t{FDataSet->FirstSampleTick()} : 0;
    return (tick + FTimeposInMS) * 10;
}

QString TqelMarker::AsText() const {
    QStringList parts;
    const QStringList lines =
        qel::Trim(FDescription).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (const QString& line : lines) {
        if (line.isEmpty()) {
            continue;
        }
        if (line.contains(u'"') || line.contains(u'/')) {
            QString quoted = line;
            quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
            parts.append(u'"' + quoted + u'"');
        } else {
            parts.append(line);
        }
    }
    return parts.join(u'/');
}

QString TqelMarker::ToString(TqelMarkerToStringType aType) const {
    const bool shortTime = aType == mtsShortTime || aType == mtsShortTimeAndDescription;
    const TDateTime time = static_cast<double>(FTimeposInMS) / qel::kMSecsPerDay;
    QString text =
        FormatDateTime(shortTime ? QStringLiteral("h:nn:ss") : QStringLiteral("h:nn:ss.zzz"), time);
    if (aType == mtsTimeAndDescription || aType == mtsShortTimeAndDescription) {
        text += u' ' + FDescription.left(kDescriptionInText);
    }
    return text;
}

void TqelMarker::SaveToDatabase() {
    if (!FDataSet || !FDataSet->Recording() || !FDataSet->StoreLivePositions() ||
        !FDataSet->Database()) {
        return;
    }
    TqeldbMarkers markers(FDataSet->Database());
    TqeldbMarker* row = markers.AddVaruza();
    row->setDtsID(static_cast<int32_t>(FDataSet->DBDtsID()));
    row->setExrID(0);
    row->setPrtID(0);
    row->setMarkerType(0);
    row->setDescription(FDescription);
    row->setGUID(FGUID);
    // The column holds 32 bits: a late measurement-system time wraps there as it always has.
    row->setLPMTimeMS(static_cast<int32_t>(LPMTimePos()));
    row->setTimestampMS(FTimeposInMS);
    markers.SaveMarker(row);
}

void TqelMarker::readFromStream(qel::BinaryReader& aStream, int32_t aVersion) {
    FID = aVersion >= 20 ? aStream.readI32() : -1;
    FTimeposInMS = aStream.readI32();
    if (aVersion >= 3) {
        FDescription = qel::Trim(ReadStreamString(aStream));
    }
    if (aVersion >= 7) {
        FSymbol = aStream.readI32();
    }
    FMarkerType = aVersion >= 32 ? static_cast<int8_t>(aStream.readI32() & 0xFF) : PlainMarker;
    setInitialized(true);
}

void TqelMarker::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(FID);
    aStream.writeI32(FTimeposInMS);
    WriteStreamString(aStream, FDescription);
    aStream.writeI32(FSymbol);
    aStream.writeI32(FMarkerType);
}
