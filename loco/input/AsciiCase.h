#pragma once

#include <string>

// Windows file names (library and system file names that callers may write in any case) compare
// without regard to ASCII case; this is the key they are filed under.
inline std::string asciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}
