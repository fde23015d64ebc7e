#include "wizard/Finish.h"

TfrmFinish::TfrmFinish(QWidget* parent) : QWidget(parent) {
    setObjectName("frmFinish");
    setWindowTitle("Nimbrel");
}
