#include "wizard/WizardFrame.h"

#include "app/gui/AppHelp.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Halt.h"
#include "platform/ProgramFolder.h"
#include "wizard/ProductBanner.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTextEdit>

namespace nimbrel {

namespace {

constexpr int kButtonTop = 394;
constexpr QSize kButtonSize{93, 23};
constexpr int kButtonLefts[] = {115, 217, 319, 421};

QFont ArialPixels(int pixels, bool bold = false) {
    QFont font("Arial");
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

QFont FrameFont(bool bold) {
    QFont font = QApplication::font();
    font.setFamily(QStringLiteral("Arial"));
    font.setBold(bold);
    return font;
}

void ApplyBorder(QWidget* window, PageBorder border, QSize clientSize) {
    Qt::WindowFlags flags = Qt::Window;
    if (border != PageBorder::Sizeable) {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint;
        if (border != PageBorder::FixedWithoutTitleButtons)
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (border == PageBorder::FixedWithMinimize)
            flags |= Qt::WindowMinimizeButtonHint;
    }
    window->setWindowFlags(flags);
    if (border == PageBorder::Sizeable) {
        window->setMinimumSize(clientSize);
        window->resize(clientSize);
    } else {
        window->setFixedSize(clientSize);
    }
}

void ShowErrors(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const Exception& e) {
        Dialogs().showError(e.message());
    } catch (const HaltRequested&) {
        throw;
    } catch (const std::exception& e) {
        Dialogs().showError(e.what());
    }
}

void ShowPageInFront(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

void MoveAlong(QWidget* from, QWidget* to, const std::function<void()>& savingStep) {
    to->move(to->x(), from->y());
    to->move(from->x(), to->y());
    if (savingStep)
        savingStep();
    from->hide();
    ShowPageInFront(to);
}

QTextEdit* CreateFrameText(QWidget* parent, const char* name, QRect geometry, bool bold) {
    auto* box = new QTextEdit(parent);
    box->setObjectName(name);
    box->setGeometry(geometry);
    box->setReadOnly(true);
    box->setFrameShape(QFrame::NoFrame);
    box->setTextInteractionFlags(Qt::NoTextInteraction);
    box->setFocusPolicy(Qt::NoFocus);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->viewport()->setAutoFillBackground(false);
    box->setStyleSheet("QTextEdit { background: transparent; }");
    box->document()->setDocumentMargin(0);
    box->setFont(bold ? ArialPixels(13, true) : ArialPixels(12));
    // The window definition carries a placeholder until the page's creation sets the text.
    box->setPlainText("txtWelcome");
    return box;
}

void SetFrameText(QTextEdit* box, const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace('\r', '\n');
    box->setPlainText(shown);
}

std::string WizardBannerPath() {
    return ProgramFile("\\icons\\banner_vert1.jpg");
}

TWizardPage::TWizardPage(const QString& objectName, const QString& caption, PageBorder border,
                         const PageButtons& buttons, QWidget* parent)
    : QWidget(parent) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setFont(FrameFont());
    ApplyBorder(this, border, kPageSize);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(10, 10, 114, 314);
    txtWelcome = CreateFrameText(this, "txtWelcome", QRect(kBodyLeft, 10, kBodyWidth, 20), true);
    Bevel1 = CreateLine(this, "Bevel1", QRect(kBodyLeft, 40, kBodyWidth + 1, 2));
    Bevel2 = CreateLine(this, "Bevel2", QRect(12, 377, 502, 2));

    // A page without a Close button keeps its other buttons at the right edge.
    int slot = buttons.close ? 0 : 1;
    if (buttons.help)
        HelpButton = AddButton(buttons.help, "Help", kButtonLefts[slot]);
    ++slot;
    if (buttons.back)
        BackButton = AddButton(buttons.back, "< Back", kButtonLefts[slot]);
    ++slot;
    if (buttons.next) {
        NextButton = AddButton(buttons.next, buttons.nextCaption, kButtonLefts[slot]);
        NextButton->setFont(FrameFont(true));
        NextButton->setDefault(true);
    }
    ++slot;
    if (buttons.close)
        CloseButton = AddButton(buttons.close, "Close", kButtonLefts[slot]);
}

QPushButton* TWizardPage::AddButton(const char* name, const char* caption, int left) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setGeometry(QRect(QPoint(left, kButtonTop), kButtonSize));
    return button;
}

void TWizardPage::LoadBanner() {
    const std::string path = WizardBannerPath();
    QPixmap picture;
    if (!picture.load(QString::fromStdString(path)))
        throw EFOpenError(path);
    Image1->setPixmap(picture);
    Image1->resize(picture.size());
}

int TWizardPage::HelpContext() const {
    return HelpContextOf(this);
}

void TWizardPage::SetHelpContext(int topic) {
    ::SetHelpContext(this, topic);
}

QTextEdit* TWizardPage::AddText(const char* name, int top, int height) {
    return CreateFrameText(this, name, QRect(kBodyLeft, top, kBodyWidth, height));
}

void TWizardPage::OnClick(QPushButton* button, std::function<void()> handler) {
    connect(button, &QPushButton::clicked, this,
            [handler = std::move(handler)] { ShowErrors(handler); });
}

void TWizardPage::closeEvent(QCloseEvent* event) {
    // Hiding instead of closing keeps the program running when this was its last window.
    event->ignore();
    hide();
    ShowErrors([this] { TitleBarClose(); });
}

} // namespace nimbrel
