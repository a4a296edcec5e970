// The mouse on the plan in the design, text, decoder-address and S88 modes: placing, deleting,
// selecting, moving and dragging elements, text labels and their dialog, and the address panel's
// Save.

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <algorithm>
#include <array>
#include <cstdio>
#include <exception>
#include <new>

#include "engine/Bahncalcunit.h"
#include "engine/PlanFile.h"
#include "engine/elementunit.h"
#include "platform/Cp1252.h"
#include "platform/DialogService.h"
#include "platform/TextFile.h"
#include "platform/qt/Colors.h"
#include "platform/qtwidgets/UpDown.h"
#include "ui/QuarnApplication.h"
#include "ui/Quarnunit.h"

namespace {

// -1, 0 or 1 as a lies left of, on or right of b.
int direction(int a, int b) {
    return (a > b) - (a < b);
}

} // namespace

void TMainForm::connectEditing() {
    Quarn->setMouseHandlers(
        [this](TMouseButton button, TShiftState shift, int x, int y) { QuarnMouseDown(button, shift, x, y); },
        [this](TShiftState shift, int x, int y) { QuarnMouseMove(shift, x, y); },
        [this](TMouseButton button, TShiftState shift, int x, int y) { QuarnMouseUp(button, shift, x, y); });
    // The palette hears the pointer without a button too.
    Design_Panel->setMouseTracking(true);
    Design_Panel->setMouseHandlers(
        [this](TMouseButton button, TShiftState shift, int x, int y) {
            Design_PanelMouseDown(button, shift, x, y);
        },
        [this](TShiftState shift, int x, int y) { Design_PanelMouseMove(shift, x, y); }, nullptr);
    connect(Speichern_button, &QPushButton::clicked, this, [this] { Speichern_buttonClick(); });
}

bool TMainForm::onPlan(int cx, int cy) const {
    return cx >= 0 && cx < Quarnbreite && cy >= 0 && cy < Quarnhoehe;
}

void TMainForm::drawCell(const QImage& cell, int cx, int cy) {
    Source_rect = TRect{0, 0, CellSize, CellSize};
    Dest_rect = TRect{cx, cy, cx + CellSize, cy + CellSize};
    copyRect(*Quarn_bitmap, Dest_rect, cell, Source_rect);
    const int vx = cx - Hpos_alt, vy = cy - Vpos_alt;
    Quarn->view().copyFrom(cell, Source_rect, TRect{vx, vy, vx + CellSize, vy + CellSize});
}

void TMainForm::greyCell(int cx, int cy) {
    QImage grey(CellSize, CellSize, QImage::Format_RGB32);
    grey.fill(colorFromTColor(Grau));
    drawCell(grey, cx, cy);
}

// ---------------------------------------------------------------------------------------------
// The mouse on the plan

void TMainForm::QuarnMouseDown(TMouseButton, TShiftState Shift, int X, int Y) {
    const int wx = Cbahn::sollkoord(X), wy = Cbahn::sollkoord(Y);
    const int cx = wx + Hpos_alt, cy = wy + Vpos_alt;
    if (Debug)
        debugLine("Koordinaten in MouseDown: " + std::to_string(X) + ":" + std::to_string(Y));
    try {
        if (Text)
            textModeDown(Shift, cx, cy);
        if (Quarnerstellen)
            designModeDown(Shift, wx, wy, cx, cy);
        if (Decoder || S88config)
            addressModeDown(Shift, cx, cy);
        if (Betrieb)
            operateDown(Shift, cx, cy);
        if (Fahrstrasseerstellen)
            routeDown(Shift, cx, cy);
    } catch (const std::exception& e) {
        showExceptionText(e.what());
    }
    Alt_x = wx;
    Alt_y = wy;
}

void TMainForm::textModeDown(TShiftState Shift, int cx, int cy) {
    if (Shift.testFlag(ssLeft) && Bahn->poslistsuchen2(cx, cy) == 0 && onPlan(cx, cy)) {
        std::string text;
        if (MyInputQuery(message(107), message(108), text, cx, cy)) {
            ++TextLabelNr;
            char name[32];
            std::snprintf(name, sizeof name, "%s%d", "Qtextlabel", TextLabelNr);
            if (std::unique_ptr<TTextEntry> label = createlabel(name, utf8ToCp1252(text), cx, cy)) {
                TTextEntry& shown = *label;
                Textliste->push_back(std::move(label));
                writeQuarnText(shown);
            }
        }
    }
    if (Shift.testFlag(ssRight)) {
        if (Bahn->deletefromTextlist(cx, cy))
            greyCell(cx, cy);
        QuarnPaint();
    }
}

