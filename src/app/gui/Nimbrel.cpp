// The program entry: creates the windows once and runs the event loop.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle("Nimbrel");
    window.show();
    return app.exec();
}
