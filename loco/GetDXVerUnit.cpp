#include "loco/GetDXVerUnit.h"

#include <cstring>
#include <memory>
#include <vector>

#include "loco/input/FileVersion.h"

namespace {

// When a probe's file version counts.
enum class Rule {
    AtLeast,      // at least the first version
    ByFirstField, // first field 4 and at least the first version, or 5 and at least the second
    AnyVersion,   // any readable version
};

struct Probe {
    const char* file;
    Rule rule;
    std::uint64_t version4;
    std::uint64_t version5;
    std::uint32_t major;
    std::uint32_t minor;
    char letter;
};

// In this order; a later match overwrites an earlier one.
constexpr Probe kProbes[] = {
    {"\\ddraw.dll", Rule::AtLeast, MakeInt64(4, 2, 0, 95), 0, 1, 0, ' '},
    {"\\ddraw.dll", Rule::AtLeast, MakeInt64(4, 3, 0, 1096), 0, 2, 0, ' '},
    {"\\ddraw.dll", Rule::AtLeast, MakeInt64(4, 4, 0, 68), 0, 3, 0, ' '},
    {"\\d3drg8x.dll", Rule::AtLeast, MakeInt64(4, 4, 0, 70), 0, 3, 0, 'a'},
    {"\\ddraw.dll", Rule::AtLeast, MakeInt64(4, 5, 0, 155), 0, 5, 0, ' '},
    {"\\ddraw.dll", Rule::AtLeast, MakeInt64(4, 6, 0, 318), 0, 6, 0, ' '},
    {"\\ddraw.dll", Rule::AtLeast, MakeInt64(4, 6, 0, 436), 0, 6, 1, ' '},
    {"\\dplayx.dll", Rule::AtLeast, MakeInt64(4, 6, 3, 518), 0, 6, 1, 'a'},
    {"\\ddraw.dll", Rule::AtLeast, MakeInt64(4, 7, 0, 700), 0, 7, 0, ' '},
    {"\\dinput.dll", Rule::AtLeast, MakeInt64(4, 7, 0, 716), 0, 7, 0, 'a'},
    {"\\ddraw.dll", Rule::ByFirstField, MakeInt64(4, 8, 0, 400), MakeInt64(5, 1, 2258, 400), 8, 0, ' '},
    {"\\d3d8.dll", Rule::ByFirstField, MakeInt64(4, 8, 1, 881), MakeInt64(5, 1, 2600, 881), 8, 1, ' '},
    {"\\d3d8.dll", Rule::ByFirstField, MakeInt64(4, 8, 1, 901), MakeInt64(5, 1, 2600, 901), 8, 1, 'a'},
    {"\\mpg2splt.dll", Rule::AtLeast, MakeInt64(6, 3, 1, 885), 0, 8, 1, 'b'},
    {"\\dpnet.dll", Rule::ByFirstField, MakeInt64(4, 9, 0, 134), MakeInt64(5, 2, 3677, 134), 8, 2, ' '},
    {"\\d3d9.dll", Rule::AnyVersion, 0, 0, 9, 0, ' '},
};

bool matches(const Probe& probe, std::uint64_t version) {
    const std::uint64_t firstField = version >> 48;
    switch (probe.rule) {
    case Rule::AtLeast:
        return version >= probe.version4;
    case Rule::ByFirstField:
        return (firstField == 4 && version >= probe.version4) ||
               (firstField == 5 && version >= probe.version5);
    case Rule::AnyVersion:
        return true;
    }
    return false;
}

// Reads one property into the variant, cleared first; false when the call fails.
bool readProperty(IDxDiagContainer& container, const char16_t* name, Variant& value) {
    VariantClear(&value);
    return SUCCEEDED(container.GetProp(name, &value));
}

} // namespace

HRESULT GetDXVersion(std::uint32_t& dwDirectXVersion, std::string& strDirectXVersion) {
    dwDirectXVersion = 0;
    strDirectXVersion.clear();
    std::uint32_t major = 0, minor = 0;
    char letter = ' ';
    if (FAILED(GetDirectXVersionViaDxDiag(major, minor, letter)) &&
        FAILED(GetDirectXVerionViaFileVersions(major, minor, letter)))
        return E_FAIL;
    if (letter >= 'A' && letter <= 'Z')
        letter = static_cast<char>(letter - 'A' + 'a');
    dwDirectXVersion = (major * 256 + minor) * 256;
    if (letter >= 'a' && letter <= 'z')
        dwDirectXVersion += static_cast<std::uint32_t>(letter - 'a' + 1);
    strDirectXVersion = std::to_string(major) + "." + std::to_string(minor);
    if (letter != ' ' && letter != '\0')
        strDirectXVersion += letter;
    return S_OK;
}

