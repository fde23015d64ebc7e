// The program entry: answers --help and --version, makes sure it stands in a program folder and
// is the only program on it, loads the help viewer, creates every window once and runs the event
// loop until the main window is destroyed.
#include "app/ProgramFolderCheck.h"
#include "app/gui/CommandLine.h"
#include "app/gui/Forms.h"
#include "app/gui/NimbrelApplication.h"
#include "app/gui/QtDialogs.h"
#include "app/gui/QtShell.h"
#include "app/gui/SingleInstance.h"
#include "app/gui/StartRequests.h"
#include "app/gui/main.h"
#include "app/hh_funcs.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"

#include <QIcon>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

std::string Environment(const char* variable) {
    const char* value = std::getenv(variable);
    return value ? value : "";
}

// Where the toolkit finds no screen it aborts the process; this is asked first.
bool DisplayNamed() {
    return !Environment("DISPLAY").empty() || !Environment("WAYLAND_DISPLAY").empty() ||
           !Environment("QT_QPA_PLATFORM").empty();
}

// A screen a person looks at: not the toolkit's screenless platforms.
bool PersonWatching() {
    const std::string platform = Environment("QT_QPA_PLATFORM");
    return DisplayNamed() && !platform.starts_with("offscreen") && !platform.starts_with("minimal");
}

// Said on stderr and, where a person watches a screen, in a message box: started from the menu
// or a browser, nobody reads stderr.
int EndWith(int status, const std::string& message, int& argc, char** argv) {
    std::fprintf(stderr, "nimbrel: %s\n", message.c_str());
    if (PersonWatching()) {
        std::unique_ptr<QApplication> own;
        if (!QCoreApplication::instance())
            own = std::make_unique<QApplication>(argc, argv);
        QMessageBox::warning(nullptr, "Nimbrel", QString::fromStdString(message));
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    nimbrel::LetFileSizeLimitFailWrites();
    switch (EarlyRequest(argc, argv)) {
    case TCommandLine::TAction::Help:
        std::fputs(kNimbrelUsage, stdout);
        return 0;
    case TCommandLine::TAction::Version:
        std::printf("nimbrel %s\n", NIMBREL_VERSION);
        return 0;
    default:
        break;
    }
    const std::string folder = std::filesystem::current_path().string();
    if (const auto missing = nimbrel::MissingProgramFiles(folder); !missing.empty())
        return EndWith(1, nimbrel::NotAProgramFolderMessage(folder, missing), argc, argv);
    if (!DisplayNamed())
        return EndWith(1,
                       "there is no screen to show the window on (neither DISPLAY nor "
                       "WAYLAND_DISPLAY is set); nimbrel-digest makes the digest without one",
                       argc, argv);

    TNimbrelApplication app(argc, argv);
    app.setApplicationName("Nimbrel");
    app.setDesktopFileName(NIMBREL_APP_ID);
    app.setWindowIcon(QIcon(":/nimbrel.png"));
    // Only the main window's destruction ends the program; hidden windows never do.
    app.setQuitOnLastWindowClosed(false);
    const TCommandLine line = ParseCommandLine(argc, argv);
    if (line.Action == TCommandLine::TAction::UsageError)
        return EndWith(2, line.Error, argc, argv);
    QStringList addresses;
    for (const std::string& address : line.Addresses)
        addresses << QString::fromStdString(address);

    TSingleInstance instance(QString::fromStdString(folder));
    switch (instance.Claim(addresses)) {
    case TSingleInstance::TClaim::HandedOver:
        return 0;
    case TSingleInstance::TClaim::NotAnswering:
        return EndWith(1,
                       "Nimbrel is running on " + folder +
                           " but does not answer; end it, then start Nimbrel again",
                       argc, argv);
    default:
        break;
    }

    QtDialogs dialogs;
    nimbrel::SetDialogs(&dialogs);
    QtShell shell;
    nimbrel::SetShell(&shell);

    nimbrel::LoadHtmlHelp();
    CreateForms();
    QObject::connect(frmMain, &QObject::destroyed, &app, &QCoreApplication::quit);
    QObject::connect(&instance, &TSingleInstance::Requested, &app, &AnswerStartRequest);
    if (!addresses.isEmpty())
        QTimer::singleShot(0, &app, [addresses] { OpenFeedLinks(addresses); });
    const int code = app.exec();
    DestroyForms();
    nimbrel::SetShell(nullptr);
    nimbrel::SetDialogs(nullptr);
    return code;
}
