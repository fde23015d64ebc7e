#include "wizard/about.h"

#include "platform/Dialogs.h"
#include "platform/Halt.h"
#include "wizard/ProductBanner.h"
#include "wizard/WizardFrame.h"
#include "wizard/WizardHost.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

using namespace nimbrel;

namespace {

QLabel* CreateCentredLine(QWidget* parent, const QString& name, int top, bool bold) {
    auto* line = new QLabel(parent);
    line->setObjectName(name);
    line->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    line->setGeometry(10, top, kBannerWindowWidth - 20, 18);
    QFont font("Arial");
    font.setPixelSize(bold ? 14 : 12);
    font.setBold(bold);
    line->setFont(font);
    return line;
}

} // namespace

TfrmAbout::TfrmAbout(QWidget* parent) : QWidget(parent) {
    setObjectName("frmAbout");
    setWindowTitle("Nimbrel");
    ApplyBorder(this, PageBorder::FixedWithoutTitleButtons, QSize(kBannerWindowWidth, 270));
    Image1 = CreateProductBanner(this);
    Bevel1 = CreateWindowLine(this, "Bevel1", 80);
    lblHeading = CreateCentredLine(this, "lblHeading", 90, true);
    Bevel2 = CreateWindowLine(this, "Bevel2", 116);
    for (size_t i = 0; i < lblLines.size(); ++i)
        lblLines[i] =
            CreateCentredLine(this, QString("lblLine%1").arg(i + 1), 124 + 20 * int(i), false);
    Bevel3 = CreateWindowLine(this, "Bevel3", 226);
    Button1 = CreateContinueButton(this, 234);
    connect(Button1, &QPushButton::clicked, this,
            [this] { ShowErrors([this] { Button1Click(); }); });
    FormCreate();
}

void TfrmAbout::FormCreate() {
    if (!Host().HtmlHelpInstalled()) {
        Dialogs().showMessage("HTML Help is not installed on this PC.");
        Halt(0);
    }
    lblHeading->setText("Nimbrel");
    lblLines[0]->setText("Version " NIMBREL_VERSION);
    lblLines[1]->setText("Your chosen web pages, gathered into one digest page");
    lblLines[2]->setText("Copyright \u00A9 2026 the Nimbrel team \u00B7 GNU GPL 3 or later");
    lblLines[3]->setText("Free software, with no warranty: see the licence");
    lblLines[4]->setText("Built with Qt, libcurl, libxml2, libxslt and HTML Tidy");
}

void TfrmAbout::Button1Click() {
    hide();
}

void TfrmAbout::closeEvent(QCloseEvent* event) {
    // No title-bar buttons; a close from the system hides the window like the button.
    event->ignore();
    hide();
}
