#include "library/gui/setup.h"

TfrmSetup::TfrmSetup(QWidget* parent) : QWidget(parent) {
    setObjectName("frmSetup");
    setWindowTitle("Nimbrel Web Page Selection");
}
