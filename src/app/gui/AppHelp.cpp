#include "app/gui/AppHelp.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace {

constexpr const char* kHelpContextProperty = "HelpContext";

THelpEvent& Handler() {
    static THelpEvent handler;
    return handler;
}

// Sees every key press of the application; F1 becomes a help request for the focused widget's
// nearest help context, the way a window's own help key would.
class HelpKeyFilter : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            return false;
        if (const int32_t context = HelpContextOf(widget))
            ApplicationHelpContext(context);
        return true; // handled here, so it is not offered again to each parent
    }
};

} // namespace

THelpEvent ApplicationOnHelp() {
    return Handler();
}

void SetApplicationOnHelp(THelpEvent handler) {
    Handler() = std::move(handler);
}

bool ApplicationHelpContext(int32_t context) {
    if (!Handler())
        return false;
    bool callHelp = true;
    return Handler()(HELP_CONTEXT, context, callHelp);
}

void SetHelpContext(QWidget* widget, int32_t context) {
    widget->setProperty(kHelpContextProperty, context);
}

int32_t HelpContextOf(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const int32_t context = w->property(kHelpContextProperty).toInt();
        if (context != 0)
            return context;
        if (w->isWindow())
            break;
    }
    return 0;
}

void InstallHelpKey() {
    static HelpKeyFilter* filter = nullptr;
    if (filter || !qApp)
        return;
    filter = new HelpKeyFilter(qApp);
    qApp->installEventFilter(filter);
}
