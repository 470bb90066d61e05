#include "foundation/system/progress_state.h"

#include <algorithm>
#include <cmath>

namespace qel {

void ProgressState::beginSection(int64_t anEndPosition, int64_t aSize) {
    const int level = FLevel++;
    if (level >= kMaxLevels) {
        return;
    }
    FSectionSize[level] = aSize;
    if (anEndPosition != 0) {
        FSectionEnd[level] = anEndPosition;
    } else {
        // By default a nested section is worth one step of its parent.
        FSectionEnd[level] = level == 0 ? aSize : FSectionPos[level - 1] + 1;
    }
    FSectionPos[level] = 0;
    if (aSize == 0) {
        // Nothing to divide into: the section moves the percentage by nothing.
        FSectionWeight[level] = 0;
    } else if (level == 0) {
        FSectionWeight[level] = static_cast<double>(FSectionEnd[level]) / aSize;
    } else {
        FSectionWeight[level] = static_cast<double>(FSectionEnd[level] - FSectionPos[level - 1]) /
                                aSize * FSectionWeight[level - 1];
    }
}

void ProgressState::endSection() {
    if (FLevel == 0) {
        return;
    }
    const int closed = --FLevel;
    if (closed >= kMaxLevels) {
        return;
    }
    FSectionWeight[closed] = 0;
    FSectionPos[closed] = 0;
    FSectionSize[closed] = 0;
    if (closed > 0) {
        FSectionPos[closed - 1] = FSectionEnd[closed];
    }
    RefreshPercentage();
}

void ProgressState::setOnCancel(const CancelHandler& aHandler) {
    if (aHandler) {
        FOnCancel.push_back(aHandler);
        FCancelShown = true;
    } else {
        if (!FOnCancel.empty()) {
            FOnCancel.pop_back();
        }
        FCancelShown = false;
    }
    ShowCancel(FCancelShown);
}

void ProgressState::updateCaption(const QString& aCaption) {
    FCaption = aCaption;
    ShowCaption(aCaption);
    LogMessage(aCaption);
}

void ProgressState::updateMessage(const QString& aMessage) {
    FMessage = aMessage;
    ShowMessage(aMessage);
    LogMessage(aMessage);
    if (!FNoGuiUpdate) {
        LetMessagesRun();
    }
}

void ProgressState::updateDetails(const QString& aDetails) {
    FDetails = aDetails;
    ShowDetails(aDetails);
    LogMessage(aDetails);
    if (!FNoGuiUpdate) {
        LetMessagesRun();
    }
}

void ProgressState::updateProgress(int64_t aPosition) {
    const int innermost = Innermost();
    if (innermost < 0) {
        return;
    }
    FSectionPos[innermost] = aPosition;
    RefreshPercentage();
}

void ProgressState::IncrementPosition() {
    const int innermost = Innermost();
    if (innermost < 0) {
        return;
    }
    ++FSectionPos[innermost];
    RefreshPercentage();
}

void ProgressState::LogMessage(const QString& aMessage) {
    if (OnLogMessage) {
        OnLogMessage(aMessage);
    }
}

void ProgressState::Cancel() {
    FIsCanceled = true;
    // A handler may add or remove handlers: call those registered when the user cancelled.
    const std::vector<CancelHandler> handlers = FOnCancel;
    for (const CancelHandler& handler : handlers) {
        handler(CancelSender());
    }
}

int ProgressState::Innermost() const {
    // Positions inside sections deeper than the arrays are ignored.
    if (FLevel == 0 || FLevel > kMaxLevels) {
        return -1;
    }
    return FLevel - 1;
}

void ProgressState::RefreshPercentage() {
    if (FNoGuiUpdate || FSectionSize[0] == 0) {
        return;
    }
    double covered = static_cast<double>(FSectionPos[0]);
    const int levels = std::min(FLevel, kMaxLevels);
    for (int i = 1; i < levels; ++i) {
        covered += static_cast<double>(FSectionPos[i]) * FSectionWeight[i];
    }
    const double percent = covered * 100 / static_cast<double>(FSectionSize[0]);
    // Only a change of the whole percentage touches the bar, so callers may report every step.
    if (std::nearbyint(percent) == std::nearbyint(FBar)) {
        return;
    }
    FBar = percent;
    ShowBar(percent);
    LetMessagesRun();
}

}  // namespace qel
