// The file dialogs' filters as a user sees them in Qt's own dialog. Which files they match is
// pinned where the selection window asks for its files.
#include "app/gui/QtDialogs.h"

#include <QComboBox>
#include <QFileDialog>
#include <gtest/gtest.h>

namespace {

// What the dialog's file type list shows.
QStringList Shown(const std::string& filter) {
    QFileDialog dialog;
    dialog.setOptions(QtFileDialogOptions() | QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(QtFileFilter(filter));
    QStringList shown;
    auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
    for (int i = 0; types && i < types->count(); ++i)
        shown << types->itemText(i);
    return shown;
}

// Each filter's patterns are shown once, whether its caption lists them or not.
TEST(QtFileDialogFilter, ShowsEachCaptionWithItsPatternsOnce) {
    const struct {
        const char* filter;
        QStringList shown;
    } cases[] = {
        {"Site Selection files (*.nml *.nms)|*.[nN][mM][lL];*.[nN][mM][sS]",
         {"Site Selection files (*.nml *.nms)"}},
        {"Site Selection files (*.nml)|*.NML", {"Site Selection files (*.nml)"}},
        {"Selections|*.nms;*.nml|All files|*.*", {"Selections (*.nms *.nml)", "All files (*.*)"}},
        {"Odd|*.a|Dangling", {"Odd (*.a)"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Shown(c.filter), c.shown) << c.filter;
}

} // namespace