void TMainForm::designModeDown(TShiftState Shift, int wx, int wy, int cx, int cy) {
    Bahn->deleteundo();
    m_placement = Placement{};

    if (Shift.testFlag(ssShift) && Shift.testFlag(ssLeft)) {
        Symbol = false;
        tPosEntry* e = Postable->getEntryByKor(cx, cy);
        if (!e)
            return;
        for (const tPosEntry* selected : *Movelist)
            if (selected->Posx == e->Posx && selected->Posy == e->Posy)
                return;
        Movelist->push_back(e);
        const tPosEntry* reference = Movelist->front();
        e->Refposx = e->Posx - reference->Posx;
        e->Refposy = e->Posy - reference->Posy;
        // The mark lives in the view only; the next repaint takes it away.
        PaintBoxImage& view = Quarn->view();
        {
            QPainter painter(&view.image());
            painter.setPen(colorFromTColor(clRed));
            painter.drawRect(wx, wy, CellSize - 1, CellSize - 1);
        }
        view.changed(TRect{wx, wy, wx + CellSize, wy + CellSize});
    } else if (Shift.testFlag(ssLeft)) {
        if (!Movelist->empty()) {
            Movelist->clear();
            Bahn->deletecache();
            Move_elements = false;
            Move_el_counter = 0;
        }
        if (Symbol && onPlan(cx, cy)) {
            Source_rect = TRect{cx, cy, cx + CellSize, cy + CellSize};
            Dest_rect = TRect{0, 0, CellSize, CellSize};
            copyRect(*Undo, Dest_rect, *Quarn_bitmap, Source_rect);
            drawCell(m_pickedSymbol, cx, cy);
            m_placement.shown = true;
            m_placement.cellX = m_placement.pressCellX = cx;
            m_placement.cellY = m_placement.pressCellY = cy;
            m_placement.dragArmed = true;
        }
    }

    if (Shift.testFlag(ssRight)) {
        if (Bahn->deletecompfromlist(cx, cy))
            greyCell(cx, cy);
        Symbol = false;
        QuarnPaint();
    }
}

void TMainForm::addressModeDown(TShiftState Shift, int cx, int cy) {
    if (!Shift.testFlag(ssLeft))
        return;
    const int k = Bahn->poslistsuchen(cx, cy);
    if (Decoder) {
        // Detectors have their S88 mode; the emergency stop and kinds outside the catalogue have no
        // panel.
        if (k <= 0 || k > NROFELEMENTS || isDetectorKind(k) || k == 22)
            return;
        const int a = Element->get_art(k - 1);
        if (a >= 0 && a <= 3) {
            const std::array<std::array<QWidget*, 4>, 3> rows = {{
                {Decod_edit1, Daten_Edit1, Image1, UpDoDaten1},
                {Decod_edit2, Daten_Edit2, Image2, UpDoDaten2},
                {Decod_edit3, Daten_Edit3, Image3, UpDoDaten3},
            }};
            for (int n = 0; n < 3; ++n)
                for (QWidget* w : rows[static_cast<std::size_t>(n)])
                    w->setVisible(n < a);
        }
    } else if (!isDetectorKind(k)) {
        return;
    }
    m_addressChosen = false;
    Speichern_posx = cx;
    Speichern_posy = cy;
    Bahn->decodpaneldarstellen(k, cx, cy);
    m_addressChosen = true;
}

void TMainForm::QuarnMouseMove(TShiftState Shift, int X, int Y) {
    if (!Quarnerstellen)
        return;
    try {
        if (Shift.testFlag(ssShift) && Shift.testFlag(ssLeft)) {
            // Shift during a drag ends it: its release puts back what it took.
            m_placement.dragArmed = false;
            moveSelection(X, Y);
        } else if (Shift.testFlag(ssLeft)) {
            dragTo(X, Y);
        }
    } catch (const std::exception& e) {
        showExceptionText(e.what());
    }
}

