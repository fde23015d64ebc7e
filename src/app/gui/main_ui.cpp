// The main window's controls, menus and pictures.
#include "app/gui/main.h"

#include "platform/ProgramFolder.h"

#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolButton>

namespace {

constexpr int kClientWidth = 551;
constexpr int kClientHeight = 242;
constexpr int kButtonSize = 60;
constexpr int kAnimationFrames = 12;

struct ToolbarEntry {
    QToolButton* TfrmMain::*button;
    const char* name;
    const char* caption;
    const char* picture; // in the folder icons
    void (TfrmMain::*handler)();
};

const ToolbarEntry kToolbar[] = {
    {&TfrmMain::speedSetup, "speedSetup", "Setup", "setup.png", &TfrmMain::speedSetupClick},
    {&TfrmMain::speedPref, "speedPref", "Pref", "pref.png", &TfrmMain::speedPrefClick},
    {&TfrmMain::speedStop, "speedStop", "Stop", "stop.png", &TfrmMain::speedStopClick},
    {&TfrmMain::SpeedRefresh, "SpeedRefresh", "Refresh", "refresh.png",
     &TfrmMain::SpeedRefreshClick},
    {&TfrmMain::SpeedView, "SpeedView", "View", "view.png", &TfrmMain::SpeedViewClick},
    {&TfrmMain::speedHelp, "speedHelp", "Help", "help.png", &TfrmMain::speedHelpClick},
    {&TfrmMain::SpeedExit, "SpeedExit", "Exit", "exit.png", &TfrmMain::SpeedExitClick},
};

QGroupBox* CaptionlessGroupBox(QWidget* parent, const char* name, QRect place) {
    auto* box = new QGroupBox(parent);
    box->setObjectName(name);
    box->setGeometry(place);
    return box;
}

QIcon PictureFile(const QString& relativeName) {
    const QString path = QString::fromStdString(nimbrel::ProgramFile(relativeName.toStdString()));
    QPixmap picture(path);
    return picture.isNull() ? QIcon() : QIcon(picture);
}

} // namespace

void TfrmMain::CreateControls() {
    setObjectName("frmMain");
    setWindowTitle("Nimbrel");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    auto* client = new QWidget(this);
    client->setObjectName("ClientArea");
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    GroupBox1 = CaptionlessGroupBox(client, "GroupBox1", QRect(0, -5, 551, 76));
    CreateToolbar();
    GroupBox2 = CaptionlessGroupBox(GroupBox1, "GroupBox2", QRect(486, 10, 60, 60));
    Image1 = new QLabel(GroupBox2);
    Image1->setObjectName("Image1");
    Image1->setGeometry(5, 7, 50, 50);
    Image1->setAlignment(Qt::AlignCenter);

    StatusBar1 = statusBar();
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);

    StringGrid1 = new QTableWidget(client);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->setGeometry(2, 72, 548, 167);
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setDefaultSectionSize(20);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::NoSelection);
    StringGrid1->setFocusPolicy(Qt::NoFocus);
    StringGrid1->setWordWrap(false);
    // The two columns fill the grid's width; a scroll bar for a pixel or two would only clutter.
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    DownloadTimer = new QTimer(this);
    DownloadTimer->setObjectName("DownloadTimer");
    connect(DownloadTimer, &QTimer::timeout, this, &TfrmMain::DownloadTimerTimer);
    TDLMessage = new QTimer(this);
    TDLMessage->setObjectName("TDLMessage");
    connect(TDLMessage, &QTimer::timeout, this, &TfrmMain::TDLMessageTimer);

    TrayIcon1 = new TCoolTrayIcon(this, this);
    TrayIcon1->setObjectName("TrayIcon1");
    TrayIcon1->setCycleInterval(400);
    TrayIcon1->setIconVisible(true);
    connect(TrayIcon1, &TCoolTrayIcon::OnDblClick, this, &TfrmMain::TrayIcon1DblClick);
    connect(TrayIcon1, &TCoolTrayIcon::OnMessageClick, this, &TfrmMain::TrayIcon1MessageClick);

    CreateTrayMenu();
    CreateMenus();
    // The client area is fixed; the window is as large as it and the menu bar together.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmMain::CreateToolbar() {
    int left = 3;
    for (const ToolbarEntry& entry : kToolbar) {
        auto* button = new QToolButton(GroupBox1);
        button->setObjectName(entry.name);
        button->setText(entry.caption);
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setIconSize(QSize(32, 32));
        button->setGeometry(left, 10, kButtonSize, kButtonSize);
        connect(button, &QToolButton::clicked, this, entry.handler);
        this->*entry.button = button;
        left += kButtonSize;
    }
}

