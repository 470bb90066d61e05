#include "model/groups/visualisation.h"

#include "model/dataset/dataset.h"
#include "model/groups/game.h"
#include "model/groups/group.h"

TqelVisualisation::TqelVisualisation(TqelGroup* aGroup, int32_t aID,
                                     TqelVisualisationType aVisualisationType)
    : FGroup(aGroup), FID(aID), FVisualisationType(aVisualisationType) {
    if (FGroup) {
        FColor = FGroup->ShirtColor();
        FVisibleIn3DViewer = FGroup->VisibleIn3D();
    }
}

TqelDataset* TqelVisualisation::Dataset() const {
    return FGroup ? FGroup->Dataset() : nullptr;
}

void TqelVisualisation::NotifyChanged() {
    if (TqelDataset* dataset = Dataset()) {
        dataset->NotifyItemChanged(this, itemVisualisation, FVisualisationType);
    }
}

void TqelVisualisation::setVisualisationType(TqelVisualisationType aValue) {
    if (aValue == FVisualisationType) {
        return;
    }
    FVisualisationType = aValue;
    NotifyChanged();
}

void TqelVisualisation::setColor(uint32_t aValue) {
    if (aValue == FColor) {
        return;
    }
    FColor = aValue;
    NotifyChanged();
}

void TqelVisualisation::setVisibleIn3DViewer(bool aValue) {
    if (aValue == FVisibleIn3DViewer) {
        return;
    }
    FVisibleIn3DViewer = aValue;
    NotifyChanged();
}

bool TqelVisualisation::ShowIn3DViewer(int32_t aTimeStampInMS) const {
    if (!FVisibleIn3DViewer || !FGroup || !FGroup->Game()) {
        return FVisibleIn3DViewer;
    }
    const TqelGame& game = *FGroup->Game();
    const TqelDataset* dataset = Dataset();
    if (dataset && dataset->Recording() && game.BeginTimeInMS() == game.EndTimeInMS()) {
        return true;
    }
    if (game.PartCount() == 1) {
        return game.BeginTimeInMS() <= aTimeStampInMS && aTimeStampInMS <= game.EndTimeInMS();
    }
    for (int32_t i = 1; i < game.PartCount(); ++i) {
        const TqelGamePart* part = game.GetPart(i);
        if (part->BeginTimeInMS() <= aTimeStampInMS && aTimeStampInMS <= part->EndTimeInMS()) {
            return true;
        }
    }
    return false;
}

QString TqelVisualisation::ToString() const {
    const QString name = FGroup ? FGroup->ToString(gtsName) : QString();
    return name + QStringLiteral(" - ") + VisualisationTypeCaption(FVisualisationType);
}
