#include "app/ui/gui_utils_module.h"

#include <QComboBox>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace qel {

namespace {

TdmGuiUtils* gModule = nullptr;

// A plain placeholder picture: a coloured square with a short mark.
QIcon Placeholder(const QColor& aColor, const QString& aMark) {
    QPixmap pixmap(16, 16);
    pixmap.fill(aColor);
    QPainter painter(&pixmap);
    painter.setPen(Qt::white);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, aMark);
    return QIcon(pixmap);
}

QList<QIcon> Placeholders(int aCount, const QColor& aColor) {
    QList<QIcon> icons;
    for (int i = 0; i < aCount; ++i)
        icons.append(Placeholder(aColor, QString::number(i)));
    return icons;
}

}  // namespace

TdmGuiUtils::TdmGuiUtils(QObject* aParent)
    : QObject(aParent),
      FDirection(Placeholders(10, QColor(0x30, 0x60, 0xA0))),
      FModalResult(Placeholders(5, QColor(0x40, 0x80, 0x40))) {
    const QColor databaseColors[] = {Qt::gray,    Qt::lightGray, QColor(0xE0, 0xA0, 0x00),
                                     Qt::red,     Qt::darkRed,   Qt::darkGreen,
                                     Qt::darkBlue};
    for (const QColor& color : databaseColors)
        FDatabase.append(Placeholder(color, {}));
    if (gModule == nullptr)
        gModule = this;
}

TdmGuiUtils::~TdmGuiUtils() {
    if (gModule == this)
        gModule = nullptr;
}

void TdmGuiUtils::FillDirectionCombo(QComboBox* aCombo, bool aFilterByLine, int32_t X1, int32_t Y1,
                                     int32_t X2, int32_t Y2) const {
    FillCombo(aCombo, DirectionItems(aFilterByLine, X1, Y1, X2, Y2));
}

void TdmGuiUtils::FillLineDirectionCombo(QComboBox* aCombo,
                                         const std::optional<LineEnds>& aLine) const {
    FillCombo(aCombo, LineDirectionItems(aLine));
}

void TdmGuiUtils::FillCombo(QComboBox* aCombo, const std::vector<DirectionItem>& aItems) const {
    aCombo->clear();
    for (const DirectionItem& item : aItems) {
        const QIcon icon = item.Value >= 0 ? FDirection.value(item.Value) : QIcon();
        aCombo->addItem(icon, item.Text, item.Value);
    }
}

TdmGuiUtils* dmGuiUtils() {
    return gModule;
}

int32_t ScaleToControlPPI(const QWidget* aControl, int32_t aValue) {
    return ScaleToControlPPI(aValue, aControl->logicalDpiX());
}

}  // namespace qel
