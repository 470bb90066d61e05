#pragma once

#include <QString>
#include <QStringList>
#include <mutex>

#include "model/dataset/dataset_signals.h"
#include "model/dataset/notify_varuza.h"

namespace qel::test {

// A model object as a lap or a game is one.
class Item : public TNotifyVaruza {};

// Every notice as "<name> <kind> <type> <id>", in arrival order, from any thread.
class SignalLog {
public:
    void Add(const QString& aLine) {
        std::lock_guard lock(FLock);
        FLines.append(aLine);
    }
    QStringList Take() {
        std::lock_guard lock(FLock);
        return std::exchange(FLines, {});
    }

private:
    std::mutex FLock;
    QStringList FLines;
};

class LoggingSubscriber : public IqelDatasetSignals {
public:
    LoggingSubscriber(QString aName, SignalLog& aLog) : FName(std::move(aName)), FLog(aLog) {}

    void ItemAdded(TNotifyVaruza*, TqelDatasetItemType aType, int32_t anID) override {
        Log(QStringLiteral("added"), aType, anID);
    }
    void ItemChanged(TNotifyVaruza*, TqelDatasetItemType aType, int32_t anID) override {
        Log(QStringLiteral("changed"), aType, anID);
    }
    void ItemDeleting(TNotifyVaruza*, TqelDatasetItemType aType, int32_t anID) override {
        Log(QStringLiteral("deleting"), aType, anID);
    }
    void ItemDeleted(TqelDatasetItemType aType, int32_t anID) override {
        Log(QStringLiteral("deleted"), aType, anID);
    }
    void ItemsCleared(TqelDatasetItemType aType) override {
        Log(QStringLiteral("cleared"), aType, 0);
    }
    void ItemSelected(TNotifyVaruza*, TqelDatasetItemType aType, int32_t anID) override {
        Log(QStringLiteral("selected"), aType, anID);
    }

private:
    void Log(const QString& aKind, TqelDatasetItemType aType, int32_t anID) {
        FLog.Add(QStringLiteral("%1 %2 %3 %4").arg(FName, aKind).arg(int(aType)).arg(anID));
    }

    QString FName;
    SignalLog& FLog;
};

}  // namespace qel::test
