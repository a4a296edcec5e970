#include "loco/input/FileVersion.h"

#include <cstddef>
#include <cstring>

#include "loco/input/AsciiCase.h"
#include "loco/input/InputPlatform.h"

namespace {

constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;

// The version information as this platform hands it out.
struct VersionBlock {
    std::uint32_t length;
    FixedFileInfo fixed;
};

const SystemFileTable::File* versionedFile(const char* path) {
    if (path == nullptr)
        return nullptr;
    const SystemFileTable::File* file = inputPlatform().systemFiles().find(path);
    return file != nullptr && file->hasVersion ? file : nullptr;
}

} // namespace

void SystemFileTable::addFile(const std::string& path, std::uint32_t ms, std::uint32_t ls) {
    m_files[asciiLower(path)] = {true, ms, ls};
}

void SystemFileTable::addFileWithoutVersion(const std::string& path) {
    m_files[asciiLower(path)] = {};
}

const SystemFileTable::File* SystemFileTable::find(const std::string& path) const {
    auto it = m_files.find(asciiLower(path));
    return it == m_files.end() ? nullptr : &it->second;
}

std::uint32_t GetSystemDirectoryA(char* lpBuffer, std::uint32_t uSize) {
    const std::string& folder = inputPlatform().systemFiles().systemFolder();
    if (folder.empty())
        return 0;
    if (lpBuffer == nullptr || uSize <= folder.size())
        return static_cast<std::uint32_t>(folder.size() + 1);
    std::memcpy(lpBuffer, folder.c_str(), folder.size() + 1);
    return static_cast<std::uint32_t>(folder.size());
}

std::uint32_t GetFileVersionInfoSizeA(const char* lptstrFilename, std::uint32_t* lpdwHandle) {
    if (lpdwHandle != nullptr)
        *lpdwHandle = 0;
    return versionedFile(lptstrFilename) != nullptr ? sizeof(VersionBlock) : 0;
}

int GetFileVersionInfoA(const char* lptstrFilename, std::uint32_t, std::uint32_t dwLen, void* lpData) {
    const SystemFileTable::File* file = versionedFile(lptstrFilename);
    if (file == nullptr || lpData == nullptr || dwLen < sizeof(VersionBlock))
        return 0;
    const VersionBlock block{sizeof(VersionBlock), {kFixedSignature, file->ms, file->ls}};
    std::memcpy(lpData, &block, sizeof block);
    return 1;
}

int VerQueryValueA(const void* pBlock, const char* lpSubBlock, void** lplpBuffer, std::uint32_t* puLen) {
    if (pBlock == nullptr || lpSubBlock == nullptr || lplpBuffer == nullptr ||
        std::strcmp(lpSubBlock, "\\") != 0)
        return 0;
    VersionBlock block;
    std::memcpy(&block, pBlock, sizeof block);
    if (block.length != sizeof(VersionBlock) || block.fixed.dwSignature != kFixedSignature)
        return 0;
    *lplpBuffer = const_cast<char*>(static_cast<const char*>(pBlock) + offsetof(VersionBlock, fixed));
    if (puLen != nullptr)
        *puLen = sizeof(FixedFileInfo);
    return 1;
}
