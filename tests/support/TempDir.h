#pragma once

#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder's path with a trailing "/".
    const std::string& path() const { return m_path; }
    // path() + name; creates the parent folders of name.
    std::string file(const std::string& name) const;

private:
    std::string m_path;
};

// Reads a whole file as bytes; throws std::runtime_error when it cannot be opened.
std::string readFileBytes(const std::string& path);
// Writes bytes to a file, replacing it; throws std::runtime_error on failure.
void writeFileBytes(const std::string& path, const std::string& bytes);
