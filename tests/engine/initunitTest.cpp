#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "FakeMainForm.h"
#include "engine/Bahncalcunit.h"
#include "engine/Fahrunit.h"
#include "engine/Positionunit.h"
#include "engine/Rueckmeldeunit.h"
#include "engine/SRCP08unit.h"
#include "engine/elementunit.h"
#include "engine/initunit.h"
#include "engine/lokunit.h"
#include "srcp/MoBaProtocols.h"
#include "support/RecordingDialogs.h"
#include "texts/langunit.h"

namespace {

const char* const AllocationMessage = "An error occured during memory allocation. Please terminate program";

// Which holders are set, in the order the global object set creates them.
std::vector<std::string> setHolders() {
    std::vector<std::string> out;
    const auto add = [&out](const char* name, bool set) {
        if (set)
            out.push_back(name);
    };
    TMainFormState* f = MainForm;
    add("Lock_socket", f && f->Lock_socket);
    add("Rueckmodul", Rueckmodul);
    add("Fahr", Fahr);
    add("Bahn", Bahn);
    add("Textliste", f && f->Textliste);
    add("Movelist", f && f->Movelist);
    add("Lang", Lang);
    add("Quarn_bitmap", f && f->Quarn_bitmap);
    add("Design_Panel_bitmap", f && f->Design_Panel_bitmap);
    add("Cache", f && f->Cache);
    add("Rueck_cache", f && f->Rueck_cache);
    add("Undo", f && f->Undo);
    add("Element", Element);
    add("Lok", Lok);
    add("Postable", Postable);
    add("SRCP08", SRCP08);
    add("LabelFont", f && f->LabelFont);
    return out;
}

const std::vector<std::string> AllButLast = {
    "Lock_socket",  "Rueckmodul",          "Fahr",  "Bahn",        "Textliste", "Movelist", "Lang",
    "Quarn_bitmap", "Design_Panel_bitmap", "Cache", "Rueck_cache", "Undo",      "Element",  "Lok",
    "Postable"};

std::vector<std::string> seenAtJoystickCreate;
std::vector<std::string> seenAtJoystickRelease;
bool failJoystick = false;

void recordCreate() {
    seenAtJoystickCreate = setHolders();
    if (failJoystick)
        throw std::bad_alloc();
}

void recordRelease() {
    seenAtJoystickRelease = setHolders();
}

class GlobalObjects : public ::testing::Test {
protected:
    void SetUp() override {
        seenAtJoystickCreate.clear();
        seenAtJoystickRelease.clear();
        failJoystick = false;
        setJoystickLifecycle(recordCreate, recordRelease);
    }
    void TearDown() override { setJoystickLifecycle(nullptr, nullptr); }

    RecordingDialogs dialogs;
    FakeMainForm form;
};

TEST_F(GlobalObjects, CreatesInOrderAndFreesEverything) {
    auto init = std::make_unique<C_Init>();
    EXPECT_TRUE(init->ok());
    EXPECT_TRUE(dialogs.calls().empty());
    EXPECT_EQ(seenAtJoystickCreate, AllButLast) << "the joystick comes after the plan table";
    std::vector<std::string> all = AllButLast;
    all.push_back("SRCP08");
    EXPECT_EQ(setHolders(), all);

    // Filled lists are emptied at the end (the sanitizer sees anything left over).
    auto e = std::make_unique<tPosEntry>();
    tPosEntry* placed = e.get();
    Postable->addEntry(std::move(e));
    form.Movelist->push_back(placed);
    form.Textliste->push_back(std::make_unique<TTextEntry>());
    form.Textliste->back()->TextFont = std::make_unique<ColoredFont>();
    Fahr->Fahrlist.push_back(std::make_unique<C_fahrelement>());
    form.LabelFont = std::make_unique<ColoredFont>();

    init.reset();
    // At the joystick's release everything before it in the freeing order is gone.
    EXPECT_EQ(seenAtJoystickRelease, std::vector<std::string>{"SRCP08"});
    EXPECT_TRUE(setHolders().empty());
}

TEST_F(GlobalObjects, AFailedStepShowsTheMessageAndLeavesTheRestUnset) {
    failJoystick = true;
    auto init = std::make_unique<C_Init>();
    EXPECT_FALSE(init->ok());
    ASSERT_EQ(dialogs.calls().size(), 1u);
    EXPECT_EQ(dialogs.calls()[0], (RecordingDialogs::Call{RecordingDialogs::Kind::Plain, "",
                                                          AllocationMessage, MessageIcon::None}));
    EXPECT_EQ(setHolders(), AllButLast);
    init.reset();
    EXPECT_TRUE(setHolders().empty());
}

TEST_F(GlobalObjects, WithoutAMainWindowNothingIsCreatedAndFreeingTwiceDoesNothing) {
    MainForm = nullptr;
    auto init = std::make_unique<C_Init>();
    EXPECT_FALSE(init->ok());
    EXPECT_EQ(dialogs.calls().size(), 1u);
    EXPECT_TRUE(setHolders().empty());
    EXPECT_TRUE(seenAtJoystickCreate.empty());
    init.reset();
    init.reset();
    MainForm = &form;
    EXPECT_TRUE(setHolders().empty());
    // A set that was freed can be freed again as a new, empty set.
    { C_Init second; }
    { C_Init third; }
    EXPECT_TRUE(setHolders().empty());
}

TEST_F(GlobalObjects, WithoutAJoystickBackEndNoJoystickStepRuns) {
    setJoystickLifecycle(nullptr, nullptr);
    C_Init init;
    EXPECT_TRUE(init.ok());
    EXPECT_TRUE(seenAtJoystickCreate.empty());
    EXPECT_NE(SRCP08, nullptr);
}

TEST(LocoProtocolTables, AdapterHoldsTheElevenBuiltInDescriptions) {
    // name, family, highest address, extension, bus, max steps, max functions
    const char* const motorola[] = {"Old Motorola 4 80 1 1 14 1", "New Motorola (M2) 4 80 2 1 14 5",
                                    "Extended Motorola 1 (M3) 4 255 2 1 28 5",
                                    "Extended Motorola 2 (M4) 4 255 2 1 14 5",
                                    "Extended Motorola 3 (M5) 4 80 2 1 27 5"};
    const char* const nmra[] = {
        "NMRA Base (NB) 5 99 1 2 14 0",          "Extended NMRA 1 (N1a) 5 99 1 2 14 9",
        "Extended NMRA 1 (N1b) 5 99 1 2 28 5",   "Extended NMRA 2 (N2) 5 99 1 2 128 5",
        "Extended NMRA 3 (N3) 5 10239 2 3 28 5", "Extended NMRA 4 (N4) 5 10239 2 3 128 5"};
    const auto describe = [](const TMoBaLocoProtocol* p) {
        if (!p)
            return std::string("none");
        EXPECT_EQ(p->Description, "");
        EXPECT_EQ(p->MinSteps, 0);
        EXPECT_EQ(p->Groups.count(), 1u);
        int bus = 0;
        while (bus < 255 && !p->Groups.test(static_cast<std::size_t>(bus)))
            ++bus;
        std::string out = p->Name;
        for (int v :
             {int(p->ProtocolBase), p->MaxAddress, p->ProtocolExtension, bus, p->MaxSteps, p->MaxFunctions})
            out.append(" ").append(std::to_string(v));
        return out;
    };
    C_SRCP08 adapter;
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(describe(adapter.MMpr[i]), i < 5 ? motorola[i] : "none");
        EXPECT_EQ(describe(adapter.NMRADCCpr[i]), nmra[i]);
    }
}

} // namespace
