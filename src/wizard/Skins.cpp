#include "wizard/Skins.h"

TfrmSkins::TfrmSkins(QWidget* parent) : QWidget(parent) {
    setObjectName("frmSkins");
    setWindowTitle("Nimbrel Skins");
}
