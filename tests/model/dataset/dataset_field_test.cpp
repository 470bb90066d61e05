#include <gtest/gtest.h>

#include "model/dataset/dataset.h"
#include "model/field/default_soccer_field.h"
#include "model/field/field.h"
#include "support/temp_folder.h"

namespace {

TEST(DatasetFieldTest, TheDatasetOwnsItsField) {
    TqelDataset dataset;
    ASSERT_NE(dataset.Field(), nullptr);
    EXPECT_EQ(dataset.Field()->Dataset(), &dataset);
    dataset.Field()->setSportType(sportIceHockey);
    EXPECT_EQ(dataset.SportType(), sportIceHockey);
}

TEST(DatasetFieldTest, LoadFieldDefinition) {
    qel::test::TempFolder folder;
    TqelField pitch;
    CreateDefaultSoccerField(pitch, 105000, 68000);
    pitch.SaveToFile(folder.file("pitch.qfd"));

    TqelDataset dataset;
    TqelField& field = *dataset.Field();
    field.AddPylon(1, 2);
    dataset.LoadFieldDefinition(folder.file("missing.qfd"));
    EXPECT_EQ(field.FieldVaruzaCount(), 1);
    EXPECT_EQ(dataset.FieldDefinitionFile(), "");
    // A folder is no file either.
    dataset.LoadFieldDefinition(folder.path());
    EXPECT_EQ(field.FieldVaruzaCount(), 1);

    // Refused while recording: not remembered either.
    dataset.setRecording(true);
    EXPECT_THROW(dataset.LoadFieldDefinition(folder.file("pitch.qfd")), EFieldDefinitionError);
    EXPECT_EQ(dataset.FieldDefinitionFile(), "");
    dataset.setRecording(false);

    dataset.LoadFieldDefinition(folder.file("pitch.qfd"));
    EXPECT_EQ(dataset.FieldDefinitionFile(), folder.file("pitch.qfd"));
    EXPECT_EQ(field.FieldVaruzaCount(), 19);
    EXPECT_EQ(field.FieldBoxLeftTop(), (RqelFieldPosition{-52500, 34000}));
    EXPECT_EQ(dataset.SportType(), sportSoccer);
}

}  // namespace
