// The "SRCP 0.80" transport below the window: the adapter and the command output over a client
// component connected to the fake SRCP 0.8.2 server in memory, asserted by the exact lines it sends.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FakeMainForm.h"
#include "engine/Bahncalcunit.h"
#include "engine/CommandOutput.h"
#include "engine/SRCP08unit.h"
#include "engine/Srcp080Output.h"
#include "engine/lokunit.h"
#include "srcp/MoBaLibrary.h"
#include "srcp/MoBaSRCP.h"
#include "support/FakeSrcpServer.h"
#include "support/RecordingDialogs.h"
#include "support/SrcpdBuses.h"
#include "support/TempDir.h"

namespace {

using Lines = std::vector<std::string>;
using Reply = FakeSrcpServer::Reply;
using Call = RecordingDialogs::Call;
using Kind = RecordingDialogs::Kind;

Call plain(const std::string& text) {
    return {Kind::Plain, "", text, MessageIcon::None};
}

struct SlotSetup {
    int slot;
    TMoBaProtocolBase base;
    int version, bus, address;
};

class Srcp080Transport : public ::testing::Test {
protected:
    void SetUp() override {
        MoBaLibraryInitialize(m_dir.path());
        createAccessoryProtocols();
        m_oldLok = Lok;
        Lok = &m_lok;
        // No slot is announced unless a test gives it a protocol.
        for (int i = 0; i < LOKMAX; ++i)
            m_lok.entry(i)->ProtType = mpbCustom;
        SRCP08 = &m_adapter;
        form.SrcpVer = 80;
        form.Debug = true;
    }
    void TearDown() override {
        m_client.reset();
        SRCP08 = nullptr;
        Lok = m_oldLok;
        freeAccessoryProtocols();
        MoBaLibraryFinalize();
    }

    // Connects SRCPCl2 to a server that describes these buses and reports these device states, and
    // waits until until() holds (by default: every bus is there).
    void connect(const std::vector<std::string>& buses, const Lines& states = {},
                 const std::function<bool()>& until = nullptr) {
        m_server.setBusDescriptions(buses);
        m_server.setDeviceStates(states);
        m_client = std::make_unique<TMoBaSRCPClient>(m_server.memoryTransport(), m_server.memoryTransport());
        m_client->SetDispatcher(&m_dispatcher);
        form.SRCPCl2 = m_client.get();
        forgetMissingBusReports();
        m_client->Connect();
        ASSERT_TRUE(m_client->Connected());
        ASSERT_TRUE(pumpUntil(
            [&] { return m_client->BusCount() == static_cast<int>(buses.size()) && (!until || until()); }));
        sent();
        form.debugLines.clear();
    }

    bool pumpUntil(const std::function<bool()>& pred) {
        return m_dispatcher.pumpUntil(pred, FakeSrcpServer::Patience);
    }

    // The command lines sent since the last call. A command returns once the server has replied, so
    // what a call sent is all there when it returns.
    Lines sent() { return m_server.newCommandLines(); }

    void setSlot(const SlotSetup& s) {
        tLokEntry& e = *m_lok.entry(s.slot);
        e.ProtType = s.base;
        e.Protversion = s.version;
        e.SRCPBusnr = s.bus;
        e.Addr = s.address;
    }

    TMoBaSRCPBus* bus(int index) const { return m_client->Busses(index); }

