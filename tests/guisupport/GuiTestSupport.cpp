#include "guisupport/GuiTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <stdexcept>

namespace nimbrel::test {

void WriteBanner(const TempProgramFolder& folder, QSize size) {
    QImage banner(size, QImage::Format_RGB32);
    banner.fill(Qt::white);
    if (!banner.save(QString::fromStdString(folder.file("icons/banner_vert1.jpg")), "JPG"))
        throw std::runtime_error("cannot write the banner picture");
}

bool WaitUntil(const std::function<bool()>& condition, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

} // namespace nimbrel::test
