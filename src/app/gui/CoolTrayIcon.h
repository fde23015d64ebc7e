// TCoolTrayIcon: the main window's icon in the notification area. Shows one icon of an image
// list, can cycle through the list, hides the main window on minimise, raises a double-click
// notification (also for a single click, all that some trays report) and a pop-up menu, carries
// a tooltip and shows desktop notices (through the desktop's notification service). Where
// the desktop has no notification area, hiding the main window would leave it unreachable, so
// the window is minimised instead.
#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QTimer>
#include <optional>

class QMenu;
class QSystemTrayIcon;
class QWidget;

// An image list: the icons, in order.
using TImageList = QList<QIcon>;

class TCoolTrayIcon : public QObject {
    Q_OBJECT
  public:
    // mainForm is the window that ShowMainForm, HideMainForm and MinimizeToTray act on.
    explicit TCoolTrayIcon(QWidget* mainForm, QObject* parent = nullptr);
    ~TCoolTrayIcon() override;

    // The list whose icons are shown (not owned; may be none). Setting it shows its first icon.
    void setIconList(const TImageList* list);
    const TImageList* IconList() const { return iconList_; }

    // True: step through the list in a loop, one step every CycleInterval ms; false: first icon.
    void setCycleIcons(bool cycle);
    bool CycleIcons() const { return cycleIcons_; }
    void setCycleInterval(int milliseconds);
    int CycleInterval() const { return cycleTimer_.interval(); }

    // True: minimising the main window hides it (or, without a notification area, leaves it
    // minimised).
    void setMinimizeToTray(bool enabled) { minimizeToTray_ = enabled; }
    bool MinimizeToTray() const { return minimizeToTray_; }

    void setIconVisible(bool visible);
    bool IconVisible() const { return iconVisible_; }

    // The menu shown at the mouse position when the right button goes down on the icon.
    void setPopupMenu(QMenu* menu);

    // Redraws the icon after the list or the cycle changed.
    void Refresh();
    // Restores and shows the main window and brings it to the front.
    void ShowMainForm();
    // Hides the main window (minimises it where there is no notification area).
    void HideMainForm();

    // The position of the shown icon in the list.
    int IconIndex() const { return iconIndex_; }

    // The text shown when the pointer rests on the icon; empty for none.
    void setHint(const QString& hint);
    QString Hint() const;
    // A desktop notice from the icon; a click on it raises OnMessageClick.
    void ShowMessage(const QString& title, const QString& text);

    // Whether the desktop offers a notification area; tests may decide it instead.
    static bool TrayAvailable();
    static void SetTrayAvailableOverride(std::optional<bool> available);

  signals:
    void OnDblClick();
    void OnMessageClick();
    // A notice was handed to the desktop (whether or not it has a notification service).
    void MessageShown(const QString& title, const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void nextIcon();
    QIcon currentIcon() const;

    QWidget* mainForm_;
    QSystemTrayIcon* tray_;
    QTimer cycleTimer_;
    const TImageList* iconList_ = nullptr;
    int iconIndex_ = 0;
    bool cycleIcons_ = false;
    bool minimizeToTray_ = false;
    bool iconVisible_ = false;
};
