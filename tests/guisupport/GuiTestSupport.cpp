#include "guisupport/GuiTestSupport.h"

#include <QImage>

namespace nimbrel::test {

void WriteWindowPictures(const TempProgramFolder& folder) {
    QImage banner(114, 314, QImage::Format_RGB32);
    banner.fill(Qt::darkCyan);
    banner.save(QString::fromStdString(folder.file("icons/banner_vert1.jpg")), "JPG");
}

} // namespace nimbrel::test
