#include "library/gui/SiteFields.h"

#include "library/LibraryFile.h"
#include "library/NewSite.h"

#include <QComboBox>

QComboBox* MakeCategoryBox(QWidget* parent, const std::string& current) {
    auto* box = new QComboBox(parent);
    box->setObjectName("cboCategory");
    box->setEditable(true);
    box->addItem(nimbrel::kDefaultSiteCategory);
    for (const std::string& name : nimbrel::LibraryCategoryNames())
        if (name != nimbrel::kDefaultSiteCategory)
            box->addItem(Q(name));
    box->setCurrentText(Q(current));
    return box;
}
