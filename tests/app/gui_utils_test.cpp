#include <gtest/gtest.h>

#include <QComboBox>

#include "app/gui_utils.h"
#include "app/ui/gui_utils_module.h"
#include "foundation/settings/colors.h"

namespace {

std::vector<int32_t> Values(const std::vector<qel::DirectionItem>& aItems) {
    std::vector<int32_t> values;
    for (const qel::DirectionItem& item : aItems)
        values.push_back(item.Value);
    return values;
}

struct DirectionCase {
    const char* Name;
    qel::LineEnds Line;
    std::vector<int32_t> Offered;
};

TEST(GuiUtilsTest, DirectionFilterOffersWhatFitsTheLine) {
    const DirectionCase cases[] = {
        {"vertical line", {500, 0, 500, 3000}, {-1, 0, 1}},
        {"both grow", {0, 0, 1000, 2000}, {-1, 4, 6}},
        {"both fall", {1000, 2000, 0, 0}, {-1, 4, 6}},
        {"one falls", {0, 2000, 1000, 0}, {-1, 5, 7}},
        {"horizontal line", {0, 700, 4000, 700}, {-1, 2, 3}},
        {"single point", {10, 10, 10, 10}, {-1, 0, 1, 2, 3}},
    };
    for (const DirectionCase& c : cases) {
        EXPECT_EQ(Values(qel::LineDirectionItems(c.Line)), c.Offered) << c.Name;
    }
    const std::vector<int32_t> all = {-1, 0, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(Values(qel::LineDirectionItems(std::nullopt)), all);
    EXPECT_EQ(Values(qel::DirectionItems(false, 0, 0, 1000, 2000)), all);
}

TEST(GuiUtilsTest, ScaleHalvesToEvenAndColourIsBlueFirst) {
    struct {
        int32_t Value, Ppi, Expected;
    } const scales[] = {{180, 144, 270}, {17, 120, 21}, {2, 120, 2}, {6, 120, 8}, {100, 96, 100}};
    for (const auto& s : scales)
        EXPECT_EQ(qel::ScaleToControlPPI(s.Value, s.Ppi), s.Expected) << s.Value << " at " << s.Ppi;

    EXPECT_EQ(qel::ColorToHexString(clRed), "0000FF");
    EXPECT_EQ(qel::ColorToHexString(clBlue), "FF0000");
    EXPECT_EQ(qel::ColorToHexString(0x00123456), "123456");
    // A desktop-scheme colour is resolved before it is written (button face).
    EXPECT_EQ(qel::ColorToHexString(0xFF00000F), "F0F0F0");
}

TEST(GuiUtilsTest, ComboGetsValuesTextsAndImages) {
    qel::TdmGuiUtils module;
    ASSERT_EQ(qel::dmGuiUtils(), &module);
    EXPECT_EQ(module.imglstDirection().size(), 10);
    EXPECT_EQ(module.imgcolDatabase().size(), 7);

    QComboBox combo;
    combo.addItem(QStringLiteral("old"));
    module.FillLineDirectionCombo(&combo, qel::LineEnds{0, 2000, 1000, 0});
    ASSERT_EQ(combo.count(), 3);
    EXPECT_EQ(combo.itemText(0), "Select direction");
    EXPECT_TRUE(combo.itemIcon(0).isNull());
    EXPECT_EQ(combo.itemText(1), "Bottom Left to Top Right");
    EXPECT_EQ(combo.itemData(2).toInt(), 7);
    EXPECT_FALSE(combo.itemIcon(2).isNull());
}

}  // namespace
