// The dataset's cameras and video streams, on the main thread.

#include <QDir>
#include <QFileInfo>
#include <cmath>

#include "database/prepare_children.h"
#include "database/prepare_recording.h"
#include "model/blocks/camera.h"
#include "model/blocks/stitch_file.h"
#include "model/blocks/video_stream.h"
#include "model/dataset/dataset.h"
#include "platform/exception.h"

namespace {

constexpr uint8_t NoCamera = 255;

// The camera of a video: the last digit of its file name before the extension, counted from 1
// ("..._dome3.mp4" is camera 2); 0 stays 0.
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
    stream->setCameraIndex(CameraIndexOfFile(aFilename));
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

void TqelDataset::DeleteVideoStream(int32_t aIndex) {
    TqelVideoStream* stream = getVideoStream(aIndex);
    if (!stream) {
        return;
    }
    const int32_t id = stream->ID();
    NotifyItemDeleting(stream, itemVideoStream, id);
    FVideoStreams.erase(FVideoStreams.begin() + aIndex);
    NotifyItemDeleted(itemVideoStream, id);
}

void TqelDataset::clearVideoStreams() {
    FLastVideoStreamID = 0;
    FVideoStreams.clear();
    NotifyItemsCleared(itemVideoStream);
}

TqelVideoStream* TqelDataset::GetVideoStreamByID(int32_t aID) const {
    for (const auto& stream : FVideoStreams) {
        if (stream->ID() == aID) {
            return stream.get();
        }
    }
    return nullptr;
}

TqelVideoStream* TqelDataset::GetVideoStreamByCameraIndex(int32_t aCameraIndex) const {
    for (const auto& stream : FVideoStreams) {
        if (stream->CameraIndex() == aCameraIndex) {
            return stream.get();
        }
    }
    return nullptr;
}

TqelVideoStream* TqelDataset::FirstVideoStreamByTime(int32_t aTimeInMS) const {
    for (const auto& stream : FVideoStreams) {
        const int64_t videoTime = int64_t{aTimeInMS} + stream->OffsetInMS();
        if (videoTime > 0 && (stream->DurationInMS() == 0 || videoTime < stream->DurationInMS())) {
            return stream.get();
        }
    }
    return nullptr;
}

int32_t TqelDataset::RecordingVideoOffsetInMS() const {
    const TDateTime timestamp = Timestamp();
    if (timestamp <= FRecordingStartedAt) {
        return 0;
    }
    return static_cast<int32_t>(
        std::llround((timestamp - FRecordingStartedAt) * qel::kMSecsPerDay));
}

namespace {

// The name a found video file is attached under.
QString VideoTargetName(const QString& aFile, const QString& anExt, const QString& aDatasetName,
                        TqelCopyfileOnAttach aCopy) {
    constexpr qsizetype MaxTargetLength = 255;
    const qsizetype dome = aFile.indexOf(QLatin1String("dome"), 0, Qt::CaseInsensitive);
    if (dome >= 0 && aCopy != coaAttachOnly && anExt != QLatin1String(".ts")) {
        const QFileInfo dataset(aDatasetName);
        const QString stem = dataset.suffix().isEmpty()
                                 ? aDatasetName
                                 : aDatasetName.chopped(dataset.suffix().size() + 1);
        return (stem + u'_' + aFile.mid(dome)).left(MaxTargetLength);
    }
    if (anExt == QLatin1String(".ts")) {
        return aFile.chopped(anExt.size()) + QLatin1String(".mp4");
    }
    return aFile;
}

QString WithoutExtension(const QString& aName) {
    const qsizetype dot = aName.lastIndexOf(u'.');
    return dot < 0 ? aName : aName.left(dot);
}

}  // namespace

void TqelDataset::FindMatchingVideoFiles(TqelCopyfileOnAttach aCopyVideoFileOnAttach,
                                         const QString& aVideoPath, QStringList* aVideofiles) {
    const QString datasetName = QFileInfo(FFilename).fileName();
    // A pattern from the dataset's name would treat its brackets as wildcards: compare
    // the prefix by hand.
    const QString prefix = datasetName.left(13);
    const QDir folder(aVideoPath);
    const QStringList files =
        folder.entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QString& file : files) {
        if (!file.startsWith(prefix, Qt::CaseInsensitive) ||
            file.indexOf(QLatin1String("dome"), prefix.size(), Qt::CaseInsensitive) < 0) {
            continue;
        }
        const qsizetype dot = file.lastIndexOf(u'.');
        const QString ext = dot < 0 ? QString() : file.mid(dot).toLower();
        if (ext == QLatin1String(".asx") || ext == QLatin1String(".m3u8")) {
            continue;
        }
        const QString target = VideoTargetName(file, ext, datasetName, aCopyVideoFileOnAttach);
        bool handled = false;
        for (const auto& stream : FVideoStreams) {
            const QString attached = QFileInfo(stream->Filename()).fileName();
            if (attached == target) {
                handled = true;
                break;
            }
            if (target != file && attached == file) {
                stream->setFilename(target);
                stream->setDescription(WithoutExtension(target));
                if (aVideofiles && ext != QLatin1String(".ts")) {
                    aVideofiles->append(file + u'=' + target);
                }
                handled = true;
                break;
            }
        }
        if (handled) {
            continue;
        }
        if (!FCameras.empty()) {
            const bool ofACamera =
                std::any_of(FCameras.begin(), FCameras.end(), [&target](const auto& camera) {
                    return target.contains(
                        QStringLiteral("dome%1.").arg(camera->CameraIndex() + 1));
                });
            if (!ofACamera) {
                continue;
            }
        }
        if (aVideofiles) {
            aVideofiles->append(file + u'=' + target);
        }
        addVideoStream(target, target, RecordingVideoOffsetInMS());
    }
}

