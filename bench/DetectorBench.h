#pragma once

#include <memory>
#include <string>

#include <QImage>

#include "engine/Bahncalcunit.h"
#include "engine/FakeMainForm.h"
#include "engine/Rueckmeldeunit.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

// What the feedback benchmarks share: a work folder with the two icons of detector kind 65, a
// window without widgets that has the plan bitmap, and the engine objects the feedback evaluation
// draws with. The plan itself is the benchmark's own.
struct DetectorBench {
    DetectorBench() {
        setWorkFolder(dir.path());
        writeIcon("Icon6501.bmp", 0xFF00FF00);
        writeIcon("Icon6502.bmp", 0xFFFF0000);
        form.Quarn_bitmap = std::make_unique<QImage>(980, 680, QImage::Format_RGB32);
        form.Cache = std::make_unique<QImage>();
        Rueckmodul = &rueck;
        Bahn = &bahn;
    }
    ~DetectorBench() {
        Rueckmodul = nullptr;
        Bahn = nullptr;
        setWorkFolder("");
    }
    DetectorBench(const DetectorBench&) = delete;
    DetectorBench& operator=(const DetectorBench&) = delete;

    void writeIcon(const char* name, QRgb colour) const {
        QImage icon(27, 27, QImage::Format_RGB32);
        icon.fill(colour);
        icon.save(QString::fromStdString(dir.file(std::string("Data/") + name)), "BMP");
    }

    TempDir dir;
    FakeMainForm form;
    C_rueckmodul rueck;
    Cbahn bahn;
};
