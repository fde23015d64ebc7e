#include "app/gui/MainDownloadHost.h"

#include "app/gui/main.h"

#include <QTableWidget>

TMainDownloadHost::TMainDownloadHost(TfrmMain& form)
    : QObject(&form), form_(form), queue_([this] {
          // A queued call wakes the event loop, which then runs what the thread handed over.
          QMetaObject::invokeMethod(
              this, [this] { queue_.runPending(); }, Qt::QueuedConnection);
      }) {}

void TMainDownloadHost::Synchronize(const std::function<void()>& fn) {
    queue_.run(fn);
}

void TMainDownloadHost::SetUpStatusGrid() {
    form_.ResetStatusGrid(200, form_.StringGrid1->width() - 201);
}

void TMainDownloadHost::SetStatusRowCount(int rows) {
    form_.StringGrid1->setRowCount(rows);
}

QTableWidgetItem* TMainDownloadHost::Cell(int column, int row) {
    auto* item = form_.StringGrid1->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled);
        form_.StringGrid1->setItem(row, column, item);
    }
    return item;
}

void TMainDownloadHost::SetStatusCell(int column, int row, const std::string& text) {
    Cell(column, row)->setText(QString::fromStdString(text));
}

void TMainDownloadHost::SetStatusTip(int row, const std::string& text) {
    Cell(1, row)->setToolTip(QString::fromStdString(text));
}

void TMainDownloadHost::Close() {
    queue_.close();
}
