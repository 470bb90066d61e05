#pragma once

#include <cstdint>

class TNotifyVaruza;

// The kind of item a dataset notification is about.
enum TqelDatasetItemType : uint8_t {
    itemDataSet,
    itemTransponder,
    itemEvent,
    itemGroup,
    itemMarker,
    itemVideoStream,
    itemGame,
    itemTeam,
    itemGamePart,
    itemField,
    itemLap,
    itemFilter,
    itemSector,
    itemPlayPos,
    itemVisualisation,
    itemRecording,
    itemStitchFile,
    itemPlayList,
    itemPlayListItem,
    itemAgilityTest,
    itemViewerOption,
    itemPath,
};

enum TqelDatasetSignalType : uint8_t {
    dtssNone,
    dtssAdded,
    dtssChanged,
    dtssDeleting,
    dtssDeleted,
    dtssCleared,
    dtssSelected,
};

// One notification on its way to the subscribers.
struct TqelDataSetSignalMessage {
    TqelDatasetSignalType SignalType = dtssNone;
    TNotifyVaruza* SignalVaruza = nullptr;
    TqelDatasetItemType ItemType = itemDataSet;
    int32_t ID = 0;
};
