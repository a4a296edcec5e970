#include "loco/input/GetDXVerUnit.h"

bool GetDXVersion(std::uint32_t& dwDirectXVersion, std::string& strDirectXVersion) {
    // DirectX does not exist on this platform: there is neither a DxDiag provider to ask nor a
    // Windows system folder whose libraries carry a version, so the detection finds none.
    dwDirectXVersion = 0;
    strDirectXVersion.clear();
    return true;
}

std::string directXMessage(bool detectionOk, std::uint32_t packedVersion, const std::string& versionText) {
    if (!detectionOk)
        return "Unknown version of DirectX installed";
    if (packedVersion != 0)
        return "DirectX " + versionText + " installed";
    return "DirectX not installed";
}
