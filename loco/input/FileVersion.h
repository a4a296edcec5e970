#pragma once

#include <cstdint>
#include <map>
#include <string>

// The system-folder and file-version functions the DirectX detection calls. This platform has no
// system folder of DirectX libraries, so the table the program uses is empty; tests fill their own.

// The fixed part of a file's version information.
struct FixedFileInfo {
    std::uint32_t dwSignature;
    std::uint32_t dwFileVersionMS;
    std::uint32_t dwFileVersionLS;
};

// A system folder and the files in it with their versions; paths compare without regard to case.
class SystemFileTable {
public:
    void setSystemFolder(std::string folder) { m_folder = std::move(folder); }
    const std::string& systemFolder() const { return m_folder; }
    // A file with the version ms.ls (high and low 32 bits of a.b.c.d).
    void addFile(const std::string& path, std::uint32_t ms, std::uint32_t ls);
    // A file that carries no version information.
    void addFileWithoutVersion(const std::string& path);

    // nullptr when the file is not there; hasVersion tells whether it carries version information.
    struct File {
        bool hasVersion = false;
        std::uint32_t ms = 0;
        std::uint32_t ls = 0;
    };
    const File* find(const std::string& path) const;

private:
    std::string m_folder;
    std::map<std::string, File> m_files;
};

// The system folder into lpBuffer (uSize bytes): its length, 0 when there is none, or the size needed
// (with the terminating zero) when the buffer is too small.
std::uint32_t GetSystemDirectoryA(char* lpBuffer, std::uint32_t uSize);
// The size of the file's version information; 0 for no file or no version information.
std::uint32_t GetFileVersionInfoSizeA(const char* lptstrFilename, std::uint32_t* lpdwHandle);
// Non-zero when the version information was written to lpData (dwLen bytes available).
int GetFileVersionInfoA(const char* lptstrFilename, std::uint32_t dwHandle, std::uint32_t dwLen,
                        void* lpData);
// Sub-block "\" of version information: a pointer into the block at its fixed file information.
int VerQueryValueA(const void* pBlock, const char* lpSubBlock, void** lplpBuffer, std::uint32_t* puLen);
