#include <algorithm>

#include <mutex>

#include "analysis/framework/calculation.h"
#include "analysis/intensity/mip_info.h"
#include "database/database.h"
#include "database/datasets/markers.h"
#include "model/dataset/dataset.h"
#include "model/groups/game.h"
#include "model/groups/group.h"
#include "model/groups/model_lock.h"
#include "platform/date_time.h"
#include "platform/guid_text.h"

namespace {

constexpr int32_t kBeginMarker = 1;
constexpr int32_t kEndMarker = 2;

// The part's span changed: its members' most intense distances must be searched again.
void MarkMemberDistancesForRecalculation(const TqelGroup* aGroup) {
    if (!aGroup) {
        return;
    }
    for (int32_t i = 0; i < aGroup->MemberCount(); ++i) {
        const TqelGroupMember* member = aGroup->GetMember(i);
        TqelCalculation* calculation = member ? member->Calculation() : nullptr;
        if (!calculation) {
            continue;
        }
        std::lock_guard lock(calculation->ResultLock());
        if (TqelMIPInfo* mip = calculation->GameSpeedInfo()) {
            mip->GameSpeedResultDistance().setRecalculateNeeded(true);
        }
    }
}

QString TimeText(int32_t aTimeInMS) {
    return FormatDateTime(QStringLiteral("h:nn:ss"), aTimeInMS / 86400000.0);
}

}  // namespace

TqelGamePart::TqelGamePart(TqelGame* aGame, int32_t aID, bool aCreateGroup)
    : FID(aID),
      FGUID(qel::GuidToString(QUuid::createUuid())),
      FGame(aGame),
      FEndGUID(QUuid::createUuid()),
      FBeginGUID(QUuid::createUuid()) {
    setInitialized(true);
    TqelDataset* dataset = Dataset();
    if (aCreateGroup && dataset) {
        FGroup = dataset->addGroup(FGame, gtPart);
        FGroup->setPart(this);
        FGroup->AddTranspondersFromGame();
    }
}

// The part group stays in the dataset; whoever frees the part clears its reference there.
TqelGamePart::~TqelGamePart() {
    FGroup = nullptr;
    FGame = nullptr;
}

TqelDataset* TqelGamePart::Dataset() const {
    return FGame ? FGame->Dataset() : nullptr;
}

void TqelGamePart::NotifyChanged() {
    if (TqelDataset* dataset = Dataset()) {
        dataset->notifyGamePartChanged(this);
    }
}

QString TqelGamePart::PartCode() const {
    auto hex4 = [](int32_t aValue) {
        return QString::number(static_cast<uint32_t>(aValue), 16).toUpper().rightJustified(4, u'0');
    };
    return hex4(FGame ? FGame->ID() : 0) + hex4(FID);
}

QString TqelGamePart::GamePartName() const {
    return (FGame ? FGame->Name() : QString()) + QStringLiteral("/") + FPartName;
}

template <class T>
void TqelGamePart::StoreNotifying(T& aField, const T& aValue) {
    {
        qel::ModelLockGuard lock(Dataset());
        if (aField == aValue) {
            return;
        }
        aField = aValue;
    }
    NotifyChanged();
}

void TqelGamePart::setPartName(const QString& aValue) {
    StoreNotifying(FPartName, aValue);
}

void TqelGamePart::setPartClass(int32_t aValue) {
    StoreNotifying(FPartClass, aValue);
}

void TqelGamePart::setRestTimeInMS(int32_t aValue) {
    if (FRestTimeInMS.exchange(aValue) != aValue) {
        NotifyChanged();
    }
}

void TqelGamePart::setFieldDimensions(const QString& aValue) {
    StoreNotifying(FFieldDimensions, aValue);
}

void TqelGamePart::setPartIsEnded(bool aValue) {
    {
        qel::ModelLockGuard lock(Dataset());
        if (FPartIsEnded == aValue) {
            return;
        }
        FPartIsEnded = aValue;
    }
    if (!aValue && FGame) {
        FGame->setGameIsEnded(false);
    }
}

