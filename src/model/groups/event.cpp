#include "model/groups/event.h"

#include <algorithm>

#include "foundation/stream_strings.h"
#include "foundation/text_utils.h"
#include "model/dataset/dataset.h"
#include "model/groups/model_lock.h"
#include "platform/exception.h"
#include "platform/text_compare.h"

namespace {

// Bytes of the smallest qualifier block: its id and two empty strings.
constexpr qint64 kMinQualifierBytes = 12;
// Before this version the event type holds a set of kinds, one bit each.
constexpr int32_t kKindSetBeforeVersion = 134;
constexpr int32_t kHighestKind = evkOffside;

// The highest kind whose bit is set; 0 when none.
int32_t KindOfSet(int32_t aKindSet) {
    const auto bits = static_cast<uint32_t>(aKindSet);
    for (int32_t kind = kHighestKind; kind > 0; --kind) {
        if (bits & (1u << kind)) {
            return kind;
        }
    }
    return 0;
}

}  // namespace

// --- Qualifiers ---

TqelEventQualifier* TqelEventQualifiers::Add(int32_t anID, const QString& aDescription,
                                             const QString& aValue) {
    if (anID != 0) {
        if (TqelEventQualifier* existing = ItemByID(anID)) {
            return existing;
        }
    }
    TqelEventQualifier* qualifier = New();
    qualifier->ID = anID;
    qualifier->Description = aDescription;
    qualifier->Value = aValue;
    return qualifier;
}

TqelEventQualifier* TqelEventQualifiers::New() {
    return FItems.emplace_back(std::make_unique<TqelEventQualifier>()).get();
}

TqelEventQualifier* TqelEventQualifiers::GetItem(int32_t anIndex) const {
    if (anIndex < 0 || anIndex >= Count()) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Index %1 is outside the list of %2").arg(anIndex).arg(Count()));
    }
    return FItems[static_cast<size_t>(anIndex)].get();
}

TqelEventQualifier* TqelEventQualifiers::ItemByID(int32_t anID) const {
    for (const auto& item : FItems) {
        if (item->ID == anID) {
            return item.get();
        }
    }
    return nullptr;
}

int32_t TqelEventQualifiers::IndexOf(const QString& aDescription) const {
    for (int32_t i = 0; i < Count(); ++i) {
        if (qel::SameText(FItems[static_cast<size_t>(i)]->Description, aDescription)) {
            return i;
        }
    }
    return -1;
}

void TqelEventQualifiers::readFromStream(qel::BinaryReader& aStream, int32_t /*aVersion*/) {
    const int32_t count = aStream.readI32();
    aStream.checkCount(count, kMinQualifierBytes);
    for (int32_t i = 0; i < count; ++i) {
        auto qualifier = std::make_unique<TqelEventQualifier>();
        qualifier->ID = aStream.readI32();
        qualifier->Description = ReadStreamString(aStream);
        qualifier->Value = ReadStreamString(aStream);
        FItems.push_back(std::move(qualifier));
    }
}

void TqelEventQualifiers::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(Count());
    for (const auto& item : FItems) {
        aStream.writeI32(item->ID);
        WriteStreamString(aStream, item->Description);
        WriteStreamString(aStream, item->Value);
    }
}

// --- Event ---

TqelEvent::TqelEvent(TqelDataset* aDataSet, int32_t anID) : FDataSet(aDataSet), FID(anID) {}

TqelEvent::~TqelEvent() = default;

void TqelEvent::SetValues(int8_t aSource, int32_t aTimeStart, int32_t aTimeEnd, int32_t aAthleteID,
                          int32_t aTargetID, double aX, double aY, int32_t aSymbol,
                          const QString& aLabels, int32_t aEventKind) {
    FSource = aSource;
    FTimeStart = std::max(aTimeStart, 0);
    FTimeEnd = aTimeEnd > 0 ? aTimeEnd : FTimeStart;
    FAthleteID = aAthleteID;
    FTargetID = aTargetID;
    FXinM = aX;
    FYinM = aY;
    FSymbol = aSymbol;
    setLabelsText(aLabels);
    FEventType = aEventKind;
}

int32_t TqelEvent::Duration() const {
    return FTimeEnd < FTimeStart ? 1 : FTimeEnd - FTimeStart;
}

template <class T>
void TqelEvent::StoreNotifying(T& aField, T aValue) {
    {
        qel::ModelLockGuard lock(FDataSet);
        if (aField == aValue) {
            return;
        }
        aField = aValue;
    }
    if (FDataSet) {
        FDataSet->notifyEventChanged(this);
    }
}

