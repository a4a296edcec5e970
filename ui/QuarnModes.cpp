// The seven modes of the Options menu and the element palette of the design mode.

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <exception>

#include "engine/Bahncalcunit.h"
#include "engine/Fahrunit.h"
#include "engine/elementunit.h"
#include "platform/FirstError.h"
#include "platform/qt/Colors.h"
#include "platform/qtwidgets/ChildCaption.h"
#include "platform/qtwidgets/UpDown.h"
#include "ui/QuarnApplication.h"
#include "ui/Quarnunit.h"

namespace {

constexpr int kBar = 17;          // scroll bar thickness
constexpr int kPalettePitch = 28; // palette slots: a 27-pixel icon and a 1-pixel gap

QString qs(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace

void TMainForm::setStatusBarColours(TColor background, TColor text) {
    QPalette palette = StatusBar1->palette();
    palette.setColor(QPalette::Window, colorFromTColor(background));
    palette.setColor(QPalette::WindowText, colorFromTColor(text));
    StatusBar1->setPalette(palette);
    StatusBar1->setAutoFillBackground(true);
}

void TMainForm::enterMode(Mode mode) {
    struct Row {
        Mode mode;
        bool TMainFormState::*flag;
        QAction* TMainForm::*item;
    };
    static const Row rows[] = {
        {Mode::Design, &TMainFormState::Quarnerstellen, &TMainForm::Gleisbildentwerfen1},
        {Mode::Decoder, &TMainFormState::Decoder, &TMainForm::DecoderAdressen1},
        {Mode::S88, &TMainFormState::S88config, &TMainForm::S88modules1},
        {Mode::Text, &TMainFormState::Text, &TMainForm::Text1},
        {Mode::Operate, &TMainFormState::Betrieb, &TMainForm::Betrieb1},
        {Mode::Routes, &TMainFormState::Fahrstrasseerstellen, &TMainForm::Fahrstrassen1},
        {Mode::LocoSetup, &TMainFormState::Lokregler, &TMainForm::Softregler1},
    };
    for (const Row& row : rows) {
        this->*row.flag = row.mode == mode;
        (this->*row.item)->setChecked(row.mode == mode);
    }
    Symbol = false;
    // The address panel's Save must not write into an element chosen in another mode.
    m_addressChosen = false;

    Design_Panel->setVisible(mode == Mode::Design);
    Decod_panel->setVisible(mode == Mode::Decoder || mode == Mode::S88);
    Regler_panel->setVisible(mode == Mode::Operate || mode == Mode::LocoSetup);
    // The route tabs are hidden only by the route editor's own Save and Cancel.

    setStatusPanel(1, "");
    setStatusBarColours(clBtnFace, clBtnText);
    if (mode != Mode::Routes)
        Joysetup = false;
}

void TMainForm::Gleisbildentwerfen1Click() {
    enterMode(Mode::Design);
    const int W = centralWidget()->width();
    const int H = centralWidget()->height();
    Design_Panel->resize(W >= Panelbreite ? Panelbreite : W, Panelhoehe);
    Design_Panel->move(Design_Panel->x(), H - Design_Panel->height() - StatusBar1->height() - kBar);
    Hilfsbild1->move(Design_Panel->width() + 5, Design_Panel->y());
    if (!El_geladen) {
        try {
            Bahn->elementeladen();
            El_geladen = true;
        } catch (const std::exception& e) {
            setBusyCursor(false);
            showExceptionText(e.what());
        }
    }
    Design_PanelPaint();
    Design_Panel->show();
    m_pickedSymbol = QImage(CellSize, CellSize, QImage::Format_RGB32);
    m_pickedSymbol.fill(Qt::white);
    Symbol = false;
}

void TMainForm::DecoderAdressen1Click() {
    enterMode(Mode::Decoder);
    for (QWidget* w : std::initializer_list<QWidget*>{Decod_edit2, Decod_edit3, Daten_Edit2, Daten_Edit3,
                                                      Image2, Image3, Proto_CB, Protokoll_label})
        w->show();
    for (QLabel* image : {Image1, Image2, Image3})
        image->clear();
    UpDoDaten1->setMax(8);
    for (QLineEdit* edit : {Daten_Edit1, Daten_Edit2, Daten_Edit3})
        edit->setText("1");
    for (QLineEdit* edit : {Decod_edit1, Decod_edit2, Decod_edit3})
        edit->setText("0");
    Decod_label->setText(qs(message(40)));
    Daten_label->setText(qs(message(41)));
    fitCaption(*Decod_label);
    fitCaption(*Daten_label);
}

void TMainForm::S88modules1Click() {
    enterMode(Mode::S88);
    for (QWidget* w : std::initializer_list<QWidget*>{Decod_edit2, Decod_edit3, Daten_Edit2, Daten_Edit3,
                                                      Image2, Image3, Proto_CB, Protokoll_label})
        w->hide();
    // The one row this mode edits, also when a decoder click on an element without states hid it.
    for (QWidget* w : std::initializer_list<QWidget*>{Decod_edit1, Daten_Edit1, Image1, UpDoDaten1})
        w->show();
    Image1->clear();
    UpDoDaten1->setMax(16);
    Daten_Edit1->setText("1");
    Decod_edit1->setText("0");
    Decod_label->setText(qs(message(90)));
    Daten_label->setText(qs(message(91)));
    fitCaption(*Decod_label);
    fitCaption(*Daten_label);
}

void TMainForm::Text1Click() {
    enterMode(Mode::Text);
}

void TMainForm::Betrieb1Click() {
    setStatusPanel(1, "");
    enterMode(Mode::Operate);
    Joystickcalibrieren1->setEnabled(true);
    for (int i = 0; i < 10; ++i)
        setupScrollBar(i);
}

void TMainForm::Fahrstrassen1Click() {
    // Without a route number to hand out the editor has nothing to record into.
    if (!Fahr->reserveRoute()) {
        stopBox(124);
        return;
    }
    enterMode(Mode::Routes);
    showRoutePage(TabSheet1);
    PageControl1->show();
    Fahrstrasse = Fahr->Anz_strassen;
    PageControl1Change();
    if (Debug)
        StringGrid1->show();
    Verbinden = 0;
    for (QAction* item : {Gleisbildentwerfen1, DecoderAdressen1, Betrieb1})
        item->setEnabled(false);
}

void TMainForm::Softregler1Click() {
    enterMode(Mode::LocoSetup);
    setStatusBarColours(clRed, clYellow);
    setStatusPanel(1, message(141));
}

void TMainForm::showRoutePage(QWidget* page) {
    m_settingRoutePage = true;
    PageControl1->setCurrentWidget(page);
    m_settingRoutePage = false;
}

void TMainForm::leaveRouteEditor() {
    PageControl1->hide();
    StringGrid1->hide();
    Fahrstrassen1->setChecked(false);
    Betrieb1->setChecked(true);
    // A route picture that cannot be drawn must not keep the window in the editor.
    FirstError error;
    error.attempt([this] { Fahr->normaleiconchange(Fahrstrasse); });
    for (QAction* item : {Gleisbildentwerfen1, DecoderAdressen1, Betrieb1})
        item->setEnabled(true);
    Betrieb1Click();
    error.show();
}

// ---------------------------------------------------------------------------------------------
// The palette

void TMainForm::Design_PanelPaint() {
    Source_rect = Dest_rect = TRect{0, 0, Design_Panel_bitmap->width(), Design_Panel_bitmap->height()};
    Design_Panel->view().copyFrom(*Design_Panel_bitmap, Source_rect, Dest_rect);
}

void TMainForm::Design_PanelMouseDown(TMouseButton Button, TShiftState, int X, int Y) {
    if (Debug)
        debugLine(std::to_string(X) + " : " + std::to_string(Y));
    const int x0 = X / kPalettePitch * kPalettePitch + 1;
    const int y0 = Y / kPalettePitch * kPalettePitch + 1;
    Design_PanelPaint();

    if (Button == TMouseButton::mbLeft) {
        const int kind = Bahn->compsuchen(x0, y0);
        if (kind < 1 || kind > NROFELEMENTS) {
            // A gap, the edge of the palette or a slot without an element: nothing to pick.
            Comp_nr = 0;
            Symbol = false;
        } else {
            PaintBoxImage& view = Design_Panel->view();
            {
                QPainter painter(&view.image());
                painter.setPen(colorFromTColor(clYellow));
                const QPoint frame[] = {
                    {x0 - 1, y0 - 1}, {x0 + 28, y0 - 1}, {x0 + 28, y0 + 28}, {x0 - 1, y0 + 28}};
                painter.drawPolygon(frame, 4);
            }
            view.changed(TRect{x0 - 1, y0 - 1, x0 + 29, y0 + 29});

            Source_rect = TRect{x0, y0, x0 + CellSize, y0 + CellSize};
            Dest_rect = TRect{0, 0, CellSize, CellSize};
            m_pickedSymbol = QImage(CellSize, CellSize, QImage::Format_RGB32);
            copyRect(m_pickedSymbol, Dest_rect, *Design_Panel_bitmap, Source_rect);
            if (QClipboard* clipboard = QGuiApplication::clipboard())
                clipboard->setImage(m_pickedSymbol);
            Comp_nr = kind;
            if (Debug) {
                debugLine(std::to_string(Comp_nr));
                debugLine("x: " + std::to_string(x0) + " y: " + std::to_string(y0));
            }
            Symbol = true;
        }
    } else if (Button == TMouseButton::mbRight) {
        Symbol = false;
    }

    if (Movelist && !Movelist->empty()) {
        Movelist->clear();
        Move_elements = false;
        Move_el_counter = 0;
    }
}

void TMainForm::Design_PanelMouseMove(TShiftState, int X, int Y) {
    Mausx = X;
    Mausy = Y;
}
