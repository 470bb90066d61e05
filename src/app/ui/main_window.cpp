#include "app/ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/choice_list.h"
#include "app/main_form.h"
#include "app/translation.h"
#include "app/ui/log_window.h"
#include "app/window_placement.h"
#include "foundation/logging/log_window_core.h"
#include "foundation/system/registry_helper.h"

namespace qel {

namespace {

constexpr int kLeftPanelWidth = 336;

QString Section() {
    return QString::fromLatin1(MainWindow::kRegistrySection);
}

}  // namespace

MainWindow::MainWindow(TQelvaniServerMainForm& aRoot, QWidget* aParent)
    : QMainWindow(aParent), FRoot(aRoot) {
    BuildSelectionGroup();
    BuildStatusBar();
    connect(&FRoot, &TQelvaniServerMainForm::ViewChanged, this, &MainWindow::ShowView);
    connect(&FRoot, &TQelvaniServerMainForm::LayoutRestoreRequested, this,
            &MainWindow::RestoreLayout);
    connect(&FRoot, &TQelvaniServerMainForm::LayoutStoreRequested, this, &MainWindow::StoreLayout);
    ShowView();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildSelectionGroup() {
    auto* panel = new QWidget(this);
    panel->setFixedWidth(kLeftPanelWidth);
    auto* panelLayout = new QVBoxLayout(panel);
    FSelectionGroup = new QGroupBox(Translate("Measurement selection"), panel);
    auto* layout = new QVBoxLayout(FSelectionGroup);
    FPitchCombo = new QComboBox(FSelectionGroup);
    FPreparationCombo = new QComboBox(FSelectionGroup);
    FRefreshButton = new QPushButton(QStringLiteral("\u21bb"), FSelectionGroup);
    FRefreshButton->setToolTip(Translate("Refresh items"));
    auto* preparationRow = new QHBoxLayout;
    preparationRow->addWidget(FPreparationCombo, 1);
    preparationRow->addWidget(FRefreshButton);
    FActivateButton = new QPushButton(Translate("Activate"), FSelectionGroup);
    FDeactivateButton = new QPushButton(Translate("Deactivate"), FSelectionGroup);
    FRecordButton = new QPushButton(Translate("Start Rec"), FSelectionGroup);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(FActivateButton);
    buttons->addWidget(FDeactivateButton);
    buttons->addWidget(FRecordButton);
    layout->addWidget(FPitchCombo);
    layout->addLayout(preparationRow);
    layout->addLayout(buttons);
    panelLayout->addWidget(FSelectionGroup);
    panelLayout->addStretch(1);
    // (The ball-tracking, video-server, camera and statistics groups, and the transponder and
    // system-state pages, come with the operator actions, status display and camera services.)
    setCentralWidget(panel);

    Bind(FPitchCombo, FRoot.PitchBox());
    Bind(FPreparationCombo, FRoot.PreparationBox());
    connect(FRefreshButton, &QPushButton::clicked, this,
            [this] { FRoot.LoadPreparations(FRoot.PitchBox().Value(0)); });
    connect(FActivateButton, &QPushButton::clicked, &FRoot,
            [this] { FRoot.btnActivateFieldClick(); });
    connect(FDeactivateButton, &QPushButton::clicked, &FRoot,
            [this] { FRoot.btnDeactivateFieldClick(); });
}

void MainWindow::BuildMenu() {
    if (!FRoot.LPMServerLog())
        return;
    QMenu* logs = menuBar()->addMenu(Translate("Logs"));
    for (TqelShowTextDialog* log : {FRoot.MeasurementSystemLog(), FRoot.BallTrackingLog(),
                                    FRoot.VideoServerLog(), FRoot.LPMServerLog()}) {
        if (!log)
            continue;
        auto window = std::make_unique<LogWindow>(*log, this);
        window->setWindowTitle(log->LogName());
        QAction* action = logs->addAction(log->LogName());
        connect(action, &QAction::triggered, log, &TqelShowTextDialog::Show);
        FLogActions.push_back(action);
        FLogWindows.push_back(std::move(window));
    }
}

void MainWindow::BuildStatusBar() {
    FDatabaseLabel = new QLabel(this);
    FCopyrightLabel = new QLabel(this);
    statusBar()->addWidget(FDatabaseLabel);
    statusBar()->addWidget(FCopyrightLabel, 1);
    // Hints of the actions and buttons show in the status bar's message area.
}

void MainWindow::Bind(QComboBox* aCombo, ChoiceList& aList) {
    auto fill = [aCombo, &aList] {
        const QSignalBlocker blocker(aCombo);
        aCombo->clear();
        for (const ChoiceList::Item& item : aList.AllItems())
            aCombo->addItem(item.Text, item.Value);
        aCombo->setCurrentIndex(aList.ItemIndex());
        aCombo->setVisible(aList.Visible());
        aCombo->setEnabled(aList.Enabled());
    };
    connect(&aList, &ChoiceList::Changed, aCombo, fill);
    connect(aCombo, &QComboBox::currentIndexChanged, &aList,
            [&aList](int anIndex) { aList.setItemIndex(anIndex); });
    fill();
}

void MainWindow::ShowView() {
    // The root makes its logs when it is created, after the window.
    if (FLogActions.empty())
        BuildMenu();
    setWindowTitle(FRoot.Caption().isEmpty() ? Translate("qelServer") : FRoot.Caption());
    FSelectionGroup->setVisible(FRoot.SelectionGroupVisible());
    FRecordButton->setVisible(FRoot.RecordButtonVisible());
    FRecordButton->setText(FRoot.RecordButtonText());
    FActivateButton->setVisible(FRoot.ActivateButtonVisible());
    FDeactivateButton->setVisible(!FRoot.ActivateButtonVisible());
    FCopyrightLabel->setText(FRoot.Copyright());
    FDatabaseLabel->setToolTip(FRoot.DatabaseHint());
    FDatabaseLabel->setText(FRoot.DatabaseState() == idbcsConnected ? Translate("Database")
                                                                    : QString());
}

void MainWindow::RestoreLayout() {
    TRegistryHelper& registry = RegistryHelper();
    const QRect current = geometry();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->virtualGeometry() : current;
    const int top = registry.ReadInteger(Section(), QStringLiteral("Top"), current.top());
    const int left = std::max(
        registry.ReadInteger(Section(), QStringLiteral("Left"), current.left()), desktop.left());
    const int width = registry.ReadInteger(Section(), QStringLiteral("Width"), current.width());
    const int height = registry.ReadInteger(Section(), QStringLiteral("Height"), current.height());
    resize(width, height);
    const QPoint place = KeepOnDesktop(QRect(left, top, width, height), desktop);
    setGeometry(QRect(place, QSize(width, height)));
}

void MainWindow::StoreLayout() {
    TRegistryHelper& registry = RegistryHelper();
    const QRect place = geometry();
    registry.WriteInteger(Section(), QStringLiteral("Top"), place.top());
    registry.WriteInteger(Section(), QStringLiteral("Left"), place.left());
    registry.WriteInteger(Section(), QStringLiteral("Width"), place.width());
    registry.WriteInteger(Section(), QStringLiteral("Height"), place.height());
}

void MainWindow::RestoreAndRaise() {
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* anEvent) {
    const bool forced = QApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
    if (!FRoot.FormCloseQuery(forced)) {
        anEvent->ignore();
        return;
    }
    FRoot.FormClose();
    anEvent->accept();
    QCoreApplication::quit();
}

}  // namespace qel
