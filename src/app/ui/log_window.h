#pragma once

#include <QDialog>
#include <QPointer>

class QListView;
class QPushButton;
class TqelShowTextDialog;

namespace qel {

// The view of one log (TqelShowTextDialog): its lines newest first, "Clear" and "Close".
// Closing only hides the window, so the log keeps collecting lines and can be shown again;
// the log's show request shows it. Main thread only. The log must outlive the window or be
// freed first, which leaves the window empty.
class LogWindow : public QDialog {
    Q_OBJECT

public:
    explicit LogWindow(TqelShowTextDialog& aLog, QWidget* aParent = nullptr);

    QListView* View() const { return FView; }
    QPushButton* ClearButton() const { return FClearButton; }
    QPushButton* CloseButton() const { return FCloseButton; }

private:
    void ShowAndRaise();

    QPointer<TqelShowTextDialog> FLog;
    QListView* FView = nullptr;
    QPushButton* FClearButton = nullptr;
    QPushButton* FCloseButton = nullptr;
};

}  // namespace qel
