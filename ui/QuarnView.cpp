// Layout, painting and scrolling of the main window's plan view, and the panels the engine fills.

#include <QAction>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QWindow>
#include <algorithm>
#include <optional>

#include "engine/elementunit.h"
#include "loco/ThrottleControls.h"
#include "platform/qt/Colors.h"
#include "platform/qt/QtText.h"
#include "platform/qtwidgets/UpDown.h"
#include "ui/PaintBoxWidget.h"
#include "ui/Quarnunit.h"

namespace {

constexpr int kBar = 17; // scroll bar thickness

} // namespace

QSize TMainForm::clientSizeForFrame(QSize frame, QMargins extents) {
    return QSize(std::max(0, frame.width() - extents.left() - extents.right()),
                 std::max(0, frame.height() - extents.top() - extents.bottom()));
}

void TMainForm::setscreen(int w, int h) {
    m_screenSize = QSize(w, h);
    m_screenFramePending = true;
    applyScreenSize();
}

void TMainForm::applyScreenSize() {
    // The figures are the window's outer size, frame included; Qt sizes the client area. The frame
    // is known once the window system has a window for us, and may only be reported after it is
    // shown: then the size is applied again (checkScreenFrame).
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    m_screenFrame = frame;
    if (isVisible() && !frame.isNull())
        m_screenFramePending = false;
    const QSize outer(m_screenSize.width() - 5, m_screenSize.height() - 35);
    resize(clientSizeForFrame(outer, frame));
    m_screenClientSize = size();
    const int outerWidth = width() + frame.left() + frame.right();
    move((m_screenSize.width() - outerWidth) / 2, 1);
    // The client area follows the window through the main window's layout; settle it now, also
    // while the window is hidden, so that the client size is known at once.
    if (layout())
        layout()->activate();
    Formularhoch = centralWidget()->height();
    Formularbreit = centralWidget()->width();
}

void TMainForm::checkScreenFrame() {
    if (!m_screenFramePending || !isVisible() || !windowHandle())
        return;
    // A window sized since by someone else keeps that size.
    if (size() != m_screenClientSize) {
        m_screenFramePending = false;
        return;
    }
    if (windowHandle()->frameMargins() != m_screenFrame)
        applyScreenSize();
}

int TMainForm::scrollMaximum(int planSize, int viewSize) const {
    // Positions are whole cells; the last position must still show the plan's last column.
    const int rest = planSize - viewSize;
    if (rest <= 0)
        return 0;
    return (rest + CellSize - 1) / CellSize * CellSize;
}

void TMainForm::FormResize() {
    if (m_destroyed)
        return;
    const int W = centralWidget()->width();
    const int H = centralWidget()->height();
    const int S = StatusBar1->height();

    int quarnWidth = Quarnbreite;
    HScrollBar->setGeometry(0, H - kBar - S, std::max(0, W - kBar), kBar);
    if (W < Quarnbreite) {
        HScrollBar->setEnabled(true);
        HScrollBar->show();
        quarnWidth = std::max(0, W - kBar - S);
    }

    VScrollBar->setGeometry(W - kBar, 1, kBar, std::max(0, H - Panelhoehe - kBar));
    StatusBar1->setGeometry(0, H - S, std::max(0, W), S);

    int quarnHeight = Quarnhoehe;
    if (H - Panelhoehe - kBar < Quarnhoehe) {
        VScrollBar->setEnabled(true);
        VScrollBar->show();
        quarnHeight = std::max(0, H - Panelhoehe - kBar - S);
    }

    Quarn->setGeometry(1, 1, quarnWidth, quarnHeight);
    // After the view's size: a smaller maximum moves the view back inside the plan.
    HScrollBar->setMaximum(scrollMaximum(Quarnbreite, quarnWidth));
    VScrollBar->setMaximum(scrollMaximum(Quarnhoehe, quarnHeight));

    Design_Panel->move(1, H - Design_Panel->height() - S - kBar);

    const int panelWidth = W < 620 ? W : 620;
    for (QFrame* panel : {Regler_panel, Decod_panel})
        panel->setGeometry(panel->x(), H - 113 - kBar - S, std::max(0, panelWidth), 113);

    struct Place {
        QWidget* widget;
        int top;
        int left;
    };
    const Place places[] = {
        {Index_label, 5, 10},      {Posindex_dbtext, 24, 10},
        {Decod_label, 5, 150},     {Daten_label, 5, 250},
        {Protokoll_label, 5, 350}, {Image1, 24, 90},
        {Image2, 54, 90},          {Image3, 84, 90},
        {Decod_edit1, 27, 150},    {Decod_edit2, 57, 150},
        {Decod_edit3, 87, 150},    {Daten_Edit1, 27, 250},
        {Daten_Edit2, 57, 250},    {Daten_Edit3, 87, 250},
        {Proto_CB, 27, 350},       {Speichern_button, 87, 350},
    };
    for (const Place& p : places)
        p.widget->move(p.left, p.top);

    ProgressBar1->setGeometry(Screen_x / 2 - 150, Quarn->height() - 50, 300, ProgressBar1->height());
    Prozent_label->move(Screen_x / 2 - Prozent_label->width() / 2,
                        ProgressBar1->height() + Quarn->height() + 5);

    PageControl1->setGeometry(5, H - 113 - S - HScrollBar->height(), 580, 113);
}

