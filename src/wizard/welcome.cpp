#include "wizard/welcome.h"

TfrmWizardWelcome::TfrmWizardWelcome(QWidget* parent) : QWidget(parent) {
    setObjectName("frmWizardWelcome");
    setWindowTitle("Nimbrel");
}
