#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QImage>

#include "FakeMainForm.h"
#include "engine/Bahncalcunit.h"
#include "engine/IconCache.h"
#include "engine/Positionunit.h"
#include "engine/initunit.h"
#include "platform/Paths.h"
#include "support/RecordingDialogs.h"
#include "support/TempDir.h"

// A temporary work folder with a Data folder, and the global objects created for it.
class EngineFolder : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(std::filesystem::path(dir.path()) / "Data");
        setWorkFolder(dir.path());
        iconCache().clear();
        init = std::make_unique<C_Init>();
        ASSERT_TRUE(init->ok());
        form.WorkDir = dir.path();
    }
    void TearDown() override {
        init.reset();
        iconCache().clear();
        setWorkFolder("");
    }

    TempDir dir;
    RecordingDialogs dialogs;
    FakeMainForm form;
    std::unique_ptr<C_Init> init;
};

// Besides, a copy of the generated catalogue and icons, a plan bitmap and view of the window's
// sizes, and the catalogue loaded.
class PlanFixture : public EngineFolder {
protected:
    void SetUp() override {
        const std::filesystem::path from = std::filesystem::path(QUARN_RUNTIME_DIR) / "Data";
        const std::filesystem::path to = std::filesystem::path(dir.path()) / "Data";
        std::filesystem::create_directories(to);
        std::filesystem::create_directories(std::filesystem::path(dir.path()) / "Layouts");
        for (const auto& file : std::filesystem::directory_iterator(from))
            if (file.is_regular_file() && file.path().filename().string()[0] != '.')
                std::filesystem::copy_file(file.path(), to / file.path().filename());
        EngineFolder::SetUp();
        if (HasFatalFailure())
            return;
        *form.Quarn_bitmap = QImage(980, 680, QImage::Format_RGB32);
        form.Quarn_bitmap->fill(Qt::white);
        *form.Design_Panel_bitmap = QImage(617, 113, QImage::Format_RGB32);
        for (QImage* cell : {form.Cache.get(), form.Undo.get(), form.Rueck_cache.get()}) {
            *cell = QImage(27, 27, QImage::Format_RGB32);
            cell->fill(Qt::black);
        }
        Bahn->elementeladen();
        form.quarn.fill(Qt::white);
        form.changes.clear();
        form.cursorChanges.clear();
    }

    // The generated icon of a kind in a state, as it lies in the data folder.
    QImage icon(int kind, int state) const {
        QImage image(QString::fromStdString(dir.path() + "Data/" + Cbahn::iconFileName(kind, state)));
        return image.convertToFormat(QImage::Format_RGB32);
    }

    // Whether the 27 x 27 cell at (x, y) of image shows the icon exactly.
    static bool cellShows(const QImage& image, int x, int y, const QImage& expected) {
        return image.copy(x, y, 27, 27).convertToFormat(QImage::Format_RGB32) == expected;
    }
    static bool cellIsWhite(const QImage& image, int x, int y) {
        QImage white(27, 27, QImage::Format_RGB32);
        white.fill(Qt::white);
        return cellShows(image, x, y, white);
    }

    // Appends a plan entry numbered after the table's size.
    tPosEntry& place(int x, int y, int kind, int state = 1, int route = 0) {
        auto e = std::make_unique<tPosEntry>();
        Postable->initializeEntry(Postable->getNumbofEntries() + 1, *e);
        e->Posx = x;
        e->Posy = y;
        e->Enummer = kind;
        e->Stellung = state;
        e->Fahrnr = route;
        tPosEntry& ref = *e;
        Postable->addEntry(std::move(e));
        return ref;
    }

    // The accessory lines that ga_out sent to the debug memo (Debug on, no connection).
    std::vector<std::string> switchedLines() const {
        std::vector<std::string> lines;
        for (const std::string& line : form.debugLines)
            if (line.rfind("SET GA ", 0) == 0)
                lines.push_back(line);
        return lines;
    }
};
