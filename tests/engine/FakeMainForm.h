#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/MainFormState.h"
#include "platform/qt/PaintBoxImage.h"

// The main window's state without a window: records what the engine asks of it. While it lives it
// is MainForm.
class FakeMainForm : public TMainFormState {
public:
    FakeMainForm() : quarn(QSize(980, 680)), designPanel(QSize(617, 113)), hilfsbild(QSize(27, 27)) {
        m_previous = MainForm;
        MainForm = this;
        quarn.setChangedCallback([this](const TRect& r) { changes.emplace_back(PaintBox::Quarn, r); });
        designPanel.setChangedCallback(
            [this](const TRect& r) { changes.emplace_back(PaintBox::Design_Panel, r); });
        hilfsbild.setChangedCallback(
            [this](const TRect& r) { changes.emplace_back(PaintBox::Hilfsbild1, r); });
    }
    ~FakeMainForm() override { MainForm = m_previous; }

    void debugLine(const std::string& utf8) override { debugLines.push_back(utf8); }
    void setStatusPanel(int panel, const std::string& utf8) override { panels[panel] = utf8; }
    void progressShow(int maximum) override {
        progressVisible = true;
        progressMax = maximum;
        progressPosition = 0;
    }
    void progressSet(int position, const std::string& captionUtf8) override {
        progressPosition = position;
        progressCaption = captionUtf8;
        progressSteps.emplace_back(position, captionUtf8);
    }
    void progressHide() override { progressVisible = false; }
    bool writeQuarnText(TTextEntry& label) override {
        writtenLabels.push_back(&label);
        return true;
    }
    PaintBoxImage& paintBoxImage(PaintBox box) override {
        switch (box) {
        case PaintBox::Quarn:
            return quarn;
        case PaintBox::Design_Panel:
            return designPanel;
        case PaintBox::Hilfsbild1:
            break;
        }
        return hilfsbild;
    }
    void showDecoderPanel(const DecoderPanelData& data) override { decoderPanels.push_back(data); }
    bool showerror(const std::string& msg) override {
        errors.push_back(msg);
        return true;
    }
    void setBusyCursor(bool busy) override { cursorChanges.push_back(busy); }

    std::vector<std::string> debugLines;
    std::map<int, std::string> panels;
    bool progressVisible = false;
    int progressMax = 0, progressPosition = 0;
    std::string progressCaption;
    std::vector<std::pair<int, std::string>> progressSteps; // every progressSet, in order
    std::vector<TTextEntry*> writtenLabels;
    std::vector<DecoderPanelData> decoderPanels;
    std::vector<std::string> errors;
    std::vector<bool> cursorChanges;
    std::vector<std::pair<PaintBox, TRect>> changes;

    PaintBoxImage quarn, designPanel, hilfsbild;

private:
    TMainFormState* m_previous = nullptr;
};