void TqelGamePart::setBeginTimeInMS(int32_t aValue) {
    TqelDataset* dataset = Dataset();
    qel::ModelLockGuard lock(dataset);
    if (aValue == FBeginTimePartInMS) {
        return;
    }
    FBeginTimePartInMS = aValue;
    if (!FPartIsEnded) {
        FEndTimeInMS = aValue;
    }
    if (FEndTimeInMS < aValue) {
        setEndTimeInMS(aValue);
    }
    setPartIsEnded(FBeginTimePartInMS < FEndTimeInMS);
    if (FID == 1 && FGame) {
        FGame->setBeginTimeInMS(aValue);
    }
    if (dataset) {
        dataset->RecalculatePartsRestTime();
        NotifyChanged();
        WriteGameMarker(kBeginMarker, aValue);
    }
    MarkMemberDistancesForRecalculation(FGroup);
}

void TqelGamePart::setEndTimeInMS(int32_t aValue) {
    TqelDataset* dataset = Dataset();
    qel::ModelLockGuard lock(dataset);
    if (aValue == FEndTimeInMS) {
        return;
    }
    if (aValue > 0) {
        FEndTimeInMS = aValue;
        if (aValue < FBeginTimePartInMS) {
            FBeginTimePartInMS = aValue;
        }
        setPartIsEnded(FBeginTimePartInMS < FEndTimeInMS);
    } else {
        FEndTimeInMS = FBeginTimePartInMS;
        setPartIsEnded(false);
    }
    if (FGame && FGame->PartCount() == FID + 1) {
        FGame->setEndTimeInMS(FEndTimeInMS);
    }
    if (dataset) {
        if (!dataset->Recording()) {
            dataset->RecalculatePartsRestTime();
        }
        NotifyChanged();
        WriteGameMarker(kEndMarker, FEndTimeInMS);
    }
}

void TqelGamePart::WriteGameMarker(int32_t aMarkerType, int32_t aTimeInMS) {
    TqelDataset* dataset = Dataset();
    if (!dataset || !dataset->Recording() || !dataset->StoreLivePositions() ||
        !dataset->Database()) {
        return;
    }
    TqeldbMarkers markers(dataset->Database());
    TqeldbMarker* marker = markers.AddVaruza();
    marker->setDtsID(static_cast<int32_t>(dataset->DBDtsID()));
    marker->setExrID(FGame->ID());
    marker->setPrtID(FID);
    marker->setMarkerType(aMarkerType);
    marker->setTimestampMS(aTimeInMS);
    marker->setLPMTimeMS(static_cast<int32_t>(dataset->LPMTimeStampMS(aTimeInMS)));
    marker->setDescription(FID == 0 ? FGame->Name() : FPartName);
    markers.SaveGameMarker(marker);
}

void TqelGamePart::AssignFromOther(const TqelGamePart& aPart) {
    TqelDataset* dataset = Dataset();
    qel::ModelLockGuard lock(dataset);
    FID = aPart.FID;
    FGUID = aPart.FGUID;
    FPartName = aPart.FPartName;
    int64_t delta = 0;
    if (FGame && aPart.FGame) {
        delta = int64_t{aPart.FGame->DatasetFirstLPMtime()} -
                (dataset ? int64_t{dataset->FirstSampleTick()} : 0);
    }
    setEndTimeInMS(static_cast<int32_t>(aPart.FEndTimeInMS + delta));
    setBeginTimeInMS(static_cast<int32_t>(aPart.FBeginTimePartInMS + delta));
    FPartClass = aPart.FPartClass;
}

QString TqelGamePart::ToString() const {
    return FPartName + QStringLiteral(" | ") + TimeText(FBeginTimePartInMS) +
           QStringLiteral(" - ") + TimeText(FEndTimeInMS) + QStringLiteral(" (") +
           TimeText(DurationInMS()) + QStringLiteral(")");
}
