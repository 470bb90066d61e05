#include "app/ui/progress_dialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

#include "platform/queued_call.h"

TlpmProgressDialog::TlpmProgressDialog(QWidget* aMainWindow)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      FMainWindow(aMainWindow) {
    FBar = new QProgressBar(this);
    FBar->setRange(0, 100);
    FBar->setValue(0);
    FMessage = new QLabel(this);
    FDetails = new QLabel(this);
    FDetails->setWordWrap(true);
    FCancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(FCancel, &QPushButton::clicked, this, [this] { Cancel(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(FCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FMessage);
    layout->addWidget(FDetails);
    layout->addWidget(FBar);
    layout->addLayout(buttons);
    setMinimumWidth(400);
}

void TlpmProgressDialog::reject() {
    Cancel();
}

void TlpmProgressDialog::closeEvent(QCloseEvent* anEvent) {
    // Only the operation, told by its cancel handler, frees the window.
    anEvent->ignore();
    Cancel();
}

void TlpmProgressDialog::ShowCaption(const QString& aCaption) {
    setWindowTitle(aCaption);
}

void TlpmProgressDialog::ShowMessage(const QString& aMessage) {
    FMessage->setText(aMessage);
}

void TlpmProgressDialog::ShowDetails(const QString& aDetails) {
    FDetails->setText(aDetails);
    FDetails->repaint();
}

void TlpmProgressDialog::ShowBar(double aPercent) {
    FBar->setValue(static_cast<int>(std::nearbyint(aPercent)));
}

void TlpmProgressDialog::ShowCancel(bool aShown) {
    FCancel->setVisible(aShown);
    if (windowFlags().testFlag(Qt::WindowCloseButtonHint) == aShown) {
        return;
    }
    // Changing the flags of a shown window hides it.
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowCloseButtonHint, aShown);
    if (wasVisible) {
        show();
    }
}

void TlpmProgressDialog::ShowWindow() {
    adjustSize();
    QRect area;
    if (FMainWindow) {
        area = FMainWindow->frameGeometry();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid()) {
        QRect frame = frameGeometry();
        frame.moveCenter(area.center());
        move(frame.topLeft());
    }
    show();
}

void TlpmProgressDialog::LetMessagesRun() {
    qel::ProcessMessages();
}
