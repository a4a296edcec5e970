#pragma once

#include <string>

// File names of the original platform compare without regard to ASCII case; this is the key they are
// filed under.
inline std::string asciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}
