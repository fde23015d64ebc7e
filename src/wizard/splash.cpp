#include "wizard/splash.h"

TfrmSplash::TfrmSplash(QWidget* parent) : QWidget(parent) {
    setObjectName("frmSplash");
    setWindowTitle("Nimbrel");
}