void TMainForm::refreshPlanView() {
    PaintBoxImage& view = Quarn->view();
    view.fill(colorFromTColor(Grau));
    const QImage& plan = *Quarn_bitmap;
    const int w = std::min(view.width(), plan.width() - Hpos_alt);
    const int h = std::min(view.height(), plan.height() - Vpos_alt);
    Dest_rect = TRect{0, 0, std::max(0, w), std::max(0, h)};
    Source_rect = TRect{Hpos_alt, Vpos_alt, Hpos_alt + Dest_rect.right, Vpos_alt + Dest_rect.bottom};
    view.copyFrom(plan, Source_rect, Dest_rect);
    view.changed(view.rect());
}

void TMainForm::QuarnPaint() {
    if (m_destroyed || !Quarn_bitmap)
        return;
    refreshPlanView();
}

void TMainForm::snapScrollBar(QScrollBar* bar) {
    // setValue runs the change handler again with the snapped position.
    bar->setValue(bar->value() / CellSize * CellSize);
}

void TMainForm::HScrollBarChange() {
    if (m_destroyed || !Quarn_bitmap)
        return;
    if (HScrollBar->value() % CellSize != 0) {
        snapScrollBar(HScrollBar);
        return;
    }
    Hpos_alt = HScrollBar->value();
    refreshPlanView();
}

void TMainForm::VScrollBarChange() {
    if (m_destroyed || !Quarn_bitmap)
        return;
    if (VScrollBar->value() % CellSize != 0) {
        snapScrollBar(VScrollBar);
        return;
    }
    Vpos_alt = VScrollBar->value();
    refreshPlanView();
}

std::optional<QRect> TMainForm::labelBox(long long x, long long y, QSize text, QSize image) {
    // Plan files may place a label at any integer: the box is reckoned in 64 bits and only one that
    // reaches into the image, and so has small coordinates, is made a QRect.
    if (x >= image.width() || y >= image.height() || x + text.width() <= 0 || y + text.height() <= 0)
        return std::nullopt;
    return QRect(static_cast<int>(x), static_cast<int>(y), text.width(), text.height());
}

bool TMainForm::writeQuarnText(TTextEntry& label) {
    const QString text = fromCp1252(label.TextInfo);
    const ColoredFont font = label.TextFont ? *label.TextFont : LabelFont ? *LabelFont : ColoredFont();
    const QFontMetrics metrics(font);
    const QSize size(metrics.horizontalAdvance(text), metrics.height());

    auto draw = [&](QImage& image, long long x, long long y) -> std::optional<QRect> {
        const std::optional<QRect> box = labelBox(x, y, size, image.size());
        if (!box)
            return std::nullopt;
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(colorFromTColor(font.Color));
        // Labels are written opaque: the text's box covers what lay beneath.
        painter.fillRect(*box, Qt::white);
        painter.drawText(*box, Qt::AlignLeft | Qt::AlignTop, text);
        return box;
    };
    if (Quarn_bitmap)
        draw(*Quarn_bitmap, label.XText, label.YText);
    PaintBoxImage& view = Quarn->view();
    const std::optional<QRect> shown = draw(view.image(), static_cast<long long>(label.XText) - Hpos_alt,
                                            static_cast<long long>(label.YText) - Vpos_alt);
    if (shown)
        view.changed(TRect{shown->left(), shown->top(), shown->left() + shown->width(),
                           shown->top() + shown->height()});
    return true;
}

void TMainForm::showDecoderPanel(const DecoderPanelData& panel) {
    Index_label->setText(QString::number(panel.compId));
    QLineEdit* decod[3] = {Decod_edit1, Decod_edit2, Decod_edit3};
    UpDown* daten[3] = {UpDoDaten1, UpDoDaten2, UpDoDaten3};
    QLabel* images[3] = {Image1, Image2, Image3};
    for (std::size_t i = 0; i < 3; ++i) {
        decod[i]->setText(QString::number(panel.decod[i]));
        // Through the up-down, which writes its edit unclamped.
        daten[i]->setPosition(panel.daten[i]);
        if (panel.images[i])
            images[i]->setPixmap(QPixmap::fromImage(*panel.images[i]));
    }
    if (panel.protoIndex >= 0 && panel.protoIndex < Proto_CB->count())
        Proto_CB->setCurrentIndex(panel.protoIndex);
}

// ---------------------------------------------------------------------------------------------
// Screen menu

void TMainForm::chooseScreen(QAction* item, int w, int h) {
    Screen_x = w;
    Screen_y = h;
    for (QAction* size : {automatisch1, N640mal480, N800mal600, N1024mal768})
        size->setChecked(size == item);
    setscreen(Screen_x, Screen_y);
}

void TMainForm::automatisch1Click() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->size() : QSize(Screen_x, Screen_y);
    chooseScreen(automatisch1, size.width(), size.height());
}

void TMainForm::N640mal480Click() {
    chooseScreen(N640mal480, 640, 480);
}

void TMainForm::N800mal600Click() {
    chooseScreen(N800mal600, 800, 600);
}

void TMainForm::N1024mal768Click() {
    chooseScreen(N1024mal768, 1024, 768);
}

void TMainForm::setupScrollBar(int Regler) {
    if (ThrottleControls* throttles = throttleControls())
        throttles->setupScrollBar(Regler);
}

void TMainForm::setall_lokostop() {
    if (ThrottleControls* throttles = throttleControls())
        throttles->setall_lokostop();
}
