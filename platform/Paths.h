#pragma once

#include <string>

// The run-time folders sit beside the program file. Every folder name returned here ends in "/".

// The program's folder, taken from /proc/self/exe, unless setWorkFolder chose another.
std::string workFolder();
// For tests: makes folder (with or without a trailing "/") the work folder; an empty string goes
// back to the program's folder. The program itself never calls this.
void setWorkFolder(const std::string& folderWithOrWithoutSlash);

std::string dataFolder();   // workFolder() + "Data/"
std::string layoutFolder(); // workFolder() + "Layouts/"
std::string helpFolder();   // workFolder() + "Hilfe/"

// Turns a path written the Windows way into the file that is meant on this disk: "\" counts as "/",
// a relative path is taken relative to workFolder(), and each component is matched against the
// folder's entries without regard to ASCII case (an exact match wins; among several case-blind
// matches the first in byte order). From the first component that does not exist on, the spelling
// is kept as given, so the result can also name a file about to be created.
std::string resolvePath(const std::string& path);
