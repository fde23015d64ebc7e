#include "HelpViewerWindow.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpLink>
#include <QScreen>
#include <QSplitter>
#include <QToolBar>
#include <QWindow>

namespace {

const QString kHelpTitle = QStringLiteral("Nimbrel Help");
// Room for a title bar and borders while the window manager has not told their size.
const QMargins kUsualFrame(8, 40, 8, 8);

// A window of the program kept on top of the others (the selection window) would hide help
// asked for from it.
bool AnotherWindowStaysOnTop(const QWidget* self) {
    for (const QWidget* window : QApplication::topLevelWidgets())
        if (window != self && window->isVisible() &&
            window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            return true;
    return false;
}

// The screen of the window the help was asked from, else the primary one.
QScreen* AskingScreen() {
    const QWidget* asking = QApplication::activeWindow();
    QScreen* screen = asking ? asking->screen() : nullptr;
    return screen ? screen : QGuiApplication::primaryScreen();
}

} // namespace

HelpBrowser::HelpBrowser(QHelpEngine* engine, QWidget* parent)
    : QTextBrowser(parent), engine_(engine) {
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        if (link.scheme() == "qthelp" || link.isRelative())
            setSource(source().resolved(link));
        else
            QDesktopServices::openUrl(link);
    });
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    const QUrl url = name.isRelative() ? source().resolved(name) : name;
    if (url.scheme() == "qthelp")
        return engine_->fileData(url);
    return QTextBrowser::loadResource(type, name);
}

HelpViewerWindow::HelpViewerWindow(const QString& helpFile) : helpFile_(helpFile) {
    setObjectName("HtmlHelpViewer");
    setAttribute(Qt::WA_DeleteOnClose);
    resize(820, 580);
    engine_ = new QHelpEngine(collectionFolder_.filePath("help.qhc"), this);
    // The collection is this window's own scratch file: it must be writable to register the file.
    engine_->setReadOnly(false);
    browser_ = new HelpBrowser(engine_, this);
    browser_->setObjectName("HelpTopic");

    auto* splitter = new QSplitter(this);
    splitter->addWidget(engine_->contentWidget());
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 600});
    setCentralWidget(splitter);

    QToolBar* bar = addToolBar("Navigation");
    bar->setMovable(false);
    bar->addAction(QIcon::fromTheme("go-previous"), "Back", browser_, &QTextBrowser::backward);
    bar->addAction(QIcon::fromTheme("go-next"), "Forward", browser_, &QTextBrowser::forward);
    bar->addAction(QIcon::fromTheme("go-home"), "Contents", this,
                   &HelpViewerWindow::showDefaultTopic);

    connect(engine_->contentModel(), &QHelpContentModel::contentsCreated, this, [this] {
        engine_->contentWidget()->expandToDepth(0);
        markShownTopic(browser_->source());
    });
    // One click on a topic shows it, as in any contents list; activating (Enter, a double
    // click) does the same.
    connect(engine_->contentWidget(), &QHelpContentWidget::linkActivated, this,
            &HelpViewerWindow::showPage);
    connect(engine_->contentWidget(), &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) {
                if (QHelpContentItem* item = engine_->contentModel()->contentItemAt(index))
                    showPage(item->url());
            });
    // The browser announces the new page before source() returns it: the page is the signal's.
    connect(browser_, &QTextBrowser::sourceChanged, this, [this](const QUrl& page) {
        const QString topic = browser_->documentTitle();
        setWindowTitle(topic.isEmpty() || topic == kHelpTitle
                           ? kHelpTitle
                           : kHelpTitle + QStringLiteral(" - ") + topic);
        markShownTopic(page);
    });
    ready_ = openHelpFile();
}

bool HelpViewerWindow::openHelpFile() {
    if (!collectionFolder_.isValid() || !QFileInfo(helpFile_).isFile() || !engine_->setupData()) {
        return false;
    }

    namespace_ = QHelpEngineCore::namespaceName(helpFile_);
    if (namespace_.isEmpty() || !engine_->registerDocumentation(helpFile_)) {
        return false;
    }
    engine_->contentModel()->createContents(QString());
    // Every page shares one style sheet; set once, it holds for each page shown.
    const QUrl style(QStringLiteral("qthelp://%1/doc/style.css").arg(namespace_));
    browser_->document()->setDefaultStyleSheet(QString::fromUtf8(engine_->fileData(style)));
    return true;
}

void HelpViewerWindow::showDefaultTopic() {
    if (!ready_)
        return showProblem(QStringLiteral("The help file %1 cannot be opened.").arg(helpFile_));
    showPage(QUrl(QStringLiteral("qthelp://%1/doc/index.html").arg(namespace_)));
}

void HelpViewerWindow::showTopic(quintptr number) {
    if (!ready_)
        return showProblem(QStringLiteral("The help file %1 cannot be opened.").arg(helpFile_));
    const QList<QHelpLink> links = engine_->documentsForIdentifier(QString::number(number));
    if (links.isEmpty())
        return showDefaultTopic();
    showPage(links.first().url);
}

void HelpViewerWindow::markShownTopic(const QUrl& page) {
    QHelpContentWidget* contents = engine_->contentWidget();
    const QModelIndex item = contents->indexOf(page);
    if (item.isValid())
        contents->setCurrentIndex(item);
}

void HelpViewerWindow::showPage(const QUrl& page) {
    browser_->setSource(page);
    bringToFront();
}

void HelpViewerWindow::showProblem(const QString& text) {
    setWindowTitle(kHelpTitle);
    browser_->setHtml(
        QStringLiteral("<h2>Help is not available</h2><p>%1</p>").arg(text.toHtmlEscaped()));
    bringToFront();
}

void HelpViewerWindow::bringToFront() {
    const bool onTop = AnotherWindowStaysOnTop(this);
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) != onTop)
        setWindowFlag(Qt::WindowStaysOnTopHint, onTop); // hides the window until shown again
    if (!isVisible())
        placeOnScreen();
    show();
    raise();
    activateWindow();
}

// The whole window, frame included, on the screen it opens on: made smaller where the screen
// is, and moved in where it would stand out.
void HelpViewerWindow::placeOnScreen() {
    QScreen* screen = AskingScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull())
        frame = kUsualFrame; // not known before the first show
    resize(size().boundedTo(area.size().shrunkBy(frame)));
    QRect outer(pos(), size().grownBy(frame)); // pos() is where the frame begins
    if (area.contains(outer))
        return;
    outer.moveCenter(area.center());
    move(outer.topLeft());
}
