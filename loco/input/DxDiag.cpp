#include "loco/input/DxDiag.h"

#include <cstring>

#include "loco/input/InputPlatform.h"
#include "platform/Cp1252.h"

namespace {

bool sameName(const char16_t* name, std::u16string_view expected) {
    return name != nullptr && std::u16string_view(name) == expected;
}

class SystemInfoContainer final : public IDxDiagContainer {
public:
    explicit SystemInfoContainer(const DxDiagProvider::Version& version) : m_version(version) {}

    HRESULT GetChildContainer(const char16_t* name, std::unique_ptr<IDxDiagContainer>& out) override {
        out.reset();
        return name == nullptr ? E_POINTER : E_INVALIDARG;
    }

    HRESULT GetProp(const char16_t* name, Variant* value) override {
        if (name == nullptr || value == nullptr)
            return E_POINTER;
        VariantClear(value);
        if (sameName(name, u"dwDirectXVersionMajor") || sameName(name, u"dwDirectXVersionMinor")) {
            value->vt = VT_UI4;
            value->ulVal = sameName(name, u"dwDirectXVersionMajor") ? m_version.major : m_version.minor;
            return S_OK;
        }
        if (sameName(name, u"szDirectXVersionLetter")) {
            value->vt = VT_BSTR;
            value->bstrVal = m_version.letter;
            return S_OK;
        }
        return E_INVALIDARG;
    }

private:
    DxDiagProvider::Version m_version;
};

class RootContainer final : public IDxDiagContainer {
public:
    explicit RootContainer(const DxDiagProvider::Version& version) : m_version(version) {}

    HRESULT GetChildContainer(const char16_t* name, std::unique_ptr<IDxDiagContainer>& out) override {
        out.reset();
        if (name == nullptr)
            return E_POINTER;
        if (!sameName(name, u"DxDiag_SystemInfo"))
            return E_INVALIDARG;
        out = std::make_unique<SystemInfoContainer>(m_version);
        return S_OK;
    }

    HRESULT GetProp(const char16_t* name, Variant* value) override {
        return name == nullptr || value == nullptr ? E_POINTER : E_INVALIDARG;
    }

private:
    DxDiagProvider::Version m_version;
};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 units to UTF-8; an unpaired surrogate becomes '?'.
std::string utf16ToUtf8(std::u16string_view units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((char32_t{u} - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out += '?';
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

} // namespace

void VariantInit(Variant* value) {
    if (value != nullptr)
        *value = Variant();
}

HRESULT VariantClear(Variant* value) {
    if (value == nullptr)
        return E_INVALIDARG;
    *value = Variant();
    return S_OK;
}

std::uint32_t SysStringLen(const std::u16string& value) {
    return static_cast<std::uint32_t>(value.size());
}

int WideCharToMultiByte(std::uint32_t codePage, std::uint32_t dwFlags, const char16_t* lpWideCharStr,
                        int cchWideChar, char* lpMultiByteStr, int cbMultiByte) {
    if (codePage != CP_ACP || dwFlags != 0 || lpWideCharStr == nullptr || cchWideChar == 0 ||
        cchWideChar < -1 || cbMultiByte < 0)
        return 0;
    const std::size_t units = cchWideChar == -1 ? std::u16string_view(lpWideCharStr).size() + 1
                                                : static_cast<std::size_t>(cchWideChar);
    const std::string bytes = utf8ToCp1252(utf16ToUtf8(std::u16string_view(lpWideCharStr, units)));
    if (cbMultiByte == 0)
        return static_cast<int>(bytes.size());
    if (lpMultiByteStr == nullptr || bytes.size() > static_cast<std::size_t>(cbMultiByte))
        return 0;
    std::memcpy(lpMultiByteStr, bytes.data(), bytes.size());
    return static_cast<int>(bytes.size());
}

DxDiagProvider::DxDiagProvider(std::uint32_t major, std::uint32_t minor, std::u16string letter)
    : m_version{major, minor, std::move(letter)} {}

HRESULT DxDiagProvider::Initialize(const DxDiagInitParams* params) {
    if (params == nullptr)
        return E_POINTER;
    if (params->dwSize != sizeof(DxDiagInitParams) ||
        params->dwDxDiagHeaderVersion != DXDIAG_DX9_SDK_VERSION || params->pReserved != 0 || m_initialized)
        return E_INVALIDARG;
    m_initialized = true;
    return S_OK;
}

HRESULT DxDiagProvider::GetRootContainer(std::unique_ptr<IDxDiagContainer>& out) {
    out.reset();
    if (!m_initialized)
        return CO_E_NOTINITIALIZED;
    out = std::make_unique<RootContainer>(m_version);
    return S_OK;
}

std::unique_ptr<IDxDiagProvider> inputLayerDxDiagProvider() {
    // Joysticks that exist but may not be read offer nothing to use; a keyboard or mouse closed to the
    // user, as on every desktop, says nothing about joysticks.
    DeviceSource& devices = inputPlatform().devices();
    if (!devices.listNodes() || !unreadableNodes(devices).empty())
        return nullptr;
    return std::make_unique<DxDiagProvider>(8, 0, u" ");
}

HRESULT CoInitialize(void*) {
    return inputPlatform().comInitializeCount()++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    int& count = inputPlatform().comInitializeCount();
    if (count > 0)
        --count;
}

HRESULT CoCreateInstance(ComClassId rclsid, void* pUnkOuter, std::uint32_t dwClsContext, ComInterfaceId riid,
                         std::unique_ptr<IDxDiagProvider>& ppv) {
    ppv.reset();
    InputPlatform& platform = inputPlatform();
    if (platform.comInitializeCount() == 0)
        return CO_E_NOTINITIALIZED;
    if (pUnkOuter != nullptr)
        return CLASS_E_NOAGGREGATION;
    if (rclsid != CLSID_DxDiagProvider || (dwClsContext & CLSCTX_INPROC_SERVER) == 0)
        return REGDB_E_CLASSNOTREG;
    if (riid != IID_IDxDiagProvider)
        return E_NOINTERFACE;
    ppv = platform.createDxDiagProvider();
    return ppv ? S_OK : REGDB_E_CLASSNOTREG;
}
