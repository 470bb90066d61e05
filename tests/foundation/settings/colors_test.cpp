#include <gtest/gtest.h>

#include "foundation/settings/colors.h"
#include "platform/exception.h"

namespace {

TEST(Colors, ToText) {
    const std::pair<uint32_t, const char*> cases[] = {
        {0x00FF00, "clLime"},      {0x008000, "clGreen"},     {0xFF0000, "clBlue"},
        {0xFF00FF, "clFuchsia"},   {0x0000FF, "clRed"},       {0x000080, "clMaroon"},
        {0x1FFFFFFF, "clNone"},    {0x000000, "clBlack"},     {0xFFFFFF, "clWhite"},
        {0xC0C0C0, "clSilver"},    {0xF0CAA6, "clSkyBlue"},   {0x20000000, "clDefault"},
        {0xFF00000F, "clBtnFace"}, {0xFF000005, "clWindow"},  {0x00123456, "$00123456"},
        {0x00ABCDEF, "$00ABCDEF"}, {0xFFFFFFFF, "$FFFFFFFF"}, {0xFF00001F, "$FF00001F"},
    };
    for (const auto& [color, text] : cases) {
        EXPECT_EQ(qel::ColorToText(color).toStdString(), text);
    }
}

TEST(Colors, FromText) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"clLime", 0x00FF00},
        {"CLLIME", 0x00FF00},
        {"clnone", 0x1FFFFFFF},
        {"clBtnFace", 0xFF00000F},
        {"$00ABCDEF", 0x00ABCDEF},
        {"$00abcdef", 0x00ABCDEF},
        {"0x10", 16},
        {"255", 255},
        {"-1", 0xFFFFFFFF},
        {"$FFFFFFFF", 0xFFFFFFFF},
        {"0", 0},
    };
    for (const auto& [text, color] : cases) {
        EXPECT_EQ(qel::TextToColor(QString::fromUtf8(text)), color) << text;
    }
    for (const char* text : {"", "clLimes", "lime", "$", "$100000000", "12 34", "1.5"}) {
        EXPECT_THROW(qel::TextToColor(QString::fromUtf8(text)), EConvertError) << text;
    }
}

TEST(Colors, EveryTextReadsBack) {
    for (uint32_t index = 0; index < 32; ++index) {
        const uint32_t scheme = 0xFF000000u | index;
        EXPECT_EQ(qel::TextToColor(qel::ColorToText(scheme)), scheme);
    }
    for (uint32_t color : {0u, 0x808080u, 0xA4A0A0u, 0x1FFFFFFFu, 0x20000000u, 0x7FFFFFFFu}) {
        EXPECT_EQ(qel::TextToColor(qel::ColorToText(color)), color);
    }
}

}  // namespace
