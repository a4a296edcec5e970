#include "platform/qt/QtText.h"

#include "platform/Cp1252.h"

QString fromCp1252(const std::string& bytes) {
    return QString::fromStdString(cp1252ToUtf8(bytes));
}

std::string toCp1252(const QString& text) {
    return utf8ToCp1252(text.toStdString());
}