TqelStitchFile* TqelDataset::addStitchFile(const QString& aDescription, const QString& aFilename,
                                           int32_t anOffsetInMS) {
    auto file = std::make_unique<TqelStitchFile>(this, ++FLastStitchFileID);
    // Not yet in the list: these tell nobody.
    file->setDescription(aDescription);
    file->setFilename(aFilename);
    file->setOffsetInMS(anOffsetInMS);
    TqelStitchFile* result = FStitchFiles.emplace_back(std::move(file)).get();
    NotifyItemAdded(result, itemStitchFile, result->ID());
    return result;
}

void TqelDataset::DeleteStitchFile(int32_t aIndex) {
    TqelStitchFile* file = GetStitchFile(aIndex);
    const int32_t id = file->ID();
    NotifyItemDeleting(file, itemStitchFile, id);
    FStitchFiles.erase(FStitchFiles.begin() + aIndex);
    NotifyItemDeleted(itemStitchFile, id);
}

void TqelDataset::clearStitchFiles() {
    FStitchFiles.clear();
    NotifyItemsCleared(itemStitchFile);
}

TqelStitchFile* TqelDataset::GetStitchFile(int32_t anIndex) const {
    if (anIndex < 0 || anIndex >= StitchFileCount()) {
        throw EArgumentOutOfRangeException(
            QStringLiteral("Stitch file position %1 is outside the list").arg(anIndex));
    }
    return FStitchFiles[anIndex].get();
}

TqelStitchFile* TqelDataset::GetStitchFileByID(int32_t aID) const {
    for (const auto& file : FStitchFiles) {
        if (file->ID() == aID) {
            return file.get();
        }
    }
    return nullptr;
}

void TqelDataset::notifyStitchFileChanged(TqelStitchFile* aStitchFile) {
    for (const auto& file : FStitchFiles) {
        if (file.get() == aStitchFile) {
            NotifyItemChanged(aStitchFile, itemStitchFile, aStitchFile->ID());
            return;
        }
    }
}
