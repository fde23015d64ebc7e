// The pictures shipped in the program folder, as the main window uses them.
#include "app/gui/Forms.h"
#include "app/gui/main.h"
#include "guisupport/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QMovie>
#include <QToolButton>
#include <filesystem>
#include <gtest/gtest.h>

using namespace nimbrel::test;

namespace {

const std::string kShipped = std::string(NIMBREL_SOURCE_DIR) + "/data";

QSize PictureSize(const std::string& relative) {
    return QImageReader(QString::fromStdString(kShipped + "/" + relative)).size();
}

TEST(ShippedPictures, HaveTheSizesTheWindowsExpect) {
    for (const char* name : {"setup", "pref", "stop", "refresh", "view", "help", "exit"})
        EXPECT_EQ(PictureSize(std::string("icons/") + name + ".png"), QSize(32, 32)) << name;
    EXPECT_EQ(PictureSize("icons/tray.png"), QSize(16, 16));
    for (int frame = 1; frame <= 12; ++frame) {
        const std::string name =
            QString("icons/tray%1.png").arg(frame, 2, 10, QChar('0')).toStdString();
        EXPECT_EQ(PictureSize(name), QSize(16, 16)) << name;
    }
    EXPECT_EQ(PictureSize("nimbrel.bmp"), QSize(50, 50));
    QMovie animation(QString::fromStdString(kShipped + "/nimbrel.gif"));
    ASSERT_TRUE(animation.isValid());
    EXPECT_EQ(animation.frameCount(), 12);
    EXPECT_EQ(PictureSize("nimbrel.gif"), QSize(50, 50));
}

class StatusPicture : public ::testing::Test {
  protected:
    StatusPicture() {
        for (const char* name : {"nimbrel.bmp", "nimbrel.gif"})
            std::filesystem::copy_file(kShipped + "/" + name, folder.file(name));
        WriteBanner(folder);
        CreateForms();
    }
    ~StatusPicture() override { DestroyForms(); }
    TempProgramFolder folder;
    ScriptedDialogs dialogs;
};

TEST_F(StatusPicture, AnimatesDuringACycleAndRestsAfterwards) {
    EXPECT_FALSE(frmMain->Image1->pixmap().isNull()) << "the resting picture at start";
    frmMain->LoadStatusPicture("\\nimbrel.gif");
    QMovie* movie = frmMain->Image1->movie();
    ASSERT_NE(movie, nullptr);
    EXPECT_EQ(movie->state(), QMovie::Running);
    frmMain->LoadStatusPicture("/nimbrel.bmp");
    EXPECT_EQ(frmMain->Image1->movie(), nullptr);
    EXPECT_FALSE(frmMain->Image1->pixmap().isNull());
}

TEST_F(StatusPicture, MissingPictureLeavesTheImageEmpty) {
    frmMain->LoadStatusPicture("\\nimbrel.gif");
    frmMain->LoadStatusPicture("/no-such-picture.bmp");
    EXPECT_EQ(frmMain->Image1->movie(), nullptr);
    EXPECT_TRUE(frmMain->Image1->pixmap().isNull());
    EXPECT_TRUE(dialogs.errors.empty());
}

} // namespace
