#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "foundation/system/dialogs.h"

namespace qel::test {

// A progress receiver that records what a component reported, sections by the meaning of their
// values.
class FakeProgress : public IlpmProgress {
public:
    struct Section {
        int64_t endPosition;
        int64_t size;
    };

    void beginSection(int64_t anEndPosition, int64_t aSize) override {
        sections.push_back({anEndPosition, aSize});
        ++level;
    }
    void endSection() override { --level; }
    void setOnCancel(const std::function<void(QObject*)>& aHandler) override {
        if (aHandler) {
            cancelHandlers.push_back(aHandler);
        } else if (!cancelHandlers.empty()) {
            cancelHandlers.pop_back();
        }
    }
    void updateCaption(const QString& aCaption) override { captions << aCaption; }
    void updateMessage(const QString& aMessage) override { messages << aMessage; }
    void updateDetails(const QString& aDetails) override { details << aDetails; }
    void updateProgress(int64_t aPosition) override { positions.push_back(aPosition); }
    void IncrementPosition() override { ++increments; }
    void setLastError(const QString& aValue) override { lastError = aValue; }
    QString LastError() override { return lastError; }
    void Show() override { shown = true; }
    void LogMessage(const QString& aMessage) override { logged << aMessage; }

    // What "Cancel" does.
    void Cancel() {
        for (const auto& handler : std::vector(cancelHandlers)) {
            handler(nullptr);
        }
    }

    std::vector<Section> sections;
    int level = 0;
    std::vector<std::function<void(QObject*)>> cancelHandlers;
    QStringList captions, messages, details, logged;
    std::vector<int64_t> positions;
    int increments = 0;
    QString lastError;
    bool shown = false;
};

// Records the messages asked and answers from a script (the default when the script is empty);
// the progress receivers it made stay readable after their user freed them.
class FakeDialogs : public IDialogs {
public:
    struct Asked {
        MessageKind kind;
        QString caption;
        QString text;
        MessageButtons buttons;
        MessageButton defaultButton;
    };

    MessageButton Message(MessageKind aKind, const QString& aCaption, const QString& aText,
                          MessageButtons aButtons, MessageButton aDefault) override {
        asked.push_back({aKind, aCaption, aText, aButtons, aDefault});
        if (answers.empty()) {
            return aDefault;
        }
        const MessageButton answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }

    std::unique_ptr<IlpmProgress> CreateProgress() override {
        auto progress = std::make_shared<FakeProgress>();
        progresses.push_back(progress);
        return std::make_unique<Forward>(progress);
    }

    std::vector<Asked> asked;
    std::vector<MessageButton> answers;
    std::vector<std::shared_ptr<FakeProgress>> progresses;

private:
    // Hands the calls on to a recorder that outlives the receiver.
    class Forward : public IlpmProgress {
    public:
        explicit Forward(std::shared_ptr<FakeProgress> aTarget) : FTarget(std::move(aTarget)) {}
        void beginSection(int64_t anEnd, int64_t aSize) override {
            FTarget->beginSection(anEnd, aSize);
        }
        void endSection() override { FTarget->endSection(); }
        void setOnCancel(const std::function<void(QObject*)>& aHandler) override {
            FTarget->setOnCancel(aHandler);
        }
        void updateCaption(const QString& aText) override { FTarget->updateCaption(aText); }
        void updateMessage(const QString& aText) override { FTarget->updateMessage(aText); }
        void updateDetails(const QString& aText) override { FTarget->updateDetails(aText); }
        void updateProgress(int64_t aPosition) override { FTarget->updateProgress(aPosition); }
        void IncrementPosition() override { FTarget->IncrementPosition(); }
        void setLastError(const QString& aValue) override { FTarget->setLastError(aValue); }
        QString LastError() override { return FTarget->LastError(); }
        void Show() override { FTarget->Show(); }
        void LogMessage(const QString& aText) override { FTarget->LogMessage(aText); }

    private:
        std::shared_ptr<FakeProgress> FTarget;
    };
};

}  // namespace qel::test
