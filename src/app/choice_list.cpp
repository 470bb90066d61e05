#include "app/choice_list.h"

namespace qel {

void ChoiceList::Clear() {
    FItems.clear();
    FItemIndex = -1;
    Notify(true);
}

void ChoiceList::Add(const QString& aText, int32_t aValue) {
    FItems.push_back({aText, aValue});
    Notify(false);
}

int ChoiceList::IndexOfValue(int32_t aValue) const {
    for (size_t i = 0; i < FItems.size(); ++i) {
        if (FItems[i].Value == aValue)
            return static_cast<int>(i);
    }
    return -1;
}

void ChoiceList::setItemIndex(int anIndex) {
    FItemIndex = anIndex >= 0 && anIndex < Count() ? anIndex : -1;
    Notify(true);
}

int32_t ChoiceList::Value(int32_t aNone) const {
    return ChosenValue().value_or(aNone);
}

std::optional<int32_t> ChoiceList::ChosenValue() const {
    if (FItemIndex < 0)
        return std::nullopt;
    return FItems[static_cast<size_t>(FItemIndex)].Value;
}

QString ChoiceList::Text() const {
    return FItemIndex < 0 ? QString() : FItems[static_cast<size_t>(FItemIndex)].Text;
}

void ChoiceList::setVisible(bool aValue) {
    if (FVisible != aValue) {
        FVisible = aValue;
        Notify(false);
    }
}

void ChoiceList::setEnabled(bool aValue) {
    if (FEnabled != aValue) {
        FEnabled = aValue;
        Notify(false);
    }
}

void ChoiceList::EndUpdate() {
    if (FUpdating > 0 && --FUpdating == 0 && (FPendingChange || FPendingChoice)) {
        const bool choice = FPendingChoice;
        FPendingChange = FPendingChoice = false;
        Notify(choice);
    }
}

void ChoiceList::Notify(bool aChoiceChanged) {
    if (FUpdating > 0) {
        FPendingChange = true;
        FPendingChoice = FPendingChoice || aChoiceChanged;
        return;
    }
    emit Changed();
    // A refill that chooses the same value again still counts: what depends on the choice
    // reloads (the database may have changed meanwhile).
    if (aChoiceChanged)
        emit ChoiceChanged();
}

}  // namespace qel
