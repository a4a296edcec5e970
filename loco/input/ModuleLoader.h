#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

// A loaded library as its users hold it; 0 is none.
using ModuleHandle = std::uintptr_t;

// A library the loader can hand out: named entries, each a function of its own type.
class Module {
public:
    template <typename Signature> Module& add(const std::string& name, std::function<Signature> entry) {
        m_entries[name] = std::move(entry);
        return *this;
    }
    // The entry of that name and type; empty when there is none.
    template <typename Signature> std::function<Signature> entry(const std::string& name) const {
        auto it = m_entries.find(name);
        if (it == m_entries.end())
            return {};
        const auto* fn = std::any_cast<std::function<Signature>>(&it->second);
        return fn != nullptr ? *fn : std::function<Signature>();
    }

private:
    std::map<std::string, std::any> m_entries;
};

// Loads libraries by file name, without regard to ASCII case (a Windows file name may be written in
// any case), and looks up their entries by exact name. The program's libraries are installed by the
// input platform; tests install their own or take one away.
class ModuleLoader {
public:
    void install(const std::string& fileName, Module module);
    void remove(const std::string& fileName);

    // 0 when no library of that name is installed.
    ModuleHandle LoadLibraryA(const std::string& fileName);
    template <typename Signature>
    std::function<Signature> GetProcAddress(ModuleHandle module, const std::string& name) const {
        auto it = m_loaded.find(module);
        return it == m_loaded.end() ? std::function<Signature>() : it->second.module->entry<Signature>(name);
    }
    // False for a handle that is not loaded.
    bool FreeLibrary(ModuleHandle module);

    // How many handles of that library are loaded and not yet freed.
    int loadCount(const std::string& fileName) const;

private:
    struct Loaded {
        std::string key;
        std::shared_ptr<const Module> module;
    };
    std::map<std::string, std::shared_ptr<const Module>> m_installed;
    std::map<ModuleHandle, Loaded> m_loaded;
    ModuleHandle m_nextHandle = 1;
};

// The program's own module, as it passes itself to the libraries it calls.
ModuleHandle programInstance();
