// The desktop program's application object: the one place where an error that no handler
// caught is shown (a message box with the error's message); the program then goes on.
#pragma once

#include <QApplication>
#include <exception>

class TNimbrelApplication : public QApplication {
  public:
    TNimbrelApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The application's general error display: the error's message in the dialog service's error
// box. Used by notify() and by window creation handlers that go on after an error.
void ShowApplicationError(const std::exception& error);
