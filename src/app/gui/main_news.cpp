// What the main window tells of each digest through the tray icon: the tooltip, and after a
// download cycle that brought new stories, one desktop notice that opens the digest when clicked.
#include "app/gui/main.h"

#include "app/NewStories.h"
#include "platform/ProgramFolder.h"
#include "platform/Shell.h"

#include <utility>

void TfrmMain::ShowDigestState(const nimbrel::DisplayReport& report) {
    if (TrayIcon1)
        TrayIcon1->setHint(QString::fromStdString(nimbrel::DigestTooltip(report)));
    newStories_ = nimbrel::NewStoriesNotice(report.news);
}

void TfrmMain::AnnounceNewStories() {
    const std::string notice = std::exchange(newStories_, {});
    if (!notice.empty() && NewStoryNotice && TrayIcon1)
        TrayIcon1->ShowMessage(QString::fromStdString(ProductCaption),
                               QString::fromStdString(notice));
}

// The digest as it stands: the View command would make it again and mark nothing new.
void TfrmMain::TrayIcon1MessageClick() {
    nimbrel::Shell().openInBrowser(nimbrel::ProgramFile("\\site.html"));
}
