#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QImage>

#include "engine/Positionunit.h"

// Feedback detectors whose icons are files of one solid colour each, so that a plan cell shows
// which icon it holds; a cell never drawn stays Grey.
constexpr QRgb Grey = 0xFFC0C0C0;
constexpr QRgb Free65 = 0xFF00FF00, Busy65 = 0xFFFF0000;
constexpr QRgb Free87 = 0xFF0000FF, Busy87 = 0xFFFFFF00;

struct Detector {
    const char* name;
    int kind, module, contact, x, y;
};

inline void writeIcon(const std::string& path, QRgb colour) {
    QImage icon(27, 27, QImage::Format_RGB32);
    icon.fill(colour);
    ASSERT_TRUE(icon.save(QString::fromStdString(path), "BMP"));
}

// Writes the four detector icons into the data folder (ending in a slash).
inline void writeDetectorIcons(const std::string& dataFolder) {
    for (auto [file, colour] : {std::pair{"Icon6501.bmp", Free65}, std::pair{"Icon6502.bmp", Busy65},
                                std::pair{"Icon8701.bmp", Free87}, std::pair{"Icon8702.bmp", Busy87}})
        writeIcon(dataFolder + file, colour);
}

// Appends the detectors to the table, numbered after its size.
inline void placeDetectors(C_Position& table, const std::vector<Detector>& detectors) {
    for (const Detector& d : detectors) {
        auto e = std::make_unique<tPosEntry>();
        e->CompID = table.getNumbofEntries() + 1;
        e->Enummer = d.kind;
        e->Decod1 = d.module;
        e->Daten1 = d.contact;
        e->Posx = d.x;
        e->Posy = d.y;
        table.addEntry(std::move(e));
    }
}
