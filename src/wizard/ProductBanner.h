// The product banner and the "Click Here to Continue" button shared by the splash and about
// windows.
#pragma once

#include <QRect>

class QFrame;
class QLabel;
class QPushButton;
class QWidget;

namespace nimbrel {

// Makes the pictures stored with the program (":/wizard/...") available.
void EnsureWizardPictures();

// Image1: the 366 x 60 product banner stored with the program, shown at its own size.
QLabel* CreateProductBanner(QWidget* parent);
// Button1: the wide "Click Here to Continue" button, 307 x 29, Arial 13 px italic.
QPushButton* CreateContinueButton(QWidget* parent, int top);
// A horizontal line with the given place and size.
QFrame* CreateLine(QWidget* parent, const char* name, QRect geometry);
// A horizontal line across the window.
QFrame* CreateWindowLine(QWidget* parent, const char* name, int top);

inline constexpr int kBannerWindowWidth = 386;

} // namespace nimbrel
