#pragma once

#include <cstdint>

#include "model/dataset/notify_varuza.h"
#include "model/groups/group_types.h"

class TqelDataset;
class TqelGroup;

// A drawing aid of a group in the viewers, owned by its group. Its notices carry its type, not
// its id.
class TqelVisualisation : public TNotifyVaruza {
public:
    // Colour and 3-D visibility start as the group's.
    TqelVisualisation(TqelGroup* aGroup, int32_t aID, TqelVisualisationType aVisualisationType);

    int32_t ID() const { return FID; }
    TqelGroup* Group() const { return FGroup; }
    TqelDataset* Dataset() const;
    TqelVisualisationType VisualisationType() const { return FVisualisationType; }
    void setVisualisationType(TqelVisualisationType aValue);
    uint32_t Color() const { return FColor; }
    void setColor(uint32_t aValue);
    bool VisibleIn3DViewer() const { return FVisibleIn3DViewer; }
    void setVisibleIn3DViewer(bool aValue);
    void SetVisibleIn3DViewerNoUpdate(bool aValue) { FVisibleIn3DViewer = aValue; }

    // Shown when visible and, for a group of a game, while that game or one of its periods
    // covers the time (an open game of a recording always).
    bool ShowIn3DViewer(int32_t aTimeStampInMS) const;
    // "<group name> - <caption>".
    QString ToString() const;

private:
    void NotifyChanged();

    TqelGroup* FGroup = nullptr;
    int32_t FID = 0;
    TqelVisualisationType FVisualisationType = grpTeam;
    uint32_t FColor = 0;
    bool FVisibleIn3DViewer = true;
};
