#include "engine/initunit.h"

#include <mutex>
#include <stdexcept>

#include "engine/Bahncalcunit.h"
#include "engine/Fahrunit.h"
#include "engine/MainFormState.h"
#include "engine/Positionunit.h"
#include "engine/Rueckmeldeunit.h"
#include "engine/SRCP08unit.h"
#include "engine/elementunit.h"
#include "engine/lokunit.h"
#include "platform/DialogService.h"
#include "texts/langunit.h"

C_Init* Init = nullptr;

namespace {

JoystickLifecycleFn joystickCreate = nullptr;
JoystickLifecycleFn joystickRelease = nullptr;

template <typename T> void freeAndClear(T*& holder) {
    T* object = holder;
    holder = nullptr;
    delete object;
}

} // namespace

void setJoystickLifecycle(JoystickLifecycleFn create, JoystickLifecycleFn release) {
    joystickCreate = create;
    joystickRelease = release;
}

C_Init::C_Init() {
    try {
        if (!MainForm)
            throw std::logic_error("no main window");
        TMainFormState& f = *MainForm;
        f.Lock_socket = std::make_unique<std::mutex>();
        Rueckmodul = new C_rueckmodul;
        Fahr = new C_fahr;
        Bahn = new Cbahn;
        f.Textliste = std::make_unique<TTextList>();
        f.Movelist = std::make_unique<TMoveList>();
        Lang = new C_language;
        f.Quarn_bitmap = std::make_unique<QImage>();
        f.Design_Panel_bitmap = std::make_unique<QImage>();
        f.Cache = std::make_unique<QImage>();
        f.Rueck_cache = std::make_unique<QImage>();
        f.Undo = std::make_unique<QImage>();
        Element = new C_Element;
        Lok = new TLok;
        Postable = new C_Position;
        if (joystickCreate)
            joystickCreate();
        SRCP08 = new C_SRCP08;
        m_ok = true;
    } catch (...) {
        dialogs().plainMessage("An error occured during memory allocation. Please terminate program");
    }
}

C_Init::~C_Init() {
    if (Bahn) {
        Bahn->EmptyQuarnlist();
        Bahn->EmptyTextlist();
        Bahn->EmptyMovelist();
    }
    if (MainForm) {
        TMainFormState& f = *MainForm;
        f.Quarn_bitmap.reset();
        f.Design_Panel_bitmap.reset();
        f.Cache.reset();
        f.Rueck_cache.reset();
        f.Undo.reset();
        f.Lock_socket.reset();
        f.Textliste.reset();
        f.Movelist.reset();
    }
    freeAndClear(Rueckmodul);
    freeAndClear(Fahr);
    freeAndClear(Bahn);
    freeAndClear(Lang);
    if (MainForm)
        MainForm->LabelFont.reset();
    freeAndClear(Lok);
    freeAndClear(Element);
    freeAndClear(Postable);
    if (joystickRelease)
        joystickRelease();
    freeAndClear(SRCP08);
}