    TempDir m_dir;
    FakeMainForm form;
    RecordingDialogs m_dialogs;
    FakeSrcpServer m_server;
    ManualDispatcher m_dispatcher;
    std::unique_ptr<TMoBaSRCPClient> m_client;
    TLok m_lok;
    TLok* m_oldLok = nullptr;
    C_SRCP08 m_adapter;
    Cbahn m_bahn;
};

TEST_F(Srcp080Transport, AccessoriesAreAnnouncedWhenNewAndSwitchedWithTheSolenoidTime) {
    struct Case {
        const char* protocol;
        int decoder, output, solTime;
        Lines lines;
    };
    const Case cases[] = {
        // Known to bus list entry 5 or 6: changed only.
        {"M", 2, 3, 250, {"SET 5 GA 10 0 1 250"}},
        {"m", 2, 4, 400, {"SET 5 GA 10 1 1 400"}},
        {"N", 1, 1, 250, {"SET 6 GA 5 0 1 250"}},
        // New: announced and set, then set once more.
        {"M", 3, 1, 250, {"INIT 5 GA 13 M", "SET 5 GA 13 0 1 250", "SET 5 GA 13 0 1 250"}},
        // Any text but "M" and "m" is NMRA here, and the decoder number is not checked.
        {"", 1, 3, 100, {"INIT 6 GA 6 N", "SET 6 GA 6 0 1 100", "SET 6 GA 6 0 1 100"}},
        {"x", 0, 1, 250, {"INIT 6 GA 1 N", "SET 6 GA 1 0 1 250", "SET 6 GA 1 0 1 250"}},
        // The last addresses of the two protocols, and the first ones past them.
        {"M", 63, 8, 250, {"INIT 5 GA 256 M", "SET 5 GA 256 1 1 250", "SET 5 GA 256 1 1 250"}},
        {"M", 64, 1, 250, {}},
        {"N", 1023, 8, 250, {"INIT 6 GA 4096 N", "SET 6 GA 4096 1 1 250", "SET 6 GA 4096 1 1 250"}},
        {"N", 1024, 1, 250, {}},
        {"N", -1, 2, 250, {}},
        {"M", 2147483647, 8, 250, {}},
        // Outputs outside 1..8 have no address at all.
        {"M", 1, 9, 250, {}},
    };
    connect(NineBuses, {"1000.000 100 INFO 5 GA 10 0 0", "1000.000 100 INFO 6 GA 5 1 0"},
            [&] { return bus(6)->GAs()->Solenoids(5) != nullptr; });
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.protocol) + " " + std::to_string(c.decoder) + "/" +
                     std::to_string(c.output));
        form.SolTime = c.solTime;
        form.debugLines.clear();
        m_bahn.ga_out(c.protocol, c.decoder, c.output);
        EXPECT_EQ(sent(), c.lines);
        EXPECT_TRUE(m_dialogs.calls().empty());
        // An address the protocol does not have is not moved to one it has: a debug line says so.
        const bool outside = c.lines.empty() && c.output >= 1 && c.output <= 8;
        EXPECT_EQ(form.debugLines.size(), outside ? 1u : 0u);
    }
}

