// The program entry: creates every window once and runs the event loop until the main window
// is destroyed.
#include "app/gui/Forms.h"
#include "app/gui/main.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName("Nimbrel");
    CreateForms();
    frmMain->show();
    return app.exec();
}
