#include "app/gui/CoolTrayIcon.h"

#include <QApplication>
#include <QEvent>
#include <QSystemTrayIcon>
#include <QWidget>

namespace {
std::optional<bool>& TrayOverride() {
    static std::optional<bool> available;
    return available;
}
} // namespace

TCoolTrayIcon::TCoolTrayIcon(QWidget* mainForm, QObject* parent)
    : QObject(parent), mainForm_(mainForm), tray_(new QSystemTrayIcon(this)) {
    cycleTimer_.setInterval(400);
    connect(&cycleTimer_, &QTimer::timeout, this, &TCoolTrayIcon::nextIcon);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // StatusNotifier trays (KDE, GNOME's AppIndicator, every Wayland session)
                // report a click as Trigger and never as a double click.
                if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
                    emit OnDblClick();
            });
    connect(tray_, &QSystemTrayIcon::messageClicked, this, &TCoolTrayIcon::OnMessageClick);
    mainForm_->installEventFilter(this);
}

// The main window may be half-destroyed already (the icon is its child); its event filter list
// drops this filter by itself.
TCoolTrayIcon::~TCoolTrayIcon() {
    tray_->hide();
}

bool TCoolTrayIcon::TrayAvailable() {
    if (TrayOverride())
        return *TrayOverride();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TCoolTrayIcon::SetTrayAvailableOverride(std::optional<bool> available) {
    TrayOverride() = available;
}

void TCoolTrayIcon::setIconList(const TImageList* list) {
    iconList_ = list;
    iconIndex_ = 0;
    Refresh();
}

void TCoolTrayIcon::setCycleIcons(bool cycle) {
    cycleIcons_ = cycle;
    if (cycle) {
        cycleTimer_.start();
    } else {
        cycleTimer_.stop();
        iconIndex_ = 0;
        Refresh();
    }
}

void TCoolTrayIcon::setCycleInterval(int milliseconds) {
    cycleTimer_.setInterval(milliseconds);
}

void TCoolTrayIcon::setIconVisible(bool visible) {
    iconVisible_ = visible;
    Refresh();
}

void TCoolTrayIcon::setPopupMenu(QMenu* menu) {
    tray_->setContextMenu(menu);
}

QIcon TCoolTrayIcon::currentIcon() const {
    if (!iconList_ || iconList_->isEmpty())
        return {};
    return iconList_->at(iconIndex_ % iconList_->size());
}

void TCoolTrayIcon::Refresh() {
    QIcon icon = currentIcon();
    if (icon.isNull())
        icon = QApplication::windowIcon();
    tray_->setIcon(icon);
    // A tray icon without a picture cannot be shown; it appears with the first one.
    tray_->setVisible(iconVisible_ && TrayAvailable() && !icon.isNull());
}

void TCoolTrayIcon::setHint(const QString& hint) {
    tray_->setToolTip(hint);
}

QString TCoolTrayIcon::Hint() const {
    return tray_->toolTip();
}

void TCoolTrayIcon::ShowMessage(const QString& title, const QString& text) {
    const QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        tray_->showMessage(title, text, QSystemTrayIcon::Information);
    else
        tray_->showMessage(title, text, icon);
    emit MessageShown(title, text);
}

void TCoolTrayIcon::nextIcon() {
    if (!iconList_ || iconList_->isEmpty())
        return;
    iconIndex_ = (iconIndex_ + 1) % iconList_->size();
    Refresh();
}

void TCoolTrayIcon::ShowMainForm() {
    mainForm_->setWindowState(mainForm_->windowState() & ~Qt::WindowMinimized);
    mainForm_->show();
    mainForm_->raise();
    mainForm_->activateWindow();
}

void TCoolTrayIcon::HideMainForm() {
    if (TrayAvailable())
        mainForm_->hide();
    else
        mainForm_->showMinimized();
}

bool TCoolTrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mainForm_ && event->type() == QEvent::WindowStateChange && minimizeToTray_ &&
        mainForm_->isMinimized() && TrayAvailable()) {
        // Hidden once the state change is over, in its normal state, so that showing it again
        // brings it back as it was.
        QTimer::singleShot(0, this, [this] {
            if (!mainForm_->isMinimized())
                return;
            HideMainForm();
            mainForm_->setWindowState(mainForm_->windowState() & ~Qt::WindowMinimized);
            setIconVisible(true);
        });
    }
    return QObject::eventFilter(watched, event);
}
