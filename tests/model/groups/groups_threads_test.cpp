#include <atomic>
#include <thread>

#include "analysis/framework/model_calculation_context.h"
#include "model/groups/groups_fixture.h"

namespace {

using qel::test::GroupsFixture;

class GroupsThreads : public GroupsFixture {};

// Run under ThreadSanitizer (QEL_TSAN) to prove the model lock; under AddressSanitizer it shows
// that no reader meets a freed game or group.
TEST_F(GroupsThreads, LookupsAndRestTimesWhileTheMainThreadAddsAndDeletes) {
    dataset.setSportType(sportSoccer);
    TqelTransponderData* tp = UpTo(3);
    dataset.setRecording(true);
    std::atomic<bool> stop{false};
    std::atomic<int64_t> reads{0};
    std::thread cadence([&] {
        qel::ModelCalculationContext context(tp);
        while (!stop.load()) {
            dataset.updatePartsRestTime();
            const int32_t t = static_cast<int32_t>(reads.load() % 60000);
            {
                std::lock_guard lock(dataset.ModelLock());
                if (TqelGroup* team = tp->getCurrentTeam(t)) {
                    (void)team->CurrentPlayDirection(t);
                    (void)team->MemberCount();
                }
            }
            (void)tp->GetTeamID(t);
            (void)context.GameContextAt(t);
            (void)context.PartPlayDirection(1, 1, tp->TPid());
            (void)dataset.InSameTeam(t, 1, 3);
            ++reads;
        }
    });
    for (int32_t round = 0; round < 100; ++round) {
        TqelGame* game = dataset.addGame(0, gameMatch, -1, QString());
        game->AddPart(QString(), -1, 0, 30000, true);
        game->AddPart(QString(), -1, 30000, 60000, true);
        game->GetTeam(round % 2)->NewMember(3);
        game->GetTeam(0)->setPlayDirection(pldLeftToRight);
        TqelGroup* free = dataset.addGroup(nullptr, gtGroup);
        free->NewMember(3);
        dataset.deleteGroup(game->GetTeam(1));
        dataset.deleteGroup(free);
        dataset.deleteGame(game);
        if (round % 10 == 9) {
            dataset.clearGroups();
        }
    }
    // At least one read overlapped the changes.
    while (reads.load() == 0) {
        std::this_thread::yield();
    }
    stop = true;
    cadence.join();
    EXPECT_EQ(dataset.GameCount(), 0);
    EXPECT_EQ(tp->getCurrentTeam(100), nullptr);
}

}  // namespace