TEST_F(Srcp080Transport, TheFirstLocoCommandAnnouncesTheLocoTableThenOnlyTheSlotIsSent) {
    const SlotSetup setups[] = {
        {0, mpbMotorola, 2, 1, 3},   // known to the server
        {1, mpbNMRA, 3, 2, 3},       // announced: slot 0's address, but another bus
        {2, mpbCustom, 1, 1, 20},    // no protocol base of ours: left alone
        {3, mpbMotorola, 6, 1, 21},  // the empty sixth Motorola entry
        {4, mpbNMRA, 0, 1, 22},      // versions outside the tables
        {5, mpbNMRA, 7, 1, 23},      //
        {6, mpbMotorola, 1, 1, 81},  // past the 80 addresses of "Old Motorola"
        {7, mpbMotorola, 1, 3, 80},  // its last address
        {8, mpbNMRA, 5, 9, 30},      // a bus list entry that does not exist
        {9, mpbMotorola, 2, -1, 31}, // nor does a negative one
    };
    for (const SlotSetup& s : setups)
        setSlot(s);
    tLokEntry& first = *m_lok.entry(0);
    first.Direction = 1;
    first.Speed = 50;
    first.Speed_max = 100;
    first.F[0] = 11;
    first.F[2] = 12;
    first.F[3] = 10; // only above 10 is on
    // A loco announced for another slot's command stands, whatever its slot holds.
    tLokEntry& announced = *m_lok.entry(1);
    announced.Direction = 1;
    announced.Speed = 50;
    announced.F[0] = 11;
    // As a server tells a new info session: the loco's INIT, then its state.
    connect(NineBuses, {"1000.000 101 INFO 1 GL 3 M 2 14 5", "1000.000 100 INFO 1 GL 3 0 0 100 0 0 0 0 0"},
            [&] { return bus(1)->GLs()->Locos(3) != nullptr; });

    m_bahn.gl_out(0);
    EXPECT_EQ(sent(), (Lines{"INIT 2 GL 3 N 1 28 5", "SET 2 GL 3 1 0 100 0 0 0 0 0", "INIT 3 GL 80 M 1 14 1",
                             "SET 3 GL 80 1 0 100 0", "SET 1 GL 3 1 50 100 1 0 1 0 0"}));
    EXPECT_TRUE(form.LocoData_sent);
    EXPECT_TRUE(m_dialogs.calls().empty());
    // Each slot left out says why.
    EXPECT_EQ(form.debugLines.size(), 6u);

    // Later commands send the slot only (at the protocol's 14 steps, 25 % is step 4 of 14, 29 %); a
    // slot that the server has not reported sends nothing.
    first.Direction = 0;
    first.Speed = 25;
    m_bahn.gl_out(0);
    EXPECT_EQ(sent(), (Lines{"SET 1 GL 3 0 29 100 1 0 1 0 0"}));
    m_bahn.gl_out(1);
    EXPECT_EQ(sent(), Lines{});

    // Two slots with the same address send the same loco, each with its own values.
    setSlot({9, mpbMotorola, 2, 1, 3});
    m_lok.entry(9)->Direction = 1;
    m_lok.entry(9)->Speed = 50;
    m_bahn.gl_out(9);
    EXPECT_EQ(sent(), (Lines{"SET 1 GL 3 1 50 100 0 0 0 0 0"}));

    // The next connection announces again. The server has restarted and knows no loco; the slots
    // keep what they held. A click on throttle 1's F0 announces its loco with throttle 1's state;
    // loco 2 stands although its slot still holds speed 50, and slot 9, on throttle 1's loco, is
    // left to throttle 1.
    m_client->Disconnect();
    form.LocoData_sent = false;
    connect(NineBuses);
    first.F[0] = 1;
    m_bahn.gl_out(0);
    EXPECT_EQ(sent(),
              (Lines{"INIT 1 GL 3 M 2 14 5", "SET 1 GL 3 0 29 100 0 0 1 0 0", "INIT 2 GL 3 N 1 28 5",
                     "SET 2 GL 3 1 0 100 0 0 0 0 0", "INIT 3 GL 80 M 1 14 1", "SET 3 GL 80 1 0 100 0"}));
    EXPECT_TRUE(form.LocoData_sent);
    EXPECT_TRUE(m_dialogs.calls().empty());
}

TEST_F(Srcp080Transport, SetlocoSetsTheMaximumBeforeTheSpeedAndReadsNoFunctionPastTheSlot) {
    // A loco of the server's with 40 functions, the last seven on.
    std::string report = "1001.000 100 INFO 1 GL 4 1 0 100";
    std::string expectedFunctions;
    for (int f = 0; f < 40; ++f) {
        report += f >= 33 ? " 1" : " 0";
        // The slot's F32 is on and F0..F31 off; 33..39 stay as the server reported them.
        expectedFunctions += f >= 32 ? " 1" : " 0";
    }
    setSlot({0, mpbMotorola, 3, 1, 4});
    tLokEntry& slot = *m_lok.entry(0);
    slot.Direction = 1;
    slot.Speed = 40;
    slot.Speed_max = 40;
    slot.F[32] = 11;
    connect(NineBuses, {"1000.000 101 INFO 1 GL 4 M 2 14 40", report},
            [&] { return bus(1)->GLs()->Locos(4) && bus(1)->GLs()->Locos(4)->Functions(39) == 1; });
    form.LocoData_sent = true;

    m_bahn.gl_out(0);
    // In the other order the step would be taken against the reported maximum of 100: speed 16.
    EXPECT_EQ(sent(), Lines{"SET 1 GL 4 1 40 40" + expectedFunctions});
}

TEST_F(Srcp080Transport, PowerSwitchesBusListEntryOne) {
    struct Case {
        int state;
        Lines lines;
    };
    const Case cases[] = {{0, {"SET 1 POWER OFF"}},
                          {1, {"SET 1 POWER ON"}},
                          {7, {"SET 1 POWER ON"}},
                          {-1, {"SET 1 POWER OFF"}}};
    connect(NineBuses);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        EXPECT_TRUE(m_adapter.setpower(c.state));
        EXPECT_EQ(sent(), c.lines);
    }
    // Through the command output, which tells the window there is nothing to add.
    Srcp080Output output;
    EXPECT_EQ(output.setPower(true), CommandResult::Sent);
    EXPECT_EQ(sent(), Lines{"SET 1 POWER ON"});
    EXPECT_TRUE(m_dialogs.calls().empty());

    m_client->Disconnect();
    sent();
    EXPECT_FALSE(m_adapter.setpower(1));
    EXPECT_EQ(output.setPower(false), CommandResult::Dropped);
    EXPECT_EQ(sent(), Lines{});
    EXPECT_EQ(m_dialogs.calls(),
              (std::vector<Call>{plain("not connected to server"), plain("not connected to server")}));
}

