#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The component-object calls and the DxDiag provider that the DirectX detection uses. The provider
// stands for what the input layer offers: it exists while the input folder can be opened and, when it
// holds joystick nodes, at least one of them can be read (keyboards and mice do not count).

using HRESULT = std::int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
inline bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
inline bool FAILED(HRESULT hr) {
    return hr < 0;
}

constexpr std::uint32_t CLSCTX_INPROC_SERVER = 1;
enum class ComClassId { DxDiagProvider };
constexpr ComClassId CLSID_DxDiagProvider = ComClassId::DxDiagProvider;
enum class ComInterfaceId { DxDiagProvider };
constexpr ComInterfaceId IID_IDxDiagProvider = ComInterfaceId::DxDiagProvider;

// A tagged value: a 32-bit unsigned number (VT_UI4) or a string of 16-bit characters (VT_BSTR).
constexpr std::uint16_t VT_EMPTY = 0;
constexpr std::uint16_t VT_BSTR = 8;
constexpr std::uint16_t VT_UI4 = 19;
struct Variant {
    std::uint16_t vt = VT_EMPTY;
    std::uint32_t ulVal = 0;
    std::u16string bstrVal;
};
void VariantInit(Variant* value);
HRESULT VariantClear(Variant* value);
std::uint32_t SysStringLen(const std::u16string& value);

// UTF-16 to the ANSI code page (CP_ACP, which is Windows-1252 here; characters it lacks become '?'),
// without flags. A cchWideChar of -1 converts up to and including the terminating zero. The bytes
// written; with cbMultiByte 0 the bytes needed; 0 when the buffer is too small or an argument is not
// one of those.
constexpr std::uint32_t CP_ACP = 0;
int WideCharToMultiByte(std::uint32_t codePage, std::uint32_t dwFlags, const char16_t* lpWideCharStr,
                        int cchWideChar, char* lpMultiByteStr, int cbMultiByte);

constexpr std::uint32_t DXDIAG_DX9_SDK_VERSION = 111;
struct DxDiagInitParams {
    std::uint32_t dwSize;
    std::uint32_t dwDxDiagHeaderVersion;
    std::int32_t bAllowWHQLChecks;
    std::uint32_t pReserved;
};
static_assert(sizeof(DxDiagInitParams) == 16);

class IDxDiagContainer {
public:
    virtual ~IDxDiagContainer() = default;
    virtual HRESULT GetChildContainer(const char16_t* pwszChildName,
                                      std::unique_ptr<IDxDiagContainer>& ppInstance) = 0;
    virtual HRESULT GetProp(const char16_t* pwszPropName, Variant* pvarProp) = 0;
};

class IDxDiagProvider {
public:
    virtual ~IDxDiagProvider() = default;
    virtual HRESULT Initialize(const DxDiagInitParams* pParams) = 0;
    virtual HRESULT GetRootContainer(std::unique_ptr<IDxDiagContainer>& ppInstance) = 0;
};

// A provider whose root has the container "DxDiag_SystemInfo" with the properties
// "dwDirectXVersionMajor", "dwDirectXVersionMinor" (numbers) and "szDirectXVersionLetter" (a string).
// Initialize wants size 16, header version 111 and no reserved value, once.
class DxDiagProvider final : public IDxDiagProvider {
public:
    struct Version {
        std::uint32_t major;
        std::uint32_t minor;
        std::u16string letter;
    };

    DxDiagProvider(std::uint32_t major, std::uint32_t minor, std::u16string letter);
    HRESULT Initialize(const DxDiagInitParams* pParams) override;
    HRESULT GetRootContainer(std::unique_ptr<IDxDiagContainer>& ppInstance) override;

private:
    Version m_version;
    bool m_initialized = false;
};

// What the input layer offers as DirectX: DirectInput 8.0, no letter.
std::unique_ptr<IDxDiagProvider> inputLayerDxDiagProvider();

// Counted per program (everything runs on the GUI thread): S_OK for the first, S_FALSE for a nested one.
HRESULT CoInitialize(void* pvReserved);
void CoUninitialize();
// Only the DxDiag provider is registered; it comes from the input platform in use.
HRESULT CoCreateInstance(ComClassId rclsid, void* pUnkOuter, std::uint32_t dwClsContext, ComInterfaceId riid,
                         std::unique_ptr<IDxDiagProvider>& ppv);
