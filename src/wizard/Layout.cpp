#include "wizard/Layout.h"

TfrmLayout::TfrmLayout(QWidget* parent) : QWidget(parent) {
    setObjectName("frmLayout");
    setWindowTitle("Nimbrel Layout");
}
