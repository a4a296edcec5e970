#pragma once

#include <string>
#include <string_view>

// Windows-1252 is the byte encoding of every data file and of the wire text. The five bytes that the
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same
// number, so that every byte string survives a trip to UTF-8 and back unchanged.

std::string cp1252ToUtf8(std::string_view bytes);
// Characters without a Windows-1252 byte, and bytes that are not valid UTF-8, become '?'.
std::string utf8ToCp1252(std::string_view utf8);