TEST_F(Srcp080Transport, RefusedAnnouncementsSaySoInAPlainBox) {
    struct Case {
        const char* name;
        const char* refused; // a prefix of the command the server answers with an error
        std::function<void(Cbahn&)> command;
        Lines lines;
        std::vector<Call> boxes;
    };
    const Case cases[] = {
        {"loco",
         "SET 2 GL 10",
         [](Cbahn& b) { b.gl_out(1); },
         Lines{"INIT 2 GL 10 N 1 28 5", "SET 2 GL 10 0 0 100 0 0 0 0 0"},
         {plain("Loco data could not sent do server")}},
        // The state goes out once more after the refused announcement.
        {"accessory",
         "SET 5 GA 9",
         [](Cbahn& b) { b.ga_out("M", 2, 1); },
         Lines{"INIT 5 GA 9 M", "SET 5 GA 9 0 1 250", "SET 5 GA 9 0 1 250"},
         {plain("Solenoid data are not sent to server")}},
        // A refused power command is no announcement: nothing to show.
        {"power", "SET 1 POWER", [](Cbahn&) { SRCP08->setpower(1); }, Lines{"SET 1 POWER ON"}, {}},
    };
    setSlot({1, mpbNMRA, 3, 2, 10});
    for (const Case& c : cases)
        m_server.addPrefixRule(c.refused, Reply::send("1000.000 412 ERROR wrong value"));
    connect(NineBuses);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_dialogs.clear();
        c.command(m_bahn);
        EXPECT_EQ(sent(), c.lines);
        EXPECT_EQ(m_dialogs.calls(), c.boxes);
    }
}

