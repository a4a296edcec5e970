#pragma once

#include <functional>
#include <string>

namespace assets {

// The element catalogue "Elemente1.dat": 88 records of 12 lines, CR LF after every line, bytes in
// Windows-1252. name(kind) gives the kind's name as Windows-1252 bytes.
std::string catalogueFile(const std::function<std::string(int kind)>& name);

// The English name of a kind from the text table (message 400 + kind), as Windows-1252 bytes. The
// table has no name for the two plain straight pieces of the horizontal rows.
std::string englishKindName(int kind);

} // namespace assets
