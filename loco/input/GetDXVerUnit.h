#pragma once

#include <cstdint>
#include <string>

// The installed DirectX version, which the DirectInput joystick back-end needs. On success
// dwDirectXVersion is the packed version (major << 16 | minor << 8 | letter a..z as 1..26; 0 when
// none was found) and strDirectXVersion its text ("9.0c"); false when the detection itself failed.
bool GetDXVersion(std::uint32_t& dwDirectXVersion, std::string& strDirectXVersion);

// The text of Help > DirectX for a detection result.
std::string directXMessage(bool detectionOk, std::uint32_t packedVersion, const std::string& versionText);
