#include "wizard/Preferences.h"

TfrmPreferences::TfrmPreferences(QWidget* parent) : QWidget(parent) {
    setObjectName("frmPreferences");
    setWindowTitle(" Nimbrel Preferences");
}