namespace {
// A menu entry that performs its toolbar twin's click, so one handler serves every place.
QAction* Twin(QMenu* menu, const char* name, const char* caption, QToolButton* button) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    QObject::connect(action, &QAction::triggered, button, [button] { button->click(); });
    return action;
}

template <typename Handler>
QAction* Entry(QMenu* menu, const char* name, const char* caption, TfrmMain* form,
               Handler handler) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    QObject::connect(action, &QAction::triggered, form, handler);
    return action;
}

QMenu* MenuBarMenu(QMenuBar* bar, const char* name, const char* caption) {
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(name);
    return menu;
}
} // namespace

void TfrmMain::CreateTrayMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    Twin(PopupMenu1, "Setup1", "Setup", speedSetup);
    Twin(PopupMenu1, "Preferences1", "Preferences", speedPref);
    PopupMenu1->addSeparator();
    Twin(PopupMenu1, "Stop1", "Stop", speedStop);
    Twin(PopupMenu1, "Refresh1", "Refresh", SpeedRefresh);
    Twin(PopupMenu1, "View1", "View", SpeedView);
    PopupMenu1->addSeparator();
    Twin(PopupMenu1, "Help1", "Help", speedHelp);
    Entry(PopupMenu1, "Open1", "Open", this, &TfrmMain::Open1Click);
    Twin(PopupMenu1, "Exit1", "Exit", SpeedExit);
    TrayIcon1->setPopupMenu(PopupMenu1);
}

void TfrmMain::CreateMenus() {
    QMenuBar* MainMenu1 = menuBar();
    MainMenu1->setObjectName("MainMenu1");
    QMenu* file = MenuBarMenu(MainMenu1, "File1", "File");
    Entry(file, "Open2", "Open", this, &TfrmMain::Open1Click);
    Entry(file, "Wizard1", "Setup Wizard", this, &TfrmMain::Wizard1Click);
    Twin(file, "Exit2", "Exit", SpeedExit);
    QMenu* edit = MenuBarMenu(MainMenu1, "Edit1", "Edit");
    Twin(edit, "Preferences2", "Preferences", speedPref);
    Twin(edit, "Setup2", "Setup", speedSetup);
    Twin(edit, "View2", "View", SpeedView);
    QMenu* download = MenuBarMenu(MainMenu1, "Download1", "Download");
    Twin(download, "Stop2", "Stop", speedStop);
    Twin(download, "Refresh2", "Refresh", SpeedRefresh);
    QMenu* feedback = MenuBarMenu(MainMenu1, "Feedback1", "Feedback");
    Entry(feedback, "WebPageRequest1", "Request a Web Page", this, &TfrmMain::WebPageRequest1Click);
    Entry(feedback, "Developers1", "Developers", this, &TfrmMain::Developers1Click);
    Entry(feedback, "Suggestions1", "Suggestions", this, &TfrmMain::Suggestions1Click);
    QMenu* help = MenuBarMenu(MainMenu1, "Help2", "Help");
    Twin(help, "Help3", "Help", speedHelp);
    Entry(help, "About1", "About", this, &TfrmMain::About1Click);
}

// The toolbar pictures and the tray icon's lists come from the folder icons; a missing picture
// leaves its button with the caption alone and never stops the start.
void TfrmMain::LoadPictures() {
    for (const ToolbarEntry& entry : kToolbar)
        (this->*entry.button)->setIcon(PictureFile(QStringLiteral("/icons/") + entry.picture));
    ImageList1.clear();
    for (int frame = 1; frame <= kAnimationFrames; ++frame)
        ImageList1.append(
            PictureFile(QStringLiteral("/icons/tray%1.png").arg(frame, 2, 10, QChar('0'))));
    ImageList2 = {PictureFile("/icons/tray.png")};
}