void TMainForm::moveSelection(int X, int Y) {
    Symbol = false;
    int stepX = CellSize * direction(Cbahn::sollkoord(X), Cbahn::sollkoord(Alt_x));
    int stepY = CellSize * direction(Cbahn::sollkoord(Y), Cbahn::sollkoord(Alt_y));
    if (!Movelist->empty() && (stepX != 0 || stepY != 0)) {
        const tPosEntry* reference = Movelist->front();
        // An axis on which the step would take a selected element off the plan does not move.
        for (const tPosEntry* e : *Movelist) {
            const long long x =
                static_cast<long long>(reference->Posx) + stepX + (e == reference ? 0 : e->Refposx);
            const long long y =
                static_cast<long long>(reference->Posy) + stepY + (e == reference ? 0 : e->Refposy);
            if (x < 0 || x >= Quarnbreite)
                stepX = 0;
            if (y < 0 || y >= Quarnhoehe)
                stepY = 0;
        }
    }
    if (!Movelist->empty() && (stepX != 0 || stepY != 0)) {
        ++Move_el_counter;
        Move_elements = true;
        tPosEntry* reference = Movelist->front();
        const int refX = reference->Posx + stepX, refY = reference->Posy + stepY;
        for (tPosEntry* e : *Movelist) {
            const int vx = e->Posx - Hpos_alt, vy = e->Posy - Vpos_alt;
            const TRect cell{0, 0, CellSize, CellSize};
            Quarn->view().copyFrom(*Undo, cell, TRect{vx, vy, vx + CellSize, vy + CellSize});
            if (Move_el_counter == 1)
                copyRect(*Quarn_bitmap, TRect{e->Posx, e->Posy, e->Posx + CellSize, e->Posy + CellSize},
                         *Undo, cell);
            e->Posx = e == reference ? refX : refX + e->Refposx;
            e->Posy = e == reference ? refY : refY + e->Refposy;
            Bahn->change_2_icon(drawnPlanState(e->Stellung), e->Posx, e->Posy, e->Enummer);
        }
    }
    Alt_x = X;
    Alt_y = Y;
}

void TMainForm::dragTo(int X, int Y) {
    if (!m_placement.dragArmed)
        return;
    const int cx = Cbahn::sollkoord(X) + Hpos_alt, cy = Cbahn::sollkoord(Y) + Vpos_alt;
    if (!m_placement.dragging) {
        // A little jitter inside the pressed cell is still a click.
        if (cx == m_placement.pressCellX && cy == m_placement.pressCellY)
            return;
        m_placement.dragging = true;
    }
    if (!Geloescht) {
        // The drag takes away the element it started on. It is kept until the release, which may
        // have to put it back; the pressed cell then turns grey, not into a picture of it.
        const int px = m_placement.pressCellX, py = m_placement.pressCellY;
        // The entry that the removal takes: the first at the cell.
        for (int i = 0; i < Postable->getNumbofEntries(); ++i) {
            const tPosEntry* e = Postable->getEntryByNum(i);
            if (e->Posx == px && e->Posy == py) {
                m_placement.removed.emplace(static_cast<std::size_t>(i), *e);
                break;
            }
        }
        if (Bahn->deletecompfromlist(px, py))
            Bahn->deleteundo();
        Geloescht = true;
        Symbol = true;
    }
    if (m_placement.shown)
        drawCell(*Undo, m_placement.cellX, m_placement.cellY);
    m_placement.shown = false;
    if (onPlan(cx, cy)) {
        copyRect(*Undo, TRect{0, 0, CellSize, CellSize}, *Quarn_bitmap,
                 TRect{cx, cy, cx + CellSize, cy + CellSize});
        drawCell(m_pickedSymbol, cx, cy);
        m_placement.shown = true;
        m_placement.cellX = cx;
        m_placement.cellY = cy;
    }
    Alt_x = X;
    Alt_y = Y;
}

void TMainForm::QuarnMouseUp(TMouseButton, TShiftState Shift, int X, int Y) {
    try {
        // A move is put on the plan bitmap also when Shift was let go before the button.
        if (!Movelist->empty() && Move_elements) {
            // The next move of a kept selection starts from the plan as drawn now.
            Move_elements = false;
            Move_el_counter = 0;
            for (const tPosEntry* e : *Movelist)
                Bahn->changeicon(drawnPlanState(e->Stellung), e->Posx, e->Posy, e->Enummer);
            QuarnPaint();
        }
        if (!Shift.testFlag(ssShift) && !Movelist->empty()) {
            Movelist->clear();
            Bahn->deletecache();
            Move_elements = false;
            Move_el_counter = 0;
        }

        const int cx = Cbahn::sollkoord(X) + Hpos_alt, cy = Cbahn::sollkoord(Y) + Vpos_alt;
        // A release in another cell than the last move reported.
        if (m_placement.dragArmed &&
            !(m_placement.shown && cx == m_placement.cellX && cy == m_placement.cellY))
            dragTo(X, Y);

        bool entered = false, refused = false;
        if (Symbol && m_placement.shown && Comp_nr >= 1 && Comp_nr <= NROFELEMENTS) {
            if (Bahn->poslistsuchen2(m_placement.cellX, m_placement.cellY) > 0) {
                refused = true;
            } else {
                ++Anzahl;
                Bahn->Quarnliste_eintragen(m_placement.cellX, m_placement.cellY, Comp_nr);
                Geloescht = false;
                entered = true;
            }
        }
        if (!entered)
            undoPlacement();
        if (refused)
            stopBox(109);
    } catch (const std::exception& e) {
        showExceptionText(e.what());
    }
    m_placement = Placement{};
}

