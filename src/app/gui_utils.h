#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace qel {

// One entry of a crossing-direction list: -1 "Select direction", 0..7 the directions; the
// image index equals the value (none for -1).
struct DirectionItem {
    int32_t Value = -1;
    QString Text;  // translated
    friend bool operator==(const DirectionItem&, const DirectionItem&) = default;
};

// The ends of a line in mm.
struct LineEnds {
    int32_t X1 = 0;
    int32_t Y1 = 0;
    int32_t X2 = 0;
    int32_t Y2 = 0;
};

// Every entry in value order; with aFilterByLine only those a crossing of that line can have.
std::vector<DirectionItem> DirectionItems(bool aFilterByLine, int32_t X1, int32_t Y1, int32_t X2,
                                          int32_t Y2);

// Filtered by the line when there is one, else all nine entries.
std::vector<DirectionItem> LineDirectionItems(const std::optional<LineEnds>& aLine);

// aValue designed at 96 pixels per inch, at aPixelsPerInch; halves round to even.
int32_t ScaleToControlPPI(int32_t aValue, int32_t aPixelsPerInch);

// The colour (0x00BBGGRR, desktop-scheme colours resolved) as "%0.6X": blue byte first, so pure
// red gives "0000FF".
QString ColorToHexString(uint32_t aColor);

}  // namespace qel
