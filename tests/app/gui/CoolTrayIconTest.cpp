#include "app/gui/CoolTrayIcon.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

TImageList Frames(int count) {
    TImageList list;
    for (int i = 0; i < count; ++i) {
        QPixmap frame(16, 16);
        frame.fill(QColor::fromHsv(i * 25, 200, 200));
        list.append(QIcon(frame));
    }
    return list;
}

// Runs the event loop until the icon has taken `steps` cycle steps or two seconds have passed.
void WaitForSteps(const TCoolTrayIcon& tray, int startIndex, int steps, int listSize) {
    QElapsedTimer clock;
    clock.start();
    int seen = 0, last = startIndex;
    while (seen < steps && clock.elapsed() < 2000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (tray.IconIndex() != last) {
            EXPECT_EQ(tray.IconIndex(), (last + 1) % listSize) << "steps one icon at a time";
            last = tray.IconIndex();
            ++seen;
        }
    }
    EXPECT_EQ(seen, steps);
}

TEST(CoolTrayIcon, CyclesThroughEveryFrameInALoopAndStopsOnTheFirst) {
    QWidget form;
    TCoolTrayIcon tray(&form);
    const TImageList frames = Frames(12);
    tray.setIconList(&frames);
    tray.setCycleInterval(5);
    tray.setCycleIcons(true);
    WaitForSteps(tray, 0, 14, 12); // wraps past the last frame
    tray.setCycleIcons(false);
    EXPECT_EQ(tray.IconIndex(), 0);
    const int stopped = tray.IconIndex();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 50)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(tray.IconIndex(), stopped);
}

TEST(CoolTrayIcon, ChangingTheListShowsItsFirstIcon) {
    QWidget form;
    TCoolTrayIcon tray(&form);
    const TImageList frames = Frames(12);
    const TImageList resting = Frames(1);
    tray.setIconList(&frames);
    tray.setCycleInterval(5);
    tray.setCycleIcons(true);
    WaitForSteps(tray, 0, 3, 12);
    tray.setIconList(nullptr);
    tray.setIconList(&resting);
    EXPECT_EQ(tray.IconIndex(), 0);
    EXPECT_EQ(tray.IconList(), &resting);
    tray.setCycleIcons(false);
}

TEST(CoolTrayIcon, CyclingAnEmptyListIsHarmless) {
    QWidget form;
    TCoolTrayIcon tray(&form);
    const TImageList empty;
    tray.setIconList(&empty);
    tray.setCycleInterval(1);
    tray.setCycleIcons(true);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(tray.IconIndex(), 0);
}

TEST(CoolTrayIcon, MinimiseWithoutMinimizeToTrayLeavesTheWindowAlone) {
    TCoolTrayIcon::SetTrayAvailableOverride(true);
    QWidget form;
    TCoolTrayIcon tray(&form);
    form.show();
    form.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.isMinimized());
    TCoolTrayIcon::SetTrayAvailableOverride(std::nullopt);
}

} // namespace
