#pragma once

#include <cstdint>
#include <string>

#include "loco/input/DxDiag.h"

// Which DirectX version the system offers: first from the DxDiag provider, else from the file versions
// of a fixed list of DirectX libraries in the system folder. GUI thread only.

// The packed number ((major * 256 + minor) * 256 + the letter's place a = 1 .. z = 26) and the text
// ("9.0c", "8.0"); S_OK, or E_FAIL with 0 and an empty text.
HRESULT GetDXVersion(std::uint32_t& dwDirectXVersion, std::string& strDirectXVersion);
// S_OK only when major, minor and letter were all read.
HRESULT GetDirectXVersionViaDxDiag(std::uint32_t& pdwDirectXVersionMajor,
                                   std::uint32_t& pdwDirectXVersionMinor, char& pcDirectXVersionLetter);
// Always S_OK; major 0, minor 0 and a blank letter when no probe matched.
HRESULT GetDirectXVerionViaFileVersions(std::uint32_t& pdwDirectXVersionMajor,
                                        std::uint32_t& pdwDirectXVersionMinor, char& pcDirectXVersionLetter);
// The file's fixed version, dwFileVersionMS in the high and dwFileVersionLS in the low 32 bits:
// E_INVALIDARG without a path, E_FAIL for no file or no version information.
HRESULT GetFileVersion(const char* szPath, std::uint64_t& pllFileVersion);
// The file version a.b.c.d.
constexpr std::uint64_t MakeInt64(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d) {
    return (std::uint64_t{a} << 48) | (std::uint64_t{b} << 32) | (std::uint64_t{c} << 16) | d;
}

// The text of Help > DirectX for a detection result.
std::string directXMessage(bool detectionOk, std::uint32_t packedVersion, const std::string& versionText);
