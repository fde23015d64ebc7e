// The help viewer module's entry points. The program calls "HtmlHelpA" with an owner (ignored:
// viewer windows stand on their own), the help file, a command and its data:
//   0  show the file's default topic;
//  15  show the topic registered under the number in data;
//  18  close every viewer window (file none).
// One viewer window per help file. Returns the window shown, or none.
#include "HelpViewerWindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QPointer>
#include <cstdint>

namespace {

constexpr unsigned kDisplayTopic = 0;
constexpr unsigned kHelpContext = 15;
constexpr unsigned kCloseAll = 18;

QHash<QString, QPointer<HelpViewerWindow>>& Windows() {
    static QHash<QString, QPointer<HelpViewerWindow>> windows;
    return windows;
}

HelpViewerWindow* WindowFor(const QString& helpFile) {
    const QString key = QFileInfo(helpFile).absoluteFilePath();
    QPointer<HelpViewerWindow>& window = Windows()[key];
    if (!window)
        window = new HelpViewerWindow(key);
    return window;
}

void CloseAll() {
    for (const QPointer<HelpViewerWindow>& window : Windows())
        if (window)
            delete window.data();
    Windows().clear();
}

void* Run(const char* file, unsigned command, uintptr_t data) {
    if (!qApp)
        return nullptr;
    if (command == kCloseAll) {
        CloseAll();
        return nullptr;
    }
    if (!file || (command != kDisplayTopic && command != kHelpContext))
        return nullptr;
    HelpViewerWindow* window = WindowFor(QString::fromUtf8(file));
    if (command == kDisplayTopic)
        window->showDefaultTopic();
    else
        window->showTopic(data);
    return window;
}

} // namespace

extern "C" Q_DECL_EXPORT void* HtmlHelpA(void* /*owner*/, const char* file, unsigned command,
                                         uintptr_t data) {
    return Run(file, command, data);
}

extern "C" Q_DECL_EXPORT void* HtmlHelpW(void* /*owner*/, const wchar_t* file, unsigned command,
                                         uintptr_t data) {
    const QByteArray utf8 = file ? QString::fromWCharArray(file).toUtf8() : QByteArray();
    return Run(file ? utf8.constData() : nullptr, command, data);
}