HRESULT GetDirectXVersionViaDxDiag(std::uint32_t& pdwDirectXVersionMajor,
                                   std::uint32_t& pdwDirectXVersionMinor, char& pcDirectXVersionLetter) {
    bool gotMajor = false, gotMinor = false, gotLetter = false;
    const bool comInitialized = SUCCEEDED(CoInitialize(nullptr));
    {
        std::unique_ptr<IDxDiagProvider> provider;
        std::unique_ptr<IDxDiagContainer> root, systemInfo;
        DxDiagInitParams params{};
        params.dwSize = sizeof params;
        params.dwDxDiagHeaderVersion = DXDIAG_DX9_SDK_VERSION;
        params.bAllowWHQLChecks = 0;
        params.pReserved = 0;
        if (SUCCEEDED(CoCreateInstance(CLSID_DxDiagProvider, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IDxDiagProvider, provider)) &&
            SUCCEEDED(provider->Initialize(&params)) && SUCCEEDED(provider->GetRootContainer(root)) &&
            SUCCEEDED(root->GetChildContainer(u"DxDiag_SystemInfo", systemInfo))) {
            Variant value;
            VariantInit(&value);
            if (readProperty(*systemInfo, u"dwDirectXVersionMajor", value) && value.vt == VT_UI4) {
                pdwDirectXVersionMajor = value.ulVal;
                gotMajor = true;
            }
            if (readProperty(*systemInfo, u"dwDirectXVersionMinor", value) && value.vt == VT_UI4) {
                pdwDirectXVersionMinor = value.ulVal;
                gotMinor = true;
            }
            if (readProperty(*systemInfo, u"szDirectXVersionLetter", value) && value.vt == VT_BSTR &&
                SysStringLen(value.bstrVal) != 0) {
                char letter[10] = {};
                WideCharToMultiByte(CP_ACP, 0, value.bstrVal.c_str(), -1, letter, sizeof letter);
                pcDirectXVersionLetter = letter[0];
                gotLetter = true;
            }
            VariantClear(&value);
        }
        // The containers and then the provider are released here, before COM is.
    }
    if (comInitialized)
        CoUninitialize();
    return gotMajor && gotMinor && gotLetter ? S_OK : E_FAIL;
}

HRESULT GetDirectXVerionViaFileVersions(std::uint32_t& pdwDirectXVersionMajor,
                                        std::uint32_t& pdwDirectXVersionMinor, char& pcDirectXVersionLetter) {
    pdwDirectXVersionMajor = 0;
    pdwDirectXVersionMinor = 0;
    pcDirectXVersionLetter = ' ';
    char systemFolder[260];
    const std::uint32_t length = GetSystemDirectoryA(systemFolder, sizeof systemFolder);
    // No folder, or one longer than the buffer (the call then leaves the buffer alone).
    if (length == 0 || length >= sizeof systemFolder)
        return S_OK;
    for (const Probe& probe : kProbes) {
        std::uint64_t version = 0;
        const std::string path = std::string(systemFolder, length) + probe.file;
        if (FAILED(GetFileVersion(path.c_str(), version)) || !matches(probe, version))
            continue;
        pdwDirectXVersionMajor = probe.major;
        pdwDirectXVersionMinor = probe.minor;
        pcDirectXVersionLetter = probe.letter;
    }
    return S_OK;
}

HRESULT GetFileVersion(const char* szPath, std::uint64_t& pllFileVersion) {
    if (szPath == nullptr)
        return E_INVALIDARG;
    std::uint32_t handle = 0;
    const std::uint32_t size = GetFileVersionInfoSizeA(szPath, &handle);
    if (size == 0)
        return E_FAIL;
    std::vector<unsigned char> block(size);
    void* fixed = nullptr;
    std::uint32_t fixedLength = 0;
    if (!GetFileVersionInfoA(szPath, handle, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", &fixed, &fixedLength) || fixed == nullptr ||
        fixedLength < sizeof(FixedFileInfo))
        return E_FAIL;
    FixedFileInfo info;
    std::memcpy(&info, fixed, sizeof info);
    pllFileVersion = (std::uint64_t{info.dwFileVersionMS} << 32) | info.dwFileVersionLS;
    return S_OK;
}

std::string directXMessage(bool detectionOk, std::uint32_t packedVersion, const std::string& versionText) {
    if (!detectionOk)
        return "Unknown version of DirectX installed";
    if (packedVersion != 0)
        return "DirectX " + versionText + " installed";
    return "DirectX not installed";
}
