#include "app/gui_utils.h"

#include <array>

#include "app/translation.h"
#include "platform/numbers.h"

namespace qel {

namespace {

constexpr std::array<const char*, 9> kDirectionTexts = {
    "Select direction",         "positive X-axis",          "negative X-axis",
    "positive Y-axis",          "negative Y-axis",          "Bottom Right to Top Left",
    "Bottom Left to Top Right", "Top Left to Bottom Right", "Top Right to Bottom Left"};

bool FitsLine(int32_t aValue, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
    const bool bothGrow = (X1 < X2 && Y1 < Y2) || (X1 > X2 && Y1 > Y2);
    const bool oneFalls = (X1 < X2 && Y1 > Y2) || (X1 > X2 && Y1 < Y2);
    switch (aValue) {
        case -1:
            return true;
        case 0:
        case 1:
            return X1 == X2;
        case 2:
        case 3:
            return Y1 == Y2;
        case 4:
        case 6:
            return bothGrow;
        default:
            return oneFalls;
    }
}

// The desktop scheme's colours (0xFF000000 | index) as the default scheme has them.
uint32_t ResolveSystemColor(uint32_t aColor) {
    static constexpr std::array<uint32_t, 31> kScheme = {
        0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
        0x000000, 0x000000, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0,
        0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
        0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xD77800, 0xF0F0F0};
    const uint32_t index = aColor & 0xFF;
    return index < kScheme.size() ? kScheme[index] : 0;
}

}  // namespace

std::vector<DirectionItem> DirectionItems(bool aFilterByLine, int32_t X1, int32_t Y1, int32_t X2,
                                          int32_t Y2) {
    std::vector<DirectionItem> items;
    for (int32_t value = -1; value <= 7; ++value) {
        if (!aFilterByLine || FitsLine(value, X1, Y1, X2, Y2))
            items.push_back({value, Translate(kDirectionTexts[size_t(value + 1)])});
    }
    return items;
}

std::vector<DirectionItem> LineDirectionItems(const std::optional<LineEnds>& aLine) {
    if (!aLine)
        return DirectionItems(false, 0, 0, 0, 0);
    return DirectionItems(true, aLine->X1, aLine->Y1, aLine->X2, aLine->Y2);
}

int32_t ScaleToControlPPI(int32_t aValue, int32_t aPixelsPerInch) {
    return RoundToInt32(double(aValue) * double(aPixelsPerInch) / 96.0);
}

QString ColorToHexString(uint32_t aColor) {
    const uint32_t rgb =
        (aColor & 0xFF000000u) == 0xFF000000u ? ResolveSystemColor(aColor) : (aColor & 0xFFFFFFu);
    return QStringLiteral("%1").arg(rgb, 6, 16, QLatin1Char('0')).toUpper();
}

}  // namespace qel
