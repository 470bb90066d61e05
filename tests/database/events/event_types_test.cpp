#include <gtest/gtest.h>

#include "database/events/event_types.h"
#include "database/events/qualifiers.h"
#include "database/sqlite_file_fixture.h"

namespace {

class EventTypesTest : public qel::test::SqliteFileTest {};

TEST_F(EventTypesTest, TypeByIdInsertsMissingTypesWithTheirBuiltInNames) {
    TqeldbEventTypes types(database.get());
    types.GetListOfEventTypes(-1);
    const struct {
        int32_t Type;
        int8_t Source;
        const char* Name;
        const char* Row;  // EVTT_ID EVTS_ID EVTT_NAME EVTT_DESCRIPTION
    } cases[] = {
        {17, 0, "Near ball", "17 0 Near ball Near ball"},
        {17, 10, "17", "17 10 17 Unknown Event Type"},
        {45, 0, "", "45 0 - -"},
        {257, 0, "Pass", "257 0 Pass Pass"},
        {5, 3, "Throu in", "5 3 Throu in Throu in"},
        {27, 3, "Substitude In", "27 3 Substitude In Substitude In"},
    };
    for (const auto& aCase : cases) {
        SCOPED_TRACE(aCase.Row);
        EXPECT_EQ(types.TypeByID(aCase.Type, aCase.Source), QString::fromUtf8(aCase.Name));
        EXPECT_EQ(Rows(QStringLiteral("select EVTT_ID, EVTS_ID, EVTT_NAME, EVTT_DESCRIPTION from "
                                      "EVENTTYPE where EVTT_ID = %1 and EVTS_ID = %2")
                           .arg(aCase.Type)
                           .arg(aCase.Source)),
                  QStringList{QString::fromUtf8(aCase.Row)});
    }
    EXPECT_EQ(types.Count(), 6);
}

TEST_F(EventTypesTest, TypeByIdAnswersListedTypesWithoutWriting) {
    Exec(QStringLiteral("insert into EVENTTYPE values (1, 4, ' Long pass ', 'x')"));
    TqeldbEventTypes types(database.get());
    types.GetListOfEventTypes(-1);
    ResetWriteCount();
    EXPECT_EQ(types.TypeByID(1, 4), QStringLiteral("Long pass"));
    EXPECT_EQ(WriteCount(), 0);
    // The same type of another source is another row.
    EXPECT_EQ(types.TypeByID(1, 5), QStringLiteral("Pass"));
    EXPECT_EQ(WriteCount(), 1);
}

TEST_F(EventTypesTest, ListsLoadOneSourceOrEverySource) {
    Exec(QStringLiteral("insert into EVENTTYPE (EVTT_ID, EVTS_ID) values (3, 0), (9, 0), (4, 2)"));
    TqeldbEventTypes types(database.get());
    types.GetListOfEventTypes(0);
    EXPECT_EQ(types.Count(), 2);
    EXPECT_EQ(types.HighestID(), 9);
    types.GetListOfEventTypes(-1);
    EXPECT_EQ(types.Count(), 3);
    EXPECT_EQ(types.HighestID(), 0);

    Exec(QStringLiteral("insert into QUALIFIERS (QLF_ID, EVTS_ID) values (3, 0), (8, 2)"));
    TqeldbQualifiers qualifiers(database.get());
    qualifiers.GetListOfQualifiers(2);
    EXPECT_EQ(qualifiers.Count(), 1);
    EXPECT_EQ(qualifiers.HighestID(), 8);
    // Source 0 loads the kinds of every source.
    qualifiers.GetListOfQualifiers(0);
    EXPECT_EQ(qualifiers.Count(), 2);
}

TEST_F(EventTypesTest, GetEventTypeIdFindsOrSavesTypesOfOneSource) {
    Exec(QStringLiteral("insert into EVENTTYPE values (4, 2, 'Header', ''), (6, 2, 'Tackle', '')"));
    TqeldbEventTypes types(database.get());
    types.GetListOfEventTypes(-1);
    ResetWriteCount();
    EXPECT_EQ(types.GetEventTypeID(QStringLiteral("Header")), 0);
    EXPECT_EQ(types.Count(), 2);
    EXPECT_EQ(WriteCount(), 0);

    types.GetListOfEventTypes(2);
    EXPECT_EQ(types.GetEventTypeID(QStringLiteral("hEADER")), 4);
    EXPECT_EQ(WriteCount(), 0);
    EXPECT_EQ(types.GetEventTypeID(QStringLiteral("Dribble")), 7);
    EXPECT_EQ(WriteCount(), 1);
    EXPECT_EQ(Rows(QStringLiteral("select * from EVENTTYPE where EVTT_ID = 7")),
              QStringList{"7 2 Dribble -"});
}

TEST_F(EventTypesTest, QualifierKindsAreAddedPerIdAndSource) {
    Exec(QStringLiteral("insert into QUALIFIERS values (5, 1, 'Body part', 'Head', '')"));
    TqeldbQualifiers qualifiers(database.get());
    qualifiers.GetListOfQualifiers(1);
    EXPECT_EQ(qualifiers.QualifierByID(5, 1), QStringLiteral("Body part"));
    EXPECT_EQ(qualifiers.QualifierByID(5, 2), QStringLiteral("5"));
    EXPECT_EQ(qualifiers.QualifierByName(QStringLiteral("Body part")), 5);
    // Names compare exactly here.
    EXPECT_EQ(qualifiers.QualifierByName(QStringLiteral("body part")), 6);
    EXPECT_EQ(
        Rows(QStringLiteral("select QLF_ID, EVTS_ID, QLF_NAME, QLF_DESCRIPTION from "
                            "QUALIFIERS order by QLF_ID, EVTS_ID")),
        (QStringList{"5 1 Body part Head", "5 2 5 Unknown Qualifier", "6 1 body part body part"}));
}

TEST_F(EventTypesTest, AKindThatCannotBeInsertedIsNotListed) {
    TqeldbEventTypes types(database.get());
    TqeldbQualifiers qualifiers(database.get());
    // Nothing loaded: no statement is open to insert through.
    EXPECT_ANY_THROW(types.TypeByID(1, 0));
    EXPECT_ANY_THROW(qualifiers.QualifierByID(1, 0));
    EXPECT_EQ(types.Count(), 0);
    EXPECT_EQ(qualifiers.Count(), 0);

    types.GetListOfEventTypes(-1);
    EXPECT_EQ(types.TypeByID(1, 0), QStringLiteral("Pass"));
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from EVENTTYPE")), QStringList{"1"});
}

}  // namespace
