#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QColor>
#include <QImage>

#include "DetectorIcons.h"
#include "FakeMainForm.h"
#include "engine/Bahncalcunit.h"
#include "engine/Positionunit.h"
#include "engine/Rueckmeldeunit.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

// A plan with feedback detectors on it, detector icons of one solid colour per file in a temporary
// data folder, and the globals the feedback evaluation reads. Every detector cell starts grey.
class FeedbackPlan : public ::testing::Test {
protected:
    // In list order. A and B carry the same contact: only A may ever change.
    static inline const std::vector<Detector> Detectors = {
        {"A", 65, 2, 1, 27, 27},   // absolute contact 17
        {"B", 65, 2, 1, 54, 27},   // the same contact, later in the list
        {"C", 87, 1, 16, 81, 27},  // contact 16
        {"D", 65, 2, 16, 108, 27}, // contact 32
        {"E", 65, 0, 16, 135, 27}, // contact 0
        {"F", 65, 1, 0, 162, 27},  // not configured
        {"G", 12, 1, 1, 189, 27},  // a track element, not a detector
        {"H1", 87, 1, 1, 216, 54}, // contacts 1..4
        {"H2", 87, 1, 2, 243, 54}, {"H3", 87, 1, 3, 270, 54}, {"H4", 65, 1, 4, 297, 54},
    };

    void SetUp() override {
        setWorkFolder(m_dir.path());
        writeDetectorIcons(m_dir.file("Data/"));
        m_oldPostable = Postable;
        m_oldRueckmodul = Rueckmodul;
        m_oldBahn = Bahn;
        Postable = &m_table;
        Rueckmodul = &m_rueck;
        Bahn = &m_bahn;
        form.Quarn_bitmap = std::make_unique<QImage>(980, 680, QImage::Format_RGB32);
        form.Cache = std::make_unique<QImage>();
        form.Hpos_alt = 27;
        form.Vpos_alt = 27;
        placeDetectors(m_table, Detectors);
        clearPlan();
    }

    void TearDown() override {
        Postable = m_oldPostable;
        Rueckmodul = m_oldRueckmodul;
        Bahn = m_oldBahn;
        setWorkFolder("");
    }

    void writeIcon(const std::string& name, QRgb colour) { ::writeIcon(m_dir.file("Data/" + name), colour); }
    void removeIcon(const std::string& name) { std::remove(m_dir.file("Data/" + name).c_str()); }

    void clearPlan() {
        form.Quarn_bitmap->fill(Grey);
        form.quarn.image().fill(Grey);
        form.changes.clear();
        form.debugLines.clear();
    }

    // The colour of a detector's cell in the plan bitmap; its cell in the view, shifted by the
    // scroll offsets, must agree (a mismatch comes back as 0).
    QRgb cell(const Detector& d) const {
        const QRgb plan = form.Quarn_bitmap->pixel(d.x + 13, d.y + 13);
        const QRgb view = form.quarn.image().pixel(d.x - form.Hpos_alt + 13, d.y - form.Vpos_alt + 13);
        return plan == view ? plan : 0;
    }

    // The cells of every detector, in the order of Detectors.
    std::vector<QRgb> cells() const {
        std::vector<QRgb> out;
        for (const Detector& d : Detectors)
            out.push_back(cell(d));
        return out;
    }

    // Expected cells: every detector grey except the named ones.
    static std::vector<QRgb> expect(std::initializer_list<std::pair<const char*, QRgb>> changed) {
        std::vector<QRgb> out(Detectors.size(), Grey);
        for (const auto& [name, colour] : changed)
            for (std::size_t i = 0; i < Detectors.size(); ++i)
                if (std::string(Detectors[i].name) == name)
                    out[i] = colour;
        return out;
    }

    TempDir m_dir;
    FakeMainForm form;
    C_Position m_table;
    C_rueckmodul m_rueck;
    Cbahn m_bahn;
    C_Position* m_oldPostable = nullptr;
    C_rueckmodul* m_oldRueckmodul = nullptr;
    Cbahn* m_oldBahn = nullptr;
};
