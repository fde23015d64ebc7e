#include "wizard/ProductBanner.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

// The pictures live in a static library: their resource must be registered by hand.
static void RegisterWizardPictures() {
    Q_INIT_RESOURCE(wizard);
}

namespace nimbrel {

void EnsureWizardPictures() {
    static const bool registered = (RegisterWizardPictures(), true);
    (void)registered;
}

QLabel* CreateProductBanner(QWidget* parent) {
    EnsureWizardPictures();
    auto* banner = new QLabel(parent);
    banner->setObjectName("Image1");
    const QPixmap picture(":/wizard/product_banner.jpg");
    banner->setPixmap(picture);
    banner->setGeometry(10, 10, 366, 60);
    return banner;
}

QPushButton* CreateContinueButton(QWidget* parent, int top) {
    auto* button = new QPushButton("Click Here to Continue", parent);
    button->setObjectName("Button1");
    QFont font("Arial");
    font.setPixelSize(13);
    font.setItalic(true);
    button->setFont(font);
    button->setGeometry((kBannerWindowWidth - 307) / 2, top, 307, 29);
    button->setDefault(true);
    return button;
}

QFrame* CreateLine(QWidget* parent, const char* name, QRect geometry) {
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(geometry);
    return line;
}

QFrame* CreateWindowLine(QWidget* parent, const char* name, int top) {
    return CreateLine(parent, name, QRect(10, top, kBannerWindowWidth - 20, 2));
}

} // namespace nimbrel