void TMainForm::undoPlacement() {
    if (m_placement.shown)
        drawCell(*Undo, m_placement.cellX, m_placement.cellY);
    m_placement.shown = false;
    if (m_placement.removed) {
        const auto [index, entry] = *m_placement.removed;
        m_placement.removed.reset();
        putBackPlanEntry(index, entry);
        Bahn->changeicon(drawnPlanState(entry.Stellung), entry.Posx, entry.Posy, entry.Enummer);
    }
    if (m_placement.dragging)
        Geloescht = false;
}

void TMainForm::putBackPlanEntry(std::size_t index, const tPosEntry& entry) {
    Postable->insertEntry(index, std::make_unique<tPosEntry>(entry));
}

void TMainForm::planAddressesChanged() {
    // The feedback evaluation indexes the plan's detectors by module and contact.
    Postable->addressChanged();
}

// ---------------------------------------------------------------------------------------------
// Text labels

std::unique_ptr<TTextEntry> TMainForm::createlabel(const std::string& labelName, const std::string& text,
                                                   int X, int Y) {
    try {
        auto label = std::make_unique<TTextEntry>();
        label->TextInfo = text;
        label->XText = X;
        label->YText = Y;
        label->Name = labelName;
        label->Textwkl = 0;
        label->TextFont = std::make_unique<ColoredFont>(LabelFont ? *LabelFont : ColoredFont());
        return label;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool TMainForm::MyInputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value, int X,
                             int Y) {
    const DialogService::Input answer =
        dialogs().textQuery(Caption, Prompt, Value, X, Y, [this] { FontButtonClick(); });
    if (!answer.ok || answer.text.empty())
        return false;
    Value = answer.text;
    return true;
}

void TMainForm::FontButtonClick() {
    if (!LabelFont)
        LabelFont = std::make_unique<ColoredFont>();
    // The font goes through its font line, as the plan file will hold it.
    const FontLine current = fontLineOf(*LabelFont);
    const std::optional<DialogService::FontChoice> chosen =
        dialogs().chooseFont({cp1252ToUtf8(current.name), current.size, current.bold, current.italic,
                              current.underline, current.strikeOut, current.color});
    if (!chosen)
        return;
    applyFontLine({utf8ToCp1252(chosen->name), chosen->size > 0 ? chosen->size : current.size, chosen->bold,
                   chosen->italic, chosen->underline, chosen->strikeout, chosen->color},
                  *LabelFont);
}

// ---------------------------------------------------------------------------------------------
// The address panel

void TMainForm::Speichern_buttonClick() {
    tPosEntry* e = m_addressChosen ? Postable->getEntryByKor(Speichern_posx, Speichern_posy) : nullptr;
    const auto wrongInput = [this] { dialogs().plainMessage(message(140)); };
    if (!e)
        return wrongInput();

    struct Field {
        QLineEdit* edit;
        int tPosEntry::*field;
        bool port;
    };
    const Field fields[] = {
        {Decod_edit1, &tPosEntry::Decod1, false}, {Decod_edit2, &tPosEntry::Decod2, false},
        {Decod_edit3, &tPosEntry::Decod3, false}, {Daten_Edit1, &tPosEntry::Daten1, true},
        {Daten_Edit2, &tPosEntry::Daten2, true},  {Daten_Edit3, &tPosEntry::Daten3, true},
    };
    // A decoder has eight outputs, an S88 module sixteen contacts.
    const int highestPort = S88config ? 16 : 8;
    // Every edit is checked before anything is stored.
    std::array<std::optional<int>, std::size(fields)> values;
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        const std::string text = fields[i].edit->text().toStdString();
        if (text.empty())
            continue;
        const std::optional<int32_t> value = parseDecimalInt(text);
        if (!value || *value < 0 || (fields[i].port && !fields[i].edit->isHidden() && *value > highestPort))
            return wrongInput();
        values[i] = *value;
    }
    for (std::size_t i = 0; i < std::size(fields); ++i)
        if (values[i])
            e->*fields[i].field = *values[i];
    e->Protokoll.assign(1, Proto_CB->currentIndex() == 0 ? 'M' : 'N');
    planAddressesChanged();
}
