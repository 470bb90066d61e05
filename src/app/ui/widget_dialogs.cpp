#include "app/ui/widget_dialogs.h"

#include <QMessageBox>
#include <array>
#include <utility>

#include "app/ui/progress_dialog.h"

namespace qel {
namespace {

constexpr std::array<std::pair<MessageButton, QMessageBox::StandardButton>, 7> kButtons{{
    {mbOK, QMessageBox::Ok},
    {mbCancel, QMessageBox::Cancel},
    {mbYes, QMessageBox::Yes},
    {mbNo, QMessageBox::No},
    {mbAbort, QMessageBox::Abort},
    {mbRetry, QMessageBox::Retry},
    {mbIgnore, QMessageBox::Ignore},
}};

QMessageBox::Icon IconOf(MessageKind aKind) {
    switch (aKind) {
        case MessageKind::Information:
            return QMessageBox::Information;
        case MessageKind::Warning:
            return QMessageBox::Warning;
        case MessageKind::Error:
            return QMessageBox::Critical;
        case MessageKind::Confirmation:
            return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

MessageButton WidgetDialogs::Message(MessageKind aKind, const QString& aCaption,
                                     const QString& aText, MessageButtons aButtons,
                                     MessageButton aDefault) {
    QMessageBox box(IconOf(aKind), aCaption, aText, QMessageBox::NoButton, FMainWindow);
    for (const auto& [own, standard] : kButtons) {
        if (aButtons & own) {
            box.addButton(standard);
        }
        if (own == aDefault) {
            box.setDefaultButton(standard);
        }
    }
    if (aButtons == mbNone) {
        box.addButton(QMessageBox::Ok);
    }
    box.exec();
    const auto chosen = box.standardButton(box.clickedButton());
    for (const auto& [own, standard] : kButtons) {
        if (standard == chosen) {
            return own;
        }
    }
    // Closed without a button.
    return aDefault;
}

std::unique_ptr<IlpmProgress> WidgetDialogs::CreateProgress() {
    return std::make_unique<TlpmProgressDialog>(FMainWindow);
}

}  // namespace qel
