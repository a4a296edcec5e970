#pragma once

// The library's protocol lists and profiles in a folder of their own, and lookups in those lists.

#include "srcp/MoBaLibrary.h"
#include "srcp/MoBaProtocols.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

template <class List> auto* findProtocol(List* list, const std::string& name) {
    for (int i = 0; i < list->Count(); ++i)
        if (list->Items(i)->Name == name)
            return list->Items(i);
    throw std::runtime_error("no protocol " + name);
}
inline TMoBaLocoProtocol* locoProtocol(const std::string& name) {
    return findProtocol(MoBaLocoProtocols, name);
}
inline TMoBaSolenoidProtocol* solenoidProtocol(const std::string& name) {
    return findProtocol(MoBaSolenoidProtocols, name);
}

class LibraryTest : public testing::Test {
protected:
    void SetUp() override { MoBaLibraryInitialize(m_dir.path()); }
    void TearDown() override { MoBaLibraryFinalize(); }

    TempDir m_dir;
};
