#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <cstdint>
#include <optional>

#include "app/gui_utils.h"

class QComboBox;
class QWidget;

namespace qel {

// The shared, non-visual GUI module: the image lists several forms use. One instance, made
// before the main window and living until the program ends; reached through dmGuiUtils().
// Main thread only.
class TdmGuiUtils : public QObject {
    Q_OBJECT
public:
    explicit TdmGuiUtils(QObject* aParent = nullptr);
    ~TdmGuiUtils() override;

    // Index 0..7: one picture per crossing direction (10 images).
    const QList<QIcon>& imglstDirection() const { return FDirection; }
    // Index 0: OK, 1: Cancel (5 images).
    const QList<QIcon>& imglstModalResult() const { return FModalResult; }
    // Initial, Disabled, Warning, Error, Delete, OK, Question.
    const QList<QIcon>& imgcolDatabase() const { return FDatabase; }

    // Empties aCombo and adds the direction entries (the value as item data, the image of the
    // value), with aFilterByLine only those that fit the line.
    void FillDirectionCombo(QComboBox* aCombo, bool aFilterByLine, int32_t X1, int32_t Y1,
                            int32_t X2, int32_t Y2) const;
    // Filtered by the line when there is one, else all nine entries.
    void FillLineDirectionCombo(QComboBox* aCombo, const std::optional<LineEnds>& aLine) const;

private:
    void FillCombo(QComboBox* aCombo, const std::vector<DirectionItem>& aItems) const;
    QList<QIcon> FDirection;
    QList<QIcon> FModalResult;
    QList<QIcon> FDatabase;
};

// The module, or nullptr before it is made and after it is freed.
TdmGuiUtils* dmGuiUtils();

// aValue designed at 96 pixels per inch, at aControl's current resolution.
int32_t ScaleToControlPPI(const QWidget* aControl, int32_t aValue);

}  // namespace qel
