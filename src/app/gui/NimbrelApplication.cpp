#include "app/gui/NimbrelApplication.h"

#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Halt.h"

TNimbrelApplication::TNimbrelApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TNimbrelApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const nimbrel::HaltRequested&) {
        throw;
    } catch (const std::exception& error) {
        ShowApplicationError(error);
    }
    return false;
}

void ShowApplicationError(const std::exception& error) {
    if (const auto* own = dynamic_cast<const nimbrel::Exception*>(&error))
        nimbrel::Dialogs().showError(own->message());
    else
        nimbrel::Dialogs().showError(error.what());
}
