// The dataset's index rebuild: which transponders are rebuilt, on which threads, with which
// database permission, and how progress and cancellation travel.

#include "analysis/intensity/reference_snapshot.h"
#include "app/translation.h"
#include "database/agility/agility_definition.h"
#include "database/agility/agility_definitions.h"
#include "database/analysis/analyze_definitions.h"
#include "model/dataset/dataset.h"
#include "model/dataset/rebuild_loop.h"
#include "model/transponder/transponder_data.h"
#include "platform/crash_reporter.h"
#include "platform/queued_call.h"

namespace {

// How long the waiting caller sleeps between its signs of life.
constexpr int kRebuildWaitStepMS = 100;

}  // namespace

void TqelDataset::RefuseRebuildWhileRecording() const {
    if (Recording()) {
        throw qel::EIndexRebuildRefused(
            QStringLiteral("The indexes cannot be rebuilt while the dataset records"));
    }
}

void TqelDataset::InitRebuildIndexes() {
    if (FAgilityDefs) {
        for (int i = 0; i < FAgilityDefs->Count(); ++i) {
            TqeldbAgilityDef* definition = FAgilityDefs->Definition(i);
            definition->Retreive(definition->AgilityID());
        }
    }
    if (!FDBAnalyzeDefinitions) {
        return;
    }
    auto reopened = std::make_unique<TqeldbAnalyzeDefinitions>(FDatabase);
    reopened->Open(false);
    if (reopened->Count() > 0) {
        FAnalyzeDef = reopened->GetVaruzas(0);
    }
    FRetiredAnalyzeDefinitions.push_back(std::move(FDBAnalyzeDefinitions));
    FDBAnalyzeDefinitions = std::move(reopened);
}

bool TqelDataset::rebuildIndexes(bool aThreaded, const TqelRebuildTaskFinished& aDoTaskFinished) {
    RefuseRebuildWhileRecording();
    clearLapsAndSectors();
    InitRebuildIndexes();
    bool result = true;
    {
        qel::ScopedGameSpeedReferences references(this, qel::LoadGameSpeedReferenceSnapshot(*this));
        if (aThreaded) {
            result = RunParallelRebuild(aDoTaskFinished);
        } else {
            for (int32_t i = 0; i < TransponderCount(); ++i) {
                TqelTransponderData* transponder = getTransponder(i);
                transponder->rebuildIndexes(true);
                if (aDoTaskFinished) {
                    aDoTaskFinished(transponder);
                }
                qel::CrashReporter::ResetFreezeWatchdog();
            }
        }
    }
    FModified_ = true;
    NotifyItemChanged(this, itemDataSet, 0);
    // Without a database the analyses did not run; after a cancel some indexes are stale.
    FIndexesNeedsToRebuild = !result || !FDatabase;
    return result;
}

bool TqelDataset::rebuildIndexes(const TqelRebuildTaskFinished& aDoTaskFinished) {
    RefuseRebuildWhileRecording();
    qel::ScopedGameSpeedReferences references(this, qel::LoadGameSpeedReferenceSnapshot(*this));
    return RunParallelRebuild(aDoTaskFinished);
}

bool TqelDataset::RunParallelRebuild(const TqelRebuildTaskFinished& aDoTaskFinished) {
    auto loop = std::make_shared<qel::RebuildLoop>(
        TransponderCount(), FRebuildThreadCount,
        [this, aDoTaskFinished](int32_t aPosition) { RebuildInTask(aPosition, aDoTaskFinished); });
    {
        std::lock_guard lock(FRebuildLock);
        ForLoopTask = loop;
    }
    loop->Start();
    // No messages run meanwhile: the completions wait in the queue until the caller returns.
    bool done = false;
    while (!done) {
        try {
            done = loop->Wait(kRebuildWaitStepMS);
        } catch (const std::exception&) {
        }
        qel::CrashReporter::ResetFreezeWatchdog();
    }
    const bool cancelled = loop->Cancelled();
    {
        std::lock_guard lock(FRebuildLock);
        ForLoopTask.reset();
    }
    FIndexesNeedsToRebuild = cancelled;
    NotifyItemChanged(this, itemDataSet, 0);
    return !cancelled;
}

void TqelDataset::RebuildInTask(int32_t aPosition, const TqelRebuildTaskFinished& aDoTaskFinished) {
    try {
        getTransponder(aPosition)->rebuildIndexes(false);
    } catch (const std::exception& e) {
        qel::CrashReporter::Report(e, QStringLiteral("TqelDataset.rebuildIndexes"));
    }
    if (!aDoTaskFinished) {
        return;
    }
    // Dropped with the queue context when the dataset is freed first.
    qel::QueueCall(FQueueContext.get(), [this, aPosition, aDoTaskFinished] {
        aDoTaskFinished(aPosition < TransponderCount() ? getTransponder(aPosition) : nullptr);
    });
}

bool TqelDataset::rebuildIndexesProgress(IlpmProgress* aProgressCallback, bool aDoUpdateCaption) {
    FRebuildIndexesProgress = aProgressCallback;
    bool cancelHandlerAdded = false;
    bool sectionBegun = false;
    try {
        const QString text = qel::Translate("Rebuilding indexes");
        if (aDoUpdateCaption) {
            aProgressCallback->updateCaption(text);
            aProgressCallback->updateMessage(QString());
        } else {
            aProgressCallback->updateMessage(text);
        }
        aProgressCallback->setOnCancel([this](QObject* aSender) { DoCancelRebuild(aSender); });
        cancelHandlerAdded = true;
        aProgressCallback->beginSection(0, TransponderCount());
        sectionBegun = true;
        aProgressCallback->Show();
        const bool result = rebuildIndexes(
            true, [this](TqelTransponderData* aTransponder) { RebuildProgressStep(aTransponder); });
        aProgressCallback->endSection();
        FRebuildIndexesProgress = nullptr;
        aProgressCallback->setOnCancel({});
        return result;
    } catch (...) {
        if (sectionBegun) {
            aProgressCallback->endSection();
        }
        FRebuildIndexesProgress = nullptr;
        // Only our own handler goes: clearing removes the last one added.
        if (cancelHandlerAdded) {
            aProgressCallback->setOnCancel({});
        }
        throw;
    }
}

void TqelDataset::RebuildProgressStep(TqelTransponderData* aTransponder) {
    if (!FRebuildIndexesProgress) {
        return;
    }
    FRebuildIndexesProgress->IncrementPosition();
    FRebuildIndexesProgress->updateDetails(aTransponder ? aTransponder->AthleteName() : QString());
}

void TqelDataset::DoCancelRebuild(QObject* /*aSender*/) {
    std::lock_guard lock(FRebuildLock);
    if (ForLoopTask) {
        ForLoopTask->Cancel();
    }
}

void TqelDataset::rebuildFatigueIndexes() {
    for (int32_t i = 0; i < TransponderCount(); ++i) {
        getTransponder(i)->rebuildFatigueIndex();
    }
}
