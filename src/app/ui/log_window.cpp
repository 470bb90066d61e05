#include "app/ui/log_window.h"

#include <QAbstractListModel>
#include <QHBoxLayout>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

#include "foundation/logging/log_window_core.h"

namespace qel {
namespace {

// Rows over the log's own lines, no copy: the log tells what left the end and what came on
// top, so the view keeps its scroll position and only the changed rows are laid out again.
class LogLinesModel : public QAbstractListModel {
public:
    LogLinesModel(TqelShowTextDialog& aLog, QObject* aParent)
        : QAbstractListModel(aParent), FLog(&aLog), FRowCount(aLog.LineCount()) {
        connect(&aLog, &TqelShowTextDialog::LinesChanged, this, &LogLinesModel::Changed);
        connect(&aLog, &QObject::destroyed, this, [this] {
            beginResetModel();
            FRowCount = 0;
            endResetModel();
        });
    }

    int rowCount(const QModelIndex& aParent) const override {
        return aParent.isValid() ? 0 : FRowCount;
    }

    QVariant data(const QModelIndex& anIndex, int aRole) const override {
        if (!FLog || aRole != Qt::DisplayRole) {
            return {};
        }
        // While rows are being announced the log may already hold the new lines on top.
        const int line = anIndex.row() + FLog->LineCount() - FRowCount;
        if (anIndex.row() >= FRowCount || line < 0 || line >= FLog->LineCount()) {
            return {};
        }
        return FLog->Line(line);
    }

private:
    void Changed(int aRemovedOldest, int aAddedNewest) {
        if (aRemovedOldest > FRowCount ||
            FRowCount - aRemovedOldest + aAddedNewest != FLog->LineCount()) {
            beginResetModel();
            FRowCount = FLog->LineCount();
            endResetModel();
            return;
        }
        if (aRemovedOldest > 0) {
            beginRemoveRows({}, FRowCount - aRemovedOldest, FRowCount - 1);
            FRowCount -= aRemovedOldest;
            endRemoveRows();
        }
        if (aAddedNewest > 0) {
            beginInsertRows({}, 0, aAddedNewest - 1);
            FRowCount += aAddedNewest;
            endInsertRows();
        }
    }

    QPointer<TqelShowTextDialog> FLog;
    int FRowCount;
};

}  // namespace

LogWindow::LogWindow(TqelShowTextDialog& aLog, QWidget* aParent)
    : QDialog(aParent, Qt::Tool), FLog(&aLog) {
    setWindowTitle(aLog.LogName());
    setSizeGripEnabled(true);
    resize(640, 400);

    FView = new QListView(this);
    FView->setObjectName(QStringLiteral("Lines"));
    FView->setModel(new LogLinesModel(aLog, FView));
    FView->setUniformItemSizes(true);
    FView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FView->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    FView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    FClearButton = new QPushButton(QStringLiteral("Clear"), this);
    FCloseButton = new QPushButton(QStringLiteral("Close"), this);
    FCloseButton->setDefault(true);
    connect(FClearButton, &QPushButton::clicked, this, [this] {
        if (FLog) {
            FLog->Clear();
        }
    });
    // A dialog's close only hides it.
    connect(FCloseButton, &QPushButton::clicked, this, &QDialog::close);
    connect(&aLog, &TqelShowTextDialog::ShowRequested, this, &LogWindow::ShowAndRaise);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(FClearButton);
    buttons->addWidget(FCloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FView);
    layout->addLayout(buttons);
}

void LogWindow::ShowAndRaise() {
    show();
    raise();
    activateWindow();
}

}  // namespace qel
