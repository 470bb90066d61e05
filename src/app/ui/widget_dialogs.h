#pragma once

#include <QPointer>
#include <QWidget>

#include "foundation/system/dialogs.h"

namespace qel {

// The dialogs with a display: message boxes and TlpmProgressDialog, centred on the main window.
// Main thread only.
class WidgetDialogs : public IDialogs {
public:
    explicit WidgetDialogs(QWidget* aMainWindow = nullptr) : FMainWindow(aMainWindow) {}

    void setMainWindow(QWidget* aMainWindow) { FMainWindow = aMainWindow; }

    MessageButton Message(MessageKind aKind, const QString& aCaption, const QString& aText,
                          MessageButtons aButtons, MessageButton aDefault) override;
    std::unique_ptr<IlpmProgress> CreateProgress() override;

private:
    QPointer<QWidget> FMainWindow;
};

}  // namespace qel
