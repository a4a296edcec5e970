#include "engine/Bahncalcunit.h"

#include <algorithm>
#include <cstdio>

#include <QPainter>

#include "engine/BahnOutput.h"
#include "engine/IconCache.h"
#include "engine/MainFormState.h"
#include "engine/Positionunit.h"
#include "engine/elementunit.h"
#include "platform/qt/Colors.h"
#include "platform/qt/PaintBoxImage.h"

namespace {

// A plan file may place an element anywhere up to the largest int; such a cell lies far off every
// image, and its corners must not overflow on the way there.
int offImageSafe(long long coordinate) {
    constexpr long long Limit = 1LL << 30;
    return static_cast<int>(std::clamp(coordinate, -Limit, Limit));
}

// Fills the 27 x 27 corner of a scratch bitmap with one colour.
void clearCell(QImage* bitmap, TColor color) {
    if (!bitmap || bitmap->isNull())
        return;
    QPainter painter(bitmap);
    painter.fillRect(0, 0, CellSize, CellSize, colorFromTColor(color));
}

} // namespace

std::string Cbahn::iconFileName(int kind, int state) {
    if (state < 1)
        state = 1;
    // Any state without an icon gets no suffix: the name has no extension and names no bitmap.
    const bool named = (state >= 1 && state <= 3) || (state >= 11 && state <= 13);
    char name[48];
    if (named)
        std::snprintf(name, sizeof name, "Icon%02d%02d.bmp", kind, state);
    else
        std::snprintf(name, sizeof name, "Icon%02d", kind);
    return name;
}

void Cbahn::drawIcon(const QImage& icon, int X1wert, int Y1wert, bool onBitmap) {
    TMainFormState& f = form();
    if (f.Cache)
        *f.Cache = icon;
    const int x = offImageSafe(X1wert), y = offImageSafe(Y1wert);
    const int viewX = offImageSafe(static_cast<long long>(X1wert) - f.Hpos_alt);
    const int viewY = offImageSafe(static_cast<long long>(Y1wert) - f.Vpos_alt);
    f.Source_rect = TRect{0, 0, CellSize, CellSize};
    f.Dest_rect = TRect{viewX, viewY, viewX + CellSize, viewY + CellSize};
    f.paintBoxImage(PaintBox::Quarn).copyFrom(icon, f.Source_rect, f.Dest_rect);
    if (!onBitmap)
        return;
    f.Dest_rect = TRect{x, y, x + CellSize, y + CellSize};
    if (f.Quarn_bitmap)
        copyRect(*f.Quarn_bitmap, f.Dest_rect, icon, f.Source_rect);
}

void Cbahn::changeicon(int Compstellung, int X1wert, int Y1wert, int Compnr) {
    if (!isCatalogueKind(Compnr))
        return;
    const QImage icon = iconCache().load(getDataPath() + iconFileName(Compnr, Compstellung));
    drawIcon(icon, X1wert, Y1wert, true);
}

void Cbahn::change_2_icon(int Compstellung, int X1wert, int Y1wert, int Compnr) {
    if (!isCatalogueKind(Compnr))
        return;
    if (Compstellung > 13)
        Compstellung = 1;
    const std::string name = iconFileName(Compnr, Compstellung);
    TMainFormState& f = form();
    if (f.Debug)
        f.debugLine("IconName :" + name);
    try {
        const QImage icon = iconCache().load(getDataPath() + name);
        drawIcon(icon, X1wert, Y1wert, false);
    } catch (const std::exception&) {
        f.showerror("Das benötigte Icon konnte nicht geladen werden");
    }
}

int Cbahn::compsuchen(int Pp_x, int Pp_y) const {
    if (!Element)
        return 0;
    int kind = 0;
    for (int i = 0; i < NROFELEMENTS; ++i)
        if (Element->get_posx(i) == Pp_x && Element->get_posy(i) == Pp_y)
            kind = Element->get_nummer(i);
    return kind;
}

void Cbahn::decodpaneldarstellen(int El_nr, int Fposx, int Fposy) {
    // Kind 22 has no addresses to show; kinds outside the catalogue have no icons.
    if (El_nr == 22 || !isCatalogueKind(El_nr) || !Postable || !Element)
        return;
    const tPosEntry* e = Postable->getEntryByKor(Fposx, Fposy);
    if (!e)
        return;
    const int k = El_nr - 1;
    DecoderPanelData data;
    data.compId = e->CompID;
    data.decod = {e->Decod1, e->Decod2, e->Decod3};
    data.daten = {e->Daten1, e->Daten2, e->Daten3};
    data.protoIndex = isNmraProtocol(e->Protokoll) ? 1 : 0;
    const std::string dataPath = getDataPath();
    data.images[0] = iconCache().load(dataPath + Element->get_i01(k));
    if (Element->get_art(k) > 1)
        data.images[1] = iconCache().load(dataPath + Element->get_i02(k));
    if (Element->get_art(k) > 2)
        data.images[2] = iconCache().load(dataPath + Element->get_i03(k));
    form().showDecoderPanel(data);
}

void Cbahn::deletecache() {
    TMainFormState& f = form();
    clearCell(f.Cache.get(), f.Grau);
}

void Cbahn::deleteundo() {
    TMainFormState& f = form();
    clearCell(f.Undo.get(), f.Grau);
}

bool Cbahn::deletecompfromlist(int xMaus, int yMaus) {
    if (!Postable)
        return false;
    // The move list refers to plan entries without owning them; drop the one about to be freed.
    TMainFormState& f = form();
    if (f.Movelist) {
        for (const auto& entry : Postable->entries()) {
            if (entry->Posx == xMaus && entry->Posy == yMaus) {
                std::erase(*f.Movelist, entry.get());
                break;
            }
        }
    }
    return Postable->delEntry(xMaus, yMaus) == 0;
}

bool Cbahn::deletefromTextlist(int x, int y) {
    TMainFormState& f = form();
    if (!f.Textliste)
        return false;
    TTextList& list = *f.Textliste;
    for (auto it = list.begin(); it != list.end(); ++it) {
        if ((*it)->XText != x || (*it)->YText != y)
            continue;
        if (f.Movelabel == it->get())
            f.Movelabel = nullptr;
        list.erase(it);
        if (f.Debug)
            f.debugLine("Item removed form Textliste");
        return true;
    }
    return false;
}

void Cbahn::Quarnliste_eintragen(int Mausx, int Mausy, int Element_nr) {
    TMainFormState& f = form();
    if (!Postable)
        throw std::logic_error("the position table does not exist");
    auto entry = std::make_unique<tPosEntry>();
    Postable->initializeEntry(f.Anzahl, *entry);
    entry->Posx = Mausx;
    entry->Posy = Mausy;
    entry->Enummer = Element_nr;
    Postable->addEntry(std::move(entry));
    if (f.Debug)
        f.debugLine("Anzahl der Elemente in Quarnliste: " + std::to_string(Postable->getNumbofEntries()));
}

int Cbahn::poslistsuchen(int x, int y) const {
    const tPosEntry* e = Postable ? Postable->getEntryByKor(x, y) : nullptr;
    return e ? e->Enummer : 0;
}

int Cbahn::poslistsuchen2(int x, int y) const {
    const tPosEntry* e = Postable ? Postable->getEntryByKor(x, y) : nullptr;
    return e ? e->CompID : 0;
}

int Cbahn::sollkoord(int Xy_wert) {
    return Xy_wert / CellSize * CellSize;
}

void Cbahn::anzeigen(int /*Fs*/) {}
