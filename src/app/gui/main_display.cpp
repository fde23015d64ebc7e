// The main window's display step: the digest page built from the selection and opened in the
// browser when automatic display is on.
#include "app/gui/main.h"

#include "app/DisplayStep.h"

#include <QTableWidget>

void TfrmMain::NavigateBrowser(nimbrel::EarlyDisplay* early) {
    nimbrel::DisplayContext context;
    context.autoView = AutoView;
    context.early = early;
    const nimbrel::DisplayReport report = nimbrel::RunDisplayStep("setup.xml", context);
    // The grid's rows are the selection's sites in order, below the heading row.
    for (const nimbrel::BrokenRuleSite& broken : report.brokenRules) {
        const int row = static_cast<int>(broken.position);
        QTableWidgetItem* cell = StringGrid1->item(row, 1);
        if (row < StringGrid1->rowCount() && cell)
            cell->setText("Rule found nothing");
    }
    if (report.written)
        ShowDigestState(report);
}
