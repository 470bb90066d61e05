#pragma once

#include <gtest/gtest.h>

#include "model/dataset/dataset.h"
#include "model/dataset/signal_log.h"
#include "model/groups/game.h"
#include "model/groups/group.h"
#include "model/groups/visualisation.h"
#include "model/transponder/transponder_data.h"

namespace qel::test {

// A dataset of an hour without database, transponders numbered 1, 2, ... in the order they are
// added, and a subscriber that logs "S <kind> <item type> <id>".
class GroupsFixture : public ::testing::Test {
protected:
    GroupsFixture() {
        dataset.setDurationInMS(3'600'000);
        dataset.subscribeToSignals(&subscriber);
    }
    ~GroupsFixture() override { dataset.unsubscribeToSignals(&subscriber); }

    // Transponders up to aTPid; the one of aTPid.
    TqelTransponderData* UpTo(int32_t aTPid) {
        while (dataset.TransponderCount() < aTPid) {
            dataset.AddTransponder(2000 + dataset.TransponderCount() + 1, nullptr, 0);
        }
        return dataset.GetTransponderByTP(aTPid);
    }
    static QString Line(const char* aKind, TqelDatasetItemType aType, int32_t anID) {
        return QStringLiteral("S %1 %2 %3")
            .arg(QString::fromLatin1(aKind))
            .arg(int(aType))
            .arg(anID);
    }
    // A match of two teams over [0, 60 s] with periods [0, 20 s], [20 s, 40 s], [40 s, 60 s].
    TqelGame* Match() {
        TqelGame* game = dataset.addGame(0, gameMatch, -1, QStringLiteral("Match"));
        for (int32_t i = 0; i < 3; ++i) {
            game->AddPart(QString(), -1, i * 20000, (i + 1) * 20000, true);
        }
        return game;
    }

    SignalLog log;
    LoggingSubscriber subscriber{QStringLiteral("S"), log};
    TqelDataset dataset;
};

}  // namespace qel::test
