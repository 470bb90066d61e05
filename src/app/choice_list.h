#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace qel {

// A selection box without its widget: items of a text and a value, and the chosen item. The
// composition root fills it; a window shows it and passes the operator's choice back through
// setItemIndex. Main thread only.
class ChoiceList : public QObject {
    Q_OBJECT

public:
    struct Item {
        QString Text;
        int32_t Value = 0;
    };

    explicit ChoiceList(QObject* aParent = nullptr) : QObject(aParent) {}

    // Empties the items and the choice.
    void Clear();
    void Add(const QString& aText, int32_t aValue);
    int Count() const { return static_cast<int>(FItems.size()); }
    const Item& Items(int anIndex) const { return FItems[static_cast<size_t>(anIndex)]; }
    const std::vector<Item>& AllItems() const { return FItems; }
    // The index of the first item with the value, -1 when none has it.
    int IndexOfValue(int32_t aValue) const;

    // -1 when nothing is chosen.
    int ItemIndex() const { return FItemIndex; }
    // An index outside the items chooses nothing.
    void setItemIndex(int anIndex);
    // Chooses the first item with the value; nothing when none has it.
    void setValue(int32_t aValue) { setItemIndex(IndexOfValue(aValue)); }
    // The chosen item's value; nothing chosen gives aNone.
    int32_t Value(int32_t aNone = -1) const;
    std::optional<int32_t> ChosenValue() const;
    // The chosen item's text; empty when nothing is chosen.
    QString Text() const;

    // Whether the window shows and enables the box.
    bool Visible() const { return FVisible; }
    void setVisible(bool aValue);
    bool Enabled() const { return FEnabled; }
    void setEnabled(bool aValue);

    // Changes are collected while updates are suspended and told once at the end.
    void BeginUpdate() { ++FUpdating; }
    void EndUpdate();

signals:
    // The items, the choice, visibility or enabling changed.
    void Changed();
    // The choice was set (by the operator or the program, also to the same value again); while
    // updates are suspended, once at the end.
    void ChoiceChanged();

private:
    void Notify(bool aChoiceChanged);

    std::vector<Item> FItems;
    int FItemIndex = -1;
    bool FVisible = true;
    bool FEnabled = true;
    int FUpdating = 0;
    bool FPendingChange = false;
    bool FPendingChoice = false;
};

}  // namespace qel
