#pragma once

// The throttle panel and the loco setup dialog without the main window: a stand-in for the
// window's state, the global objects, a copy of the generated pictures in a temporary Data folder,
// recorded boxes, and an output that records each loco line as it would go on the wire.

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolButton>
#include <QWidget>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/Bahncalcunit.h"
#include "engine/IconCache.h"
#include "engine/MainFormState.h"
#include "engine/Srcp073Output.h"
#include "engine/initunit.h"
#include "engine/lokunit.h"
#include "loco/ThrottlePanel.h"
#include "loco/locosetupunit.h"
#include "platform/Paths.h"
#include "platform/qtwidgets/ClickableImage.h"
#include "support/RecordingDialogs.h"
#include "support/TempDir.h"
#include "support/engine/RecordingCommandOutput.h"

class LocoMainForm : public TMainFormState {
public:
    LocoMainForm() : m_previous(MainForm) { MainForm = this; }
    ~LocoMainForm() override { MainForm = m_previous; }

    void debugLine(const std::string& utf8) override { debugLines.push_back(utf8); }
    void setStatusPanel(int panel, const std::string& utf8) override { statusPanels[panel] = utf8; }
    void progressShow(int) override {}
    void progressSet(int, const std::string&) override {}
    void progressHide() override {}
    bool writeQuarnText(TTextEntry&) override { return true; }
    PaintBoxImage& paintBoxImage(PaintBox) override { return m_view; }
    void showDecoderPanel(const DecoderPanelData&) override {}
    bool showerror(const std::string&) override { return true; }
    void setBusyCursor(bool) override {}

    std::vector<std::string> debugLines;
    std::map<int, std::string> statusPanels;

private:
    TMainFormState* m_previous;
    PaintBoxImage m_view;
};

// Records each loco slot sent as its "SRCP 0.73" line, read from the table at the moment it went.
class LocoLineOutput : public RecordingCommandOutput {
public:
    void locoState(int slot) override {
        lines.push_back(locoLine(*Lok, slot));
        RecordingCommandOutput::locoState(slot);
    }
    std::vector<std::string> lines;
};

class LocoFixture : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        const fs::path data = fs::path(m_dir.path()) / "Data";
        fs::create_directories(data);
        // The throttle glyphs and function icons; the plan icons and the settings are not needed.
        for (const auto& entry : fs::directory_iterator(fs::path(QUARN_RUNTIME_DIR) / "Data")) {
            const std::string name = entry.path().filename().string();
            if (entry.is_regular_file() && name.ends_with(".bmp") && !name.starts_with("Icon"))
                fs::copy_file(entry.path(), data / name);
        }
        setWorkFolder(m_dir.path());
        iconCache().clear();
        m_init = std::make_unique<C_Init>();
        ASSERT_TRUE(m_init->ok());
        m_host = std::make_unique<QWidget>();
        m_host->resize(617, 113);
        m_panel = new ThrottlePanel(m_host.get());
        m_dialog = std::make_unique<TLocoForm>();
        LocoForm = m_dialog.get();
    }

    void TearDown() override {
        LocoForm = nullptr;
        m_dialog.reset();
        m_host.reset();
        m_init.reset();
        iconCache().clear();
        setWorkFolder("");
    }

    // A slot that drives: protocol, address, maximum speed, direction; no functions.
    static void setSlot(int slot, const std::string& protocol, int addr, int speedMax = 100,
                        int direction = 1, int functions = 0) {
        Lok->set_protocol(slot, protocol);
        Lok->set_addr(slot, addr);
        Lok->set_speedmax(slot, speedMax);
        Lok->set_direction(slot, direction);
        Lok->set_nrof(slot, functions);
        Lok->set_speed(slot, 0);
    }
    static void setFunctions(int slot, const std::vector<int>& f0to4) {
        TLokFunctions F{};
        Lok->get_F(slot, F);
        std::size_t k = 0;
        for (int value : f0to4)
            F[k++] = static_cast<std::uint8_t>(value);
        Lok->set_F(slot, F);
    }
    static int function(int slot, int k) {
        TLokFunctions F{};
        Lok->get_F(slot, F);
        return F[static_cast<std::size_t>(k)];
    }
    static std::vector<int> functions(int slot) {
        return {function(slot, 0), function(slot, 1), function(slot, 2), function(slot, 3),
                function(slot, 4)};
    }

    // Moves bar i without running its handler.
    void placeBar(int i, int position) {
        QScrollBar* bar = m_panel->scrollBar(i);
        const QSignalBlocker quiet(bar);
        bar->setValue(position);
    }
    void setCentreZero(int i, bool on) {
        QCheckBox* box = m_panel->checkBox(i);
        const QSignalBlocker quiet(box);
        box->setChecked(on);
    }

    // The picture of the data folder, as the controls show it.
    static QImage picture(const std::string& name) { return dataPicture(name).toImage(); }
    static bool shows(const QPixmap& shown, const std::string& name) {
        return !shown.isNull() && shown.toImage().convertToFormat(QImage::Format_RGB32) ==
                                      picture(name).convertToFormat(QImage::Format_RGB32);
    }
    static bool shows(const ClickableImage* image, const std::string& name) {
        return shows(image->pixmap(), name);
    }
    // The direction button's glyph, empty when it has none.
    bool glyphIs(int i, const std::string& name) const {
        const QIcon icon = m_panel->speedButton(i)->icon();
        return !icon.isNull() && shows(icon.pixmap(QSize(15, 15)), name);
    }

    TempDir m_dir;
    RecordingDialogs m_dialogs;
    LocoMainForm m_form;
    LocoLineOutput m_output;
    std::unique_ptr<C_Init> m_init;
    std::unique_ptr<QWidget> m_host;
    ThrottlePanel* m_panel = nullptr;
    std::unique_ptr<TLocoForm> m_dialog;
};
