// What the New Site dialog and the rule editor share: the category box, and text between Qt
// and the core's UTF-8 strings.
#pragma once

#include <QString>

#include <string>

class QComboBox;
class QWidget;

// An editable box offering the library's categories and "My Sites", showing `current`.
QComboBox* MakeCategoryBox(QWidget* parent, const std::string& current);

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

inline std::string S(const QString& text) {
    return text.toUtf8().toStdString();
}
