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
#include <cstdio>
#include <string_view>

namespace {
// The program's configuration is its files, so it takes no options; --version alone is
// answered, before the display is opened, so it works without a screen.
bool AskedForVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--version")
            return true;
    return false;
}
} // namespace

int main(int argc, char** argv) {
    nimbrel::LetFileSizeLimitFailWrites();
    if (AskedForVersion(argc, argv)) {
        std::printf("nimbrel %s\n", NIMBREL_VERSION);
        return 0;
    }
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
