// The dataset's cameras and video streams, on the main thread.

#include <QFileInfo>

#include "database/prepare_children.h"
#include "database/prepare_recording.h"
#include "model/blocks/camera.h"
#include "model/blocks/video_stream.h"
#include "model/dataset/dataset.h"
#include "platform/exception.h"

namespace {

constexpr uint8_t NoCamera = 255;

// The camera of a video: the last digit of the dataset's file name before its extension,
// counted from 1 ("...3.qel" is camera 2); 0 stays 0.
uint8_t CameraIndexOfFile(const QString& aFilename) {
    const QString base = QFileInfo(aFilename).completeBaseName();
    if (base.isEmpty() || !base.back().isDigit()) {
        return NoCamera;
    }
    const int digit = base.back().digitValue();
    return static_cast<uint8_t>(digit == 0 ? 0 : digit - 1);
}

}  // namespace

TqelCamera* TqelDataset::CameraAdd(uint8_t aCameraIndex) {
    TqelCamera* camera = GetCameraByIndex(aCameraIndex);
    if (!camera) {
        camera = FCameras.emplace_back(std::make_unique<TqelCamera>(this, aCameraIndex)).get();
    }
    if (const TqelPrepareCamera* prepared =
            FPrepareRec ? FPrepareRec->CameraByIndex(aCameraIndex) : nullptr) {
        camera->setAutoFollowStartLine(prepared->LineStart());
        camera->setAutoFollowFinishLine(prepared->LineFinish());
        camera->setFollowOrder(prepared->FollowOrder());
        camera->setSectionID(prepared->PrsID());
    }
    return camera;
}

TqelCamera* TqelDataset::GetCamera(int32_t aIndex) const {
    if (aIndex < 0) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Camera position %1 is outside the list").arg(aIndex));
    }
    return aIndex < CameraCount() ? FCameras[aIndex].get() : nullptr;
}

TqelCamera* TqelDataset::GetCameraByID(int32_t aID) const {
    for (const auto& camera : FCameras) {
        if (camera->ID() == aID) {
            return camera.get();
        }
    }
    return nullptr;
}

TqelCamera* TqelDataset::GetCameraByIndex(int32_t aIndex) const {
    for (const auto& camera : FCameras) {
        if (camera->CameraIndex() == aIndex) {
            return camera.get();
        }
    }
    return nullptr;
}

TqelVideoStream* TqelDataset::addVideoStream(const QString& aDescription, const QString& aFilename,
                                             int32_t anOffsetInMS) {
    FLastVideoStreamID = FVideoStreams.empty() ? 1 : FLastVideoStreamID + 1;
    auto stream = std::make_unique<TqelVideoStream>(this, FLastVideoStreamID);
    // Not yet initialized: these tell nobody.
    stream->setDescription(aDescription);
    stream->setFilename(aFilename);
    stream->setOffsetInMS(anOffsetInMS);
    stream->setCameraIndex(CameraIndexOfFile(FFilename));
    stream->setInitialized(true);
    TqelVideoStream* result = FVideoStreams.emplace_back(std::move(stream)).get();
    NotifyItemAdded(result, itemVideoStream, result->ID());
    return result;
}

TqelVideoStream* TqelDataset::getVideoStream(int32_t anIndex) const {
    if (anIndex < 0 || anIndex >= VideoStreamCount()) {
        return nullptr;
    }
    return FVideoStreams[anIndex].get();
}

void TqelDataset::notifyVideoStreamChanged(TqelVideoStream* aVideoStream) {
    NotifyItemChanged(aVideoStream, itemVideoStream, aVideoStream->ID());
}
