#include <gtest/gtest.h>

#include "database/analysis/analyze_definitions.h"
#include "database/sqlite_file_fixture.h"
#include "foundation/settings/client_config.h"

namespace {

// Puts the client settings' first absolute speed zone and sprint categories back afterwards:
// the settings are one object for the whole test program.
class ClientSettingsRestore {
public:
    ClientSettingsRestore()
        : FMax(ClientConfig()->AbsoluteSpeedZones().GetZone(0).Max),
          FSprints(ClientConfig()->SprintCategories()) {}
    ~ClientSettingsRestore() {
        ClientConfig()->AbsoluteSpeedZones().GetZone(0).Max = FMax;
        ClientConfig()->setSprintCategories(FSprints);
    }

private:
    double FMax;
    qel::SprintCategoryList FSprints;
};

class AnalyzeDefinitionsTest : public qel::test::SqliteFileTest {
protected:
    TqeldbAnalyzeDefinitions definitions{database.get()};
};

TEST_F(AnalyzeDefinitionsTest, OnlyActiveDefinitionsAreOpenedInTheOrderTheDatabaseReturns) {
    Exec(
        QStringLiteral("insert into ANALYZE_DEF (ANL_ID, ANL_DESCRIPTION, ANL_ACTIVE) values "
                       "(1, 'old', 0)"));
    definitions.Open(true);
    EXPECT_EQ(definitions.Count(), 0) << "no active definition: the dataset has none";

    Exec(
        QStringLiteral("insert into ANALYZE_DEF (ANL_ID, ANL_DESCRIPTION, ANL_ACTIVE) values "
                       "(7, 'match', 1), (3, 'training', 1)"));
    definitions.Open(true);
    ASSERT_EQ(definitions.Count(), 2);
    EXPECT_EQ(definitions.Varuzas(0)->Description(),
              Rows(QStringLiteral("select ANL_DESCRIPTION from ANALYZE_DEF where ANL_ACTIVE = 1"))
                  .value(0))
        << "the first row the database returns";
    EXPECT_TRUE(definitions.Varuzas(0)->Active());
    EXPECT_EQ(definitions.AnalyzeDefByID(3)->Description(), QStringLiteral("training"));
    EXPECT_EQ(definitions.AnalyzeDefByID(1), nullptr);

    definitions.Open(false);
    EXPECT_EQ(definitions.Count(), 3);
    definitions.Delete(definitions.AnalyzeDefByID(1));
    EXPECT_EQ(Rows(QStringLiteral("select ANL_ID from ANALYZE_DEF order by 1")),
              (QStringList{"3", "7"}));
    EXPECT_EQ(definitions.Count(), 2);
}

TEST_F(AnalyzeDefinitionsTest, ADefinitionKeepsTheSettingsItWasMadeWith) {
    const ClientSettingsRestore restore;
    ClientConfig()->AbsoluteSpeedZones().GetZone(0).Max = 1.5;
    RqelSprintCategory sprint;
    sprint.ID = 4;
    sprint.MinSpeed = 6.5;
    sprint.Description = QStringLiteral("fast");
    ClientConfig()->setSprintCategories({sprint});

    const auto definition = definitions.NewVaruza();
    ClientConfig()->AbsoluteSpeedZones().GetZone(0).Max = 2.5;
    ClientConfig()->setSprintCategories({});

    EXPECT_EQ(definition->SpeedZonesAbsolute().GetZone(0).Max, 1.5);
    EXPECT_EQ(definition->SpeedZonesAbsolute().Count(),
              ClientConfig()->AbsoluteSpeedZones().Count());
    EXPECT_EQ(definition->SpeedZonesRelative().Count(),
              ClientConfig()->RelativeSpeedZones().Count());
    EXPECT_EQ(definition->HeartbeatZonesRelative().GetZone(1).Description,
              ClientConfig()->RelativeHeartbeatZones().GetZone(1).Description);
    ASSERT_EQ(definition->SprintCategories().size(), 1);
    EXPECT_EQ(definition->SprintCategories()[0].Description, QStringLiteral("fast"));
    EXPECT_EQ(definition->AccelerationCategories().size(),
              ClientConfig()->AccelCategories().size());
}

// Kind 1 chooses the relative tables; 0, 2 and NULL the absolute ones.
TEST_F(AnalyzeDefinitionsTest, ZoneKindsChooseTheZoneTables) {
    Exec(
        QStringLiteral("insert into ANALYZE_DEF (ANL_ID, ANL_SPEED_ZONE, ANL_ACCEL_ZONE) values "
                       "(1, 0, 0), (2, 1, 1), (3, 2, 2), (4, null, null)"));
    definitions.Open(false);
    ASSERT_EQ(definitions.Count(), 4);
    for (int32_t id = 1; id <= 4; ++id) {
        SCOPED_TRACE(id);
        TqeldbAnalyzeDef* definition = definitions.AnalyzeDefByID(id);
        const bool relative = id == 2;
        EXPECT_EQ(&definition->SpeedZones(),
                  relative ? &definition->SpeedZonesRelative() : &definition->SpeedZonesAbsolute());
        EXPECT_EQ(&definition->AccelerationZones(),
                  relative ? &definition->AccelZonesRelative() : &definition->AccelZonesAbsolute());
        EXPECT_EQ(&definition->DecelerationZones(),
                  relative ? &definition->DecelZonesRelative() : &definition->DecelZonesAbsolute());
        EXPECT_EQ(definition->PowerZone(), 0);
        EXPECT_EQ(&definition->PowerZones(), &definition->PowerZonesAbsolute());
    }
}

TEST_F(AnalyzeDefinitionsTest, TheEnergyFactorIsStoredAsZeroAndOtherZeroThresholdsAsNull) {
    const auto definition = definitions.NewVaruza();
    definition->setDescription(QStringLiteral("plain"));
    definitions.Save(definition.get());
    EXPECT_EQ(definition->ID(), LastKey(QStringLiteral("ANALYZE_DEF")));
    EXPECT_EQ(Rows(QStringLiteral("select ANL_ECCRF, ANL_SPRINT_MIN_SPRINT_SPEED, "
                                  "ANL_SPRINT_MIN_SPRINT_TIME_MS, ANL_ACTIVE from ANALYZE_DEF")),
              (QStringList{"0 - - False"}));
}

TEST_F(AnalyzeDefinitionsTest, EveryColumnSurvivesSaveAndLoad) {
    const auto definition = definitions.NewVaruza();
    // Distinct values per column; the zone kinds negative to see them sign-extended.
    int n = 0;
    const auto text = [&] { return QStringLiteral("text%1").arg(++n); };
    const auto integer = [&] { return int32_t{1000 + ++n}; };
    const auto real = [&] { return ++n + 0.25; };
    const auto boolean = [&] { return ++n > 0; };
    const auto kind = [&] { return static_cast<int8_t>(-(++n % 3) - 1); };
#define QEL_SET(aKind, aType, aName, aColumn) definition->set##aName(QEL_VALUE_##aKind());
#define QEL_VALUE_Text text
#define QEL_VALUE_Integer integer
#define QEL_VALUE_Float real
#define QEL_VALUE_FloatReq real
#define QEL_VALUE_Boolean boolean
#define QEL_VALUE_ZoneKind kind
    QEL_ANALYZE_DEF_COLUMNS(QEL_SET)
#undef QEL_SET
    definitions.Save(definition.get());
    EXPECT_FALSE(definition->Modified());

    // Every one of the 59 columns holds a value.
    const QStringList row = Rows(QStringLiteral("select * from ANALYZE_DEF"));
    ASSERT_EQ(row.size(), 1);
    EXPECT_EQ(n, 58);
    EXPECT_EQ(row[0].split(u' ').size(), 59);
    EXPECT_FALSE(row[0].split(u' ').contains(QStringLiteral("-")));

    definitions.Open(false);
    ASSERT_EQ(definitions.Count(), 1);
    const TqeldbAnalyzeDef& loaded = *definitions.Varuzas(0);
    EXPECT_EQ(loaded.ID(), definition->ID());
#define QEL_COMPARE(aKind, aType, aName, aColumn) \
    EXPECT_EQ(loaded.aName(), definition->aName()) << #aColumn;
    QEL_ANALYZE_DEF_COLUMNS(QEL_COMPARE)
#undef QEL_COMPARE
    EXPECT_EQ(loaded.SpeedZone(), -1);
    EXPECT_FALSE(loaded.Modified());
}

}  // namespace
