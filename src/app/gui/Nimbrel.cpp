// The program entry: loads the help viewer, creates every window once and runs the event loop
// until the main window is destroyed.
#include "app/gui/Forms.h"
#include "app/gui/NimbrelApplication.h"
#include "app/gui/QtDialogs.h"
#include "app/gui/QtShell.h"
#include "app/gui/main.h"
#include "app/hh_funcs.h"
#include "platform/Files.h"

#include <QIcon>

int main(int argc, char** argv) {
    nimbrel::LetFileSizeLimitFailWrites();
    TNimbrelApplication app(argc, argv);
    app.setApplicationName("Nimbrel");
    app.setWindowIcon(QIcon(":/nimbrel.png"));
    // Only the main window's destruction ends the program; hidden windows never do.
    app.setQuitOnLastWindowClosed(false);

    QtDialogs dialogs;
    nimbrel::SetDialogs(&dialogs);
    QtShell shell;
    nimbrel::SetShell(&shell);

    nimbrel::LoadHtmlHelp();
    CreateForms();
    QObject::connect(frmMain, &QObject::destroyed, &app, &QCoreApplication::quit);
    const int code = app.exec();
    DestroyForms();
    nimbrel::SetShell(nullptr);
    nimbrel::SetDialogs(nullptr);
    return code;
}
