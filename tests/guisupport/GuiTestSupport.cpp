#include "guisupport/GuiTestSupport.h"

#include <QImage>
#include <stdexcept>

namespace nimbrel::test {

void WriteBanner(const TempProgramFolder& folder, QSize size) {
    QImage banner(size, QImage::Format_RGB32);
    banner.fill(Qt::white);
    if (!banner.save(QString::fromStdString(folder.file("icons/banner_vert1.jpg")), "JPG"))
        throw std::runtime_error("cannot write the banner picture");
}

} // namespace nimbrel::test
