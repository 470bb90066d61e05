#pragma once

#include <QDialog>
#include <QPointer>

#include "foundation/system/progress_state.h"

class QLabel;
class QProgressBar;
class QPushButton;

// The stay-on-top window that shows the progress of a long main-thread operation: caption,
// message line, details, percentage bar and "Cancel". Its user creates it without an owner,
// shows it, reports through IlpmProgress and frees it; the user never closes it: a close
// request cancels instead. Main thread only.
class TlpmProgressDialog : public QDialog, public qel::ProgressState {
    Q_OBJECT

public:
    // Centred on aMainWindow when shown (on the screen without one).
    explicit TlpmProgressDialog(QWidget* aMainWindow = nullptr);

    QProgressBar* ProgressBar() const { return FBar; }
    QLabel* MessageLabel() const { return FMessage; }
    QLabel* DetailsLabel() const { return FDetails; }
    QPushButton* CancelButton() const { return FCancel; }

    // Escape: cancels, as "Cancel" does.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* anEvent) override;

    void ShowCaption(const QString& aCaption) override;
    void ShowMessage(const QString& aMessage) override;
    void ShowDetails(const QString& aDetails) override;
    void ShowBar(double aPercent) override;
    void ShowCancel(bool aShown) override;
    void ShowWindow() override;
    void LetMessagesRun() override;
    QObject* CancelSender() override { return this; }

private:
    QPointer<QWidget> FMainWindow;
    QProgressBar* FBar = nullptr;
    QLabel* FMessage = nullptr;
    QLabel* FDetails = nullptr;
    QPushButton* FCancel = nullptr;
};
