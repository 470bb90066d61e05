#include <gtest/gtest.h>

#include "database/athletes.h"
#include "database/datasets/player_to_transponder.h"

namespace {

// Records what the athlete gives a transponder.
struct RecordingTransponder : IqeldbAthleteTransponder {
    void setShirtNumber(int32_t aValue) override { Set << QStringLiteral("shirt %1").arg(aValue); }
    void setAthleteMaxAcceleration(double aValue) override {
        Set << QStringLiteral("accel %1").arg(aValue);
    }
    void setAthleteName(const QString& aValue) override { Set << QStringLiteral("name ") + aValue; }
    void setAthleteMaxHeartbeat(int32_t aValue) override {
        Set << QStringLiteral("hb %1").arg(aValue);
    }
    void setAthleteCategory(const QString& aValue) override {
        Set << QStringLiteral("category ") + aValue;
    }
    void setAthleteWeight(double aValue) override {
        Set << QStringLiteral("weight %1").arg(aValue);
    }
    void setAthleteMaxSpeed(double aValue) override {
        Set << QStringLiteral("speed %1").arg(aValue);
    }
    void setAthleteRecon(double aValue) override { Set << QStringLiteral("recon %1").arg(aValue); }
    void setAthleteColor(uint32_t aValue) override {
        Set << QStringLiteral("color %1").arg(aValue);
    }
    void setAthleteHeight(double aValue) override {
        Set << QStringLiteral("height %1").arg(aValue);
    }
    void setAthletePreferredArm(int32_t aValue) override {
        Set << QStringLiteral("arm %1").arg(aValue);
    }
    void setSystemID(const QString& aValue) override { Set << QStringLiteral("system ") + aValue; }
    int32_t PlayerRole() const override { return Role; }
    void setPlayerRole(int32_t aValue) override { Set << QStringLiteral("role %1").arg(aValue); }
    void GiveRoleToMemberships(int32_t aRole) override {
        Set << QStringLiteral("memberships %1").arg(aRole);
    }

    int32_t Role = 0;
    QStringList Set;
};

TEST(AssignPlayerToTransponderData, CopiesTheAthleteAndItsRoleOnlyWhereNoneIsSet) {
    TqeldbPlayer player;
    player.setFirstName(QStringLiteral("Anna"));
    player.setLastName(QStringLiteral("Berg"));
    player.setShirtNumber(7);
    player.setMaxDeceleration(3);
    player.setRole(2);
    const QStringList common = {
        "shirt 7",  "accel 7", "name Berg, Anna", "hb 200",     "category ", "weight 80",
        "speed 25", "recon 4", "color 255",       "height 1.8", "arm 2"};

    RecordingTransponder noRole;
    AssignPlayerToTransponderData(player, noRole, nrpLastFirst);
    EXPECT_EQ(noRole.Set, common + QStringList({"role 2", "memberships 2"})) << "no system id: none set";

    player.setSystemID(QStringLiteral("S-1"));
    RecordingTransponder withRole;
    withRole.Role = 5;
    AssignPlayerToTransponderData(player, withRole, nrpLastFirst);
    EXPECT_EQ(withRole.Set, common + QStringList{"system S-1"});
}

}  // namespace
