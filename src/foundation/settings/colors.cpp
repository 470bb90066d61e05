#include "foundation/settings/colors.h"

#include <QVariant>

#include "foundation/text_utils.h"
#include "platform/exception.h"
#include "platform/numbers.h"
#include "platform/text_compare.h"

namespace {

// The desktop scheme colours: 0xFF000000 with the scheme's colour index in the low byte.
constexpr uint32_t SchemeColor(uint32_t anIndex) {
    return 0xFF000000u | anIndex;
}

struct ColorName {
    uint32_t Color;
    const char* Name;
};

// The standard colour set, in the order of the runtime's table: a value named twice is written
// with its first name.
constexpr ColorName kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {SchemeColor(10), "clActiveBorder"},
    {SchemeColor(2), "clActiveCaption"},
    {SchemeColor(12), "clAppWorkSpace"},
    {SchemeColor(1), "clBackground"},
    {SchemeColor(15), "clBtnFace"},
    {SchemeColor(20), "clBtnHighlight"},
    {SchemeColor(16), "clBtnShadow"},
    {SchemeColor(18), "clBtnText"},
    {SchemeColor(9), "clCaptionText"},
    {clDefault, "clDefault"},
    {SchemeColor(27), "clGradientActiveCaption"},
    {SchemeColor(28), "clGradientInactiveCaption"},
    {SchemeColor(17), "clGrayText"},
    {SchemeColor(13), "clHighlight"},
    {SchemeColor(14), "clHighlightText"},
    {SchemeColor(26), "clHotLight"},
    {SchemeColor(11), "clInactiveBorder"},
    {SchemeColor(3), "clInactiveCaption"},
    {SchemeColor(19), "clInactiveCaptionText"},
    {SchemeColor(24), "clInfoBk"},
    {SchemeColor(23), "clInfoText"},
    {SchemeColor(4), "clMenu"},
    {SchemeColor(30), "clMenuBar"},
    {SchemeColor(29), "clMenuHighlight"},
    {SchemeColor(7), "clMenuText"},
    {clNone, "clNone"},
    {SchemeColor(0), "clScrollBar"},
    {SchemeColor(21), "cl3DDkShadow"},
    {SchemeColor(22), "cl3DLight"},
    {SchemeColor(5), "clWindow"},
    {SchemeColor(6), "clWindowFrame"},
    {SchemeColor(8), "clWindowText"},
};

}  // namespace

namespace qel {

QString ColorToText(uint32_t aColor) {
    for (const ColorName& entry : kColorNames) {
        if (entry.Color == aColor) {
            return QString::fromLatin1(entry.Name);
        }
    }
    return QLatin1Char('$') + QStringLiteral("%1").arg(aColor, 8, 16, QLatin1Char('0')).toUpper();
}

bool ColorNameToColor(const QString& aName, uint32_t& aColor) {
    for (const ColorName& entry : kColorNames) {
        if (SameText(aName, QString::fromLatin1(entry.Name))) {
            aColor = entry.Color;
            return true;
        }
    }
    return false;
}

uint32_t TextToColor(const QString& aText) {
    uint32_t color = 0;
    if (ColorNameToColor(aText, color)) {
        return color;
    }
    const std::optional<int32_t> value = TryStrToInt(aText);
    if (!value) {
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(aText));
    }
    return static_cast<uint32_t>(*value);
}

}  // namespace qel
