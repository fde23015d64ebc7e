#include "wizard/about.h"

TfrmAbout::TfrmAbout(QWidget* parent) : QWidget(parent) {
    setObjectName("frmAbout");
    setWindowTitle("Nimbrel");
}