void TqelEvent::setTimeStart(int32_t aValue) {
    StoreNotifying(FTimeStart, aValue);
}

void TqelEvent::setTimeEnd(int32_t aValue) {
    StoreNotifying(FTimeEnd, aValue);
}

void TqelEvent::setSymbol(int32_t aValue) {
    StoreNotifying(FSymbol, aValue);
}

void TqelEvent::setAthleteID(int32_t aValue) {
    StoreNotifying(FAthleteID, aValue);
}

void TqelEvent::setTargetID(int32_t aValue) {
    StoreNotifying(FTargetID, aValue);
}

void TqelEvent::setXinM(double aValue) {
    StoreNotifying(FXinM, aValue);
}

void TqelEvent::setYinM(double aValue) {
    StoreNotifying(FYinM, aValue);
}

void TqelEvent::AddLabel(const QString& aLabel) {
    if (aLabel.isEmpty()) {
        return;
    }
    const auto at = std::lower_bound(FLabels.begin(), FLabels.end(), aLabel,
                                     [](const QString& aLeft, const QString& aRight) {
                                         return qel::CompareText(aLeft, aRight) < 0;
                                     });
    if (at != FLabels.end() && qel::CompareText(*at, aLabel) == 0) {
        return;
    }
    FLabels.insert(at, aLabel);
}

QString TqelEvent::LabelsText() const {
    QString text;
    for (const QString& label : FLabels) {
        text += label;
        text += QStringLiteral("\r\n");
    }
    return text;
}

void TqelEvent::setLabelsText(const QString& aText) {
    FLabels.clear();
    const QString text = qel::Trim(aText);
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\r' && text[i] != u'\n') {
            continue;
        }
        AddLabel(text.mid(start, i - start));
        if (i + 1 < text.size() && text[i] == u'\r' && text[i + 1] == u'\n') {
            ++i;
        }
        start = i + 1;
    }
}

int32_t TqelEvent::GetDBDtsID() {
    return FDataSet ? static_cast<int32_t>(FDataSet->DBDtsID()) : 0;
}

TqeldbEventQualifierValue TqelEvent::GetQualifier(uint32_t anIndex) {
    if (anIndex > static_cast<uint32_t>(INT32_MAX)) {
        throw EArgumentOutOfRangeException(QStringLiteral("no qualifier %1").arg(anIndex));
    }
    const TqelEventQualifier* qualifier = FQualifiers.GetItem(static_cast<int32_t>(anIndex));
    return {qualifier->ID, qualifier->Value};
}

void TqelEvent::readFromStream(qel::BinaryReader& aStream, int32_t aVersion) {
    if (aVersion >= 20) {
        FID = aStream.readI32();
    } else if (FDataSet) {
        FID = FDataSet->NextEventID();
    }
    FTimeStart = aStream.readI32();
    FTimeEnd = aStream.readI32();
    FSymbol = aStream.readI32();
    FSource = aVersion >= 34 ? static_cast<int8_t>(aStream.readI32() & 0xFF) : aStream.readI8();
    FAthleteID = aStream.readI32();
    FTargetID = aStream.readI32();
    FXinM = aStream.readDouble();
    FYinM = aStream.readDouble();
    const int32_t type = aStream.readI32();
    FEventType = aVersion < kKindSetBeforeVersion ? KindOfSet(type) : type;
    if (aVersion >= 135) {
        FOutcome = aStream.readI32();
        FQualifiers.readFromStream(aStream, aVersion);
    }
    setLabelsText(ReadStreamString(aStream));
    if (aVersion >= 136) {
        FExrID = aStream.readI32();
        FPrtID = aStream.readI32();
        FPartTimeMS = aStream.readI32();
        FTeamID = aStream.readI32();
    }
    setInitialized(true);
}

void TqelEvent::writeToStream(qel::BinaryWriter& aStream) const {
    aStream.writeI32(FID);
    aStream.writeI32(FTimeStart);
    aStream.writeI32(FTimeEnd);
    aStream.writeI32(FSymbol);
    aStream.writeI32(FSource);
    aStream.writeI32(FAthleteID);
    aStream.writeI32(FTargetID);
    aStream.writeDouble(FXinM);
    aStream.writeDouble(FYinM);
    aStream.writeI32(FEventType);
    aStream.writeI32(FOutcome);
    FQualifiers.writeToStream(aStream);
    WriteStreamString(aStream, LabelsText());
    aStream.writeI32(FExrID);
    aStream.writeI32(FPrtID);
    aStream.writeI32(FPartTimeMS);
    aStream.writeI32(FTeamID);
}
