#include "loco/input/ModuleLoader.h"

#include "loco/input/AsciiCase.h"

void ModuleLoader::install(const std::string& fileName, Module module) {
    m_installed[asciiLower(fileName)] = std::make_shared<const Module>(std::move(module));
}

void ModuleLoader::remove(const std::string& fileName) {
    m_installed.erase(asciiLower(fileName));
}

ModuleHandle ModuleLoader::LoadLibraryA(const std::string& fileName) {
    auto it = m_installed.find(asciiLower(fileName));
    if (it == m_installed.end())
        return 0;
    const ModuleHandle handle = m_nextHandle++;
    m_loaded[handle] = {it->first, it->second};
    return handle;
}

bool ModuleLoader::FreeLibrary(ModuleHandle module) {
    return m_loaded.erase(module) != 0;
}

int ModuleLoader::loadCount(const std::string& fileName) const {
    const std::string k = asciiLower(fileName);
    int count = 0;
    for (const auto& [handle, loaded] : m_loaded)
        if (loaded.key == k)
            ++count;
    return count;
}

ModuleHandle programInstance() {
    static const char self = 0;
    return reinterpret_cast<ModuleHandle>(&self);
}