// Bus list entries are positions in the server's descriptions; a server with fewer buses than the
// program expects gets nothing for the commands that need a missing entry, nothing is raised, and
// the user is told: each kind in a box, a repeat in status panel 1.
TEST_F(Srcp080Transport, ShortBusListsSendNothingForTheMissingEntries) {
    struct Case {
        std::size_t buses;
        Lines lines; // power on, Motorola accessory, NMRA accessory, feedback start, loco on entry 3
        std::vector<Call> boxes;
        std::string panel;
    };
    const auto box = [](const char* what, int position, const char* buses) {
        return Call{Kind::Message, "", missingEntry(what, position, buses), MessageIcon::Stop};
    };
    const Case cases[] = {
        {1,
         {},
         {box("Power command", 1, "1 bus"), box("Accessory command", 5, "1 bus"),
          box("Feedback start", 8, "1 bus"), box("Loco command", 3, "1 bus")},
         missingEntry("Accessory command", 6, "1 bus")},
        {2,
         {"SET 1 POWER ON"},
         {box("Accessory command", 5, "2 buses"), box("Feedback start", 8, "2 buses"),
          box("Loco command", 3, "2 buses")},
         missingEntry("Accessory command", 6, "2 buses")},
        {4,
         {"SET 1 POWER ON", "SET 3 GL 5 1 0 100 0"},
         {box("Accessory command", 5, "4 buses"), box("Feedback start", 8, "4 buses")},
         missingEntry("Accessory command", 6, "4 buses")},
        {6,
         {"SET 1 POWER ON", "SET 5 GA 5 0 1 250", "SET 3 GL 5 1 0 100 0"},
         {box("Accessory command", 6, "6 buses"), box("Feedback start", 8, "6 buses")},
         ""},
        {7,
         {"SET 1 POWER ON", "SET 5 GA 5 0 1 250", "SET 6 GA 5 0 1 250", "SET 3 GL 5 1 0 100 0"},
         {box("Feedback start", 8, "7 buses")},
         ""},
        {9,
         {"SET 1 POWER ON", "SET 5 GA 5 0 1 250", "SET 6 GA 5 0 1 250", "INIT 8 FB S88 LPT1 4",
          "SET 3 GL 5 1 0 100 0"},
         {},
         ""},
    };
    setSlot({0, mpbMotorola, 1, 3, 5});
    m_lok.entry(0)->Direction = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.buses);
        const std::vector<std::string> buses(NineBuses.begin(),
                                             NineBuses.begin() + static_cast<long>(c.buses));
        // Every device is known, so that each command is one line.
        const Lines states = {"1000.000 100 INFO 5 GA 5 0 0", "1000.000 100 INFO 6 GA 5 0 0",
                              "1000.000 101 INFO 3 GL 5 M 1 14 1", "1000.000 100 INFO 3 GL 5 1 0 100 0"};
        connect(buses, states, [&] {
            return (c.buses < 4 || bus(3)->GLs()->Locos(5)) && (c.buses < 6 || bus(5)->GAs()->Solenoids(5)) &&
                   (c.buses < 7 || bus(6)->GAs()->Solenoids(5));
        });
        // The loco's first command: its announcement and its state need the same entry, and the user
        // hears of it once.
        form.LocoData_sent = false;
        form.panels.clear();
        m_dialogs.clear();
        Srcp080Output output;
        EXPECT_EQ(output.setPower(true), c.buses >= 2 ? CommandResult::Sent : CommandResult::Dropped);
        m_bahn.ga_out("M", 1, 1);
        m_bahn.ga_out("N", 1, 1);
        EXPECT_EQ(output.startFeedback(), c.buses >= 9 ? CommandResult::Sent : CommandResult::Dropped);
        output.stopFeedback();
        EXPECT_EQ(output.feedbackState(1, 1), c.buses >= 9 ? std::optional<int>(0) : std::nullopt);
        m_bahn.gl_out(0);
        Lines lines = sent();
        // Stopping sends TERM only where starting worked.
        if (c.buses >= 9) {
            ASSERT_EQ(lines.size(), c.lines.size() + 1);
            EXPECT_EQ(lines[4], "TERM 8 FB");
            lines.erase(lines.begin() + 4);
        }
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(m_dialogs.calls(), c.boxes);
        EXPECT_EQ(form.panels[1], c.panel);
        m_client->Disconnect();
        sent();
    }
}

// After its box, a kind's drop is told in status panel 1 once, until a command of that kind finds
// its entry again.
TEST_F(Srcp080Transport, ARepeatedDropIsToldOnceUntilItsKindIsSentAgain) {
    struct Step {
        const char* protocol; // "N" needs entry 6, which is missing; "M" is sent to entry 5
        bool panel;
    };
    const Step steps[] = {{"N", false}, {"N", true}, {"N", false}, {"M", false}, {"N", true}};
    connect(Lines(NineBuses.begin(), NineBuses.begin() + 6));
    for (const Step& s : steps) {
        SCOPED_TRACE(&s - steps);
        form.panels.clear();
        m_bahn.ga_out(s.protocol, 1, 1);
        EXPECT_EQ(form.panels.count(1), s.panel ? 1u : 0u);
        EXPECT_EQ(m_dialogs.calls().size(), 1u);
    }
}

TEST_F(Srcp080Transport, FeedbackStatesReadBackFromBusListEntryEight) {
    struct Case {
        int module, contact;
        std::optional<int> value;
    };
    const Case cases[] = {
        {2, 1, 1},  // contact 17
        {1, 2, 0},  // contact 2
        {1, 3, {}}, // reported as 7: no icon for it
        {1, 16, 0}, // never reported, below the highest contact reported
        {5, 1, 0},  // past the highest
        {2147483647, 16, 0},
    };
    // In this order: once the count reaches 17, all three are in.
    connect(NineBuses,
            {"1000.000 100 INFO 8 FB 2 0", "1000.000 100 INFO 8 FB 3 7", "1000.000 100 INFO 8 FB 17 1"},
            [&] { return bus(8)->FBs()->Count() >= 17; });
    Srcp080Output output;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.module) + "/" + std::to_string(c.contact));
        EXPECT_EQ(output.feedbackState(c.module, c.contact), c.value);
    }
    EXPECT_EQ(sent(), Lines{});
}

} // namespace
