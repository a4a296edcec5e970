#include "loco/input/ModuleLoader.h"

namespace {

std::string key(const std::string& fileName) {
    std::string lower = fileName;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

} // namespace

void ModuleLoader::install(const std::string& fileName, Module module) {
    m_installed[key(fileName)] = std::make_shared<const Module>(std::move(module));
}

void ModuleLoader::remove(const std::string& fileName) {
    m_installed.erase(key(fileName));
}

ModuleHandle ModuleLoader::LoadLibraryA(const std::string& fileName) {
    auto it = m_installed.find(key(fileName));
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
    const std::string k = key(fileName);
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
