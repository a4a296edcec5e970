#pragma once

#include <string>

#include <QString>

// The Qt boundary of the Windows-1252 byte strings that files and the wire carry.
QString fromCp1252(const std::string& bytes);
// Characters without a Windows-1252 byte become '?'.
std::string toCp1252(const QString& text);
