#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class TQelvaniServerMainForm;

namespace qel {

class ChoiceList;
class LogWindow;

// The operator's window over the composition root: the measurement selection (pitch and
// preparation boxes and the activation and recording buttons), a menu that opens the four log
// windows, the status bar (database state, copyright, hints), and the window's place and size
// kept in the registry. The root must outlive the window. Main thread only.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // The registry section of the layout.
    static constexpr const char* kRegistrySection = "TQelvaniServerMainForm";

    explicit MainWindow(TQelvaniServerMainForm& aRoot, QWidget* aParent = nullptr);
    ~MainWindow() override;

    // From the registry (the current values where none is stored), then kept on the desktop.
    void RestoreLayout();
    void StoreLayout();
    // The restore channel: back from minimised and to the front.
    void RestoreAndRaise();

    QGroupBox* SelectionGroup() const { return FSelectionGroup; }
    QComboBox* PitchCombo() const { return FPitchCombo; }
    QComboBox* PreparationCombo() const { return FPreparationCombo; }
    QPushButton* RecordButton() const { return FRecordButton; }
    QPushButton* ActivateButton() const { return FActivateButton; }
    QPushButton* DeactivateButton() const { return FDeactivateButton; }
    const std::vector<QAction*>& LogActions() const { return FLogActions; }
    QLabel* CopyrightLabel() const { return FCopyrightLabel; }

protected:
    void closeEvent(QCloseEvent* anEvent) override;

private:
    void BuildSelectionGroup();
    void BuildMenu();
    void BuildStatusBar();
    void ShowView();
    // Keeps a combo box in line with a choice list; the operator's choice goes back to it.
    void Bind(QComboBox* aCombo, ChoiceList& aList);

    TQelvaniServerMainForm& FRoot;
    QGroupBox* FSelectionGroup = nullptr;
    QComboBox* FPitchCombo = nullptr;
    QComboBox* FPreparationCombo = nullptr;
    QPushButton* FActivateButton = nullptr;
    QPushButton* FDeactivateButton = nullptr;
    QPushButton* FRefreshButton = nullptr;
    QPushButton* FRecordButton = nullptr;
    QLabel* FDatabaseLabel = nullptr;
    QLabel* FCopyrightLabel = nullptr;
    std::vector<QAction*> FLogActions;
    std::vector<std::unique_ptr<LogWindow>> FLogWindows;
};

}  // namespace qel
