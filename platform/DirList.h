#pragma once

#include <string>
#include <string_view>
#include <vector>

// Names (without folder) of the regular files in a folder whose names match a pattern, where "*" stands
// for any run of characters and "?" for one, compared without regard to case. The list is sorted by
// name without regard to case (equal names by their bytes), so that "the first file" does not depend on
// the file system's order. A folder that does not exist or cannot be read gives an empty list.
std::vector<std::string> listFiles(const std::string& folder, std::string_view pattern);

bool matchesFilePattern(std::string_view name, std::string_view pattern);

// Negative, zero or positive as a sorts before, with or after b when case is ignored.
int compareIgnoringCase(std::string_view a, std::string_view b);
