// What a start of the program asks: its command line read, and on a folder the program already
// runs on, the request handed to the running program by the real nimbrel executable (feed links
// open New Site, found; a plain start brings the main window back); a socket left by a program
// that ended without closing it is taken over.
#include "app/gui/StartRequests.h"
#include "app/gui/CommandLine.h"
#include "app/gui/Forms.h"
#include "app/gui/SingleInstance.h"
#include "app/gui/main.h"
#include "components/HttpFetch.h"
#include "guisupport/GuiTestSupport.h"
#include "library/gui/NewSiteDialog.h"
#include "library/gui/setup.h"
#include "support/HelpCallLog.h"
#include "support/HttpTestServer.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

using namespace nimbrel::test;

namespace {

TEST(CommandLineTest, HelpVersionAndFeedLinksAreReadAndAnythingElseRefused) {
    using TAction = TCommandLine::TAction;
    struct Case {
        std::vector<const char*> arguments;
        TAction action;
        std::vector<std::string> addresses;
        const char* error = "";
    };
    for (const Case& c : {
             Case{{}, TAction::Run, {}},
             Case{{"http://a.example/feed", "--help"}, TAction::Help, {}},
             Case{{"-h"}, TAction::Help, {}},
             Case{{"--version"}, TAction::Version, {}},
             Case{{"feed:https://a.example/rss", "--", "feed://b.example/atom"},
                  TAction::Run,
                  {"https://a.example/rss", "http://b.example/atom"}},
             Case{{"--", "--version"}, TAction::UsageError, {}, "\"--version\" is no web address"},
             Case{{"--bogus"}, TAction::UsageError, {}, "unknown option --bogus"},
             Case{{"/tmp/feed.rss"}, TAction::UsageError, {}, "Nimbrel follows feeds"},
         }) {
        std::vector<char*> argv{const_cast<char*>("nimbrel")};
        for (const char* argument : c.arguments)
            argv.push_back(const_cast<char*>(argument));
        const TCommandLine line = ParseCommandLine(int(argv.size()), argv.data());
        EXPECT_EQ(line.Action, c.action) << c.arguments.size();
        EXPECT_EQ(line.Addresses, c.addresses);
        EXPECT_TRUE(line.Error.starts_with(c.error)) << line.Error;
    }
}

const char* const kFeed = "<rss version=\"2.0\"><channel><title>Town Crier</title><item><title>"
                          "Bells</title><link>http://town.example/bells</link></item></channel>"
                          "</rss>";

class StartRequests : public ::testing::Test {
  protected:
    StartRequests() {
        // A runtime folder of the test's own: its sockets reach no program of the session.
        const char* previous = std::getenv("XDG_RUNTIME_DIR");
        previousRuntime_ = previous ? previous : "";
        ::setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
        CopyShippedData(folder);
        WriteBanner(folder);
        folder.write("Nimbrel.chm", "the help");
        nimbrel::test::SetDefaultHttpBounds({5, 1024, 3, 20});
        CreateForms();
    }
    ~StartRequests() override {
        DestroyForms();
        nimbrel::test::SetDefaultHttpBounds({});
        if (previousRuntime_.empty())
            ::unsetenv("XDG_RUNTIME_DIR");
        else
            ::setenv("XDG_RUNTIME_DIR", previousRuntime_.c_str(), 1);
    }

    // Runs the real program in the folder, with no screen a person looks at; its exit status.
    int RunNimbrel(const QStringList& arguments) {
        QProcess nimbrel;
        nimbrel.setWorkingDirectory(QString::fromStdString(folder.path()));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        nimbrel.setProcessEnvironment(environment);
        nimbrel.start(NIMBREL_GUI_EXE, arguments);
        // The running program answers from this event loop: it must go on meanwhile.
        EXPECT_TRUE(WaitUntil([&] { return nimbrel.state() == QProcess::NotRunning; }, 20000));
        stderr_ = nimbrel.readAllStandardError().toStdString();
        return nimbrel.exitStatus() == QProcess::NormalExit ? nimbrel.exitCode() : -1;
    }

    TempProgramFolder runtime_{false};
    TempProgramFolder folder;
    ScriptedDialogs dialogs;
    HelpCallLog help;
    HttpTestServer server;
    std::string stderr_;

  private:
    std::string previousRuntime_;
};

TEST_F(StartRequests, ALaterStartHandsItsFeedLinkToTheRunningProgramWhichFindsItInNewSite) {
    TSingleInstance running(QString::fromStdString(folder.path()));
    ASSERT_EQ(running.Claim({}), TSingleInstance::TClaim::Claimed);
    QObject::connect(&running, &TSingleInstance::Requested, &AnswerStartRequest);
    server.route("/feed.xml", HttpRoute::Body(kFeed));

    EXPECT_EQ(
        RunNimbrel({QString::fromStdString("feed:http://" + server.hostPort() + "/feed.xml")}), 0)
        << stderr_;
    TfrmNewSite* dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        dialog = frmSetup->findChild<TfrmNewSite*>("frmNewSite");
        return dialog && dialog->findChild<QPushButton*>("cmdAdd")->isEnabled();
    })) << "New Site opens and finds the feed";
    EXPECT_TRUE(frmSetup->isVisible());
    EXPECT_EQ(dialog->findChild<QLineEdit*>("txtAddress")->text().toStdString(),
              "http://" + server.hostPort() + "/feed.xml");
    EXPECT_NE(dialog->findChild<QLabel*>("lblStatus")->text().indexOf("Town Crier"), -1);
}

TEST_F(StartRequests, APlainLaterStartBringsTheHiddenMainWindowBack) {
    TSingleInstance running(QString::fromStdString(folder.path()));
    ASSERT_EQ(running.Claim({}), TSingleInstance::TClaim::Claimed);
    QObject::connect(&running, &TSingleInstance::Requested, &AnswerStartRequest);
    frmMain->hide();
    EXPECT_EQ(RunNimbrel({}), 0) << stderr_;
    EXPECT_TRUE(WaitUntil([] { return frmMain->isVisible(); }));
    EXPECT_EQ(frmSetup->findChild<TfrmNewSite*>("frmNewSite"), nullptr);
}

// A program killed on the folder leaves its socket; nobody answers there, so it is taken over.
TEST_F(StartRequests, ASocketNobodyAnswersIsTakenOver) {
    const QString name = TSingleInstance::ChannelName(QString::fromStdString(folder.path()));
    ASSERT_TRUE(name.startsWith(QString::fromStdString(runtime_.path())));
    const int left = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, name.toUtf8().constData(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(left, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(left);
    TSingleInstance later(QString::fromStdString(folder.path()));
    EXPECT_EQ(later.Claim({}), TSingleInstance::TClaim::Claimed);
}

} // namespace
