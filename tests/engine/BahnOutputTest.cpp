#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "FakeMainForm.h"
#include "engine/BahnOutput.h"
#include "engine/Bahncalcunit.h"
#include "engine/Srcp073Output.h"
#include "engine/lokunit.h"
#include "platform/LineConnection.h"
#include "srcp/FakeTickClock.h"
#include "srcp/HighResTimer.h"
#include "support/FakeSrcp073Server.h"
#include "support/engine/RecordingCommandOutput.h"

namespace {

// True when another thread cannot take the lock now.
bool heldElsewhere(std::mutex& m) {
    bool held = false;
    std::thread([&] {
        held = !m.try_lock();
        if (!held)
            m.unlock();
    }).join();
    return held;
}

class Output : public ::testing::Test {
protected:
    void SetUp() override {
        m_oldLok = Lok;
        Lok = &m_lok;
        form.Lock_socket = std::make_unique<std::mutex>();
        m_timer = std::make_unique<THighResTimer>(fakeTickPlatform(m_clock));
        m_timer->SetEnabled(true);
        form.HRT1 = m_timer.get();
        socket.connect("127.0.0.1", server.port(), 5000);
        ASSERT_TRUE(server.waitConnected(FakeSrcp073Server::Command));
        form.Command_Socket = &socket;
    }
    void TearDown() override {
        Lok = m_oldLok;
        form.HRT1 = nullptr;
    }

    // Everything the call sent, fenced by a marker written after it, so that "nothing" is exact.
    std::string sentBy(const std::function<void()>& call) {
        server.clearReceived(FakeSrcp073Server::Command);
        call();
        socket.writeRaw("MARK\n");
        EXPECT_TRUE(server.waitFor(FakeSrcp073Server::Command,
                                   [](const std::string& s) { return s.ends_with("MARK\n"); }));
        std::string bytes = server.received(FakeSrcp073Server::Command);
        return bytes.substr(0, bytes.size() - 5);
    }

    // What call sent when it started while a pulse held the lock: it waits, so that what was written
    // meanwhile comes first.
    std::string sentWhileAPulseHoldsTheLock(const std::function<void()>& call) {
        return sentBy([&] {
            std::unique_lock pulse(*form.Lock_socket);
            std::thread waiting(call);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            socket.writeRaw("HELD\n");
            pulse.unlock();
            waiting.join();
        });
    }

    int64_t waitedUs() const { return m_clock->now; }

    FakeSrcp073Server server;
    LineConnection socket;
    FakeMainForm form;
    Cbahn bahn;
    TLok m_lok;
    TLok* m_oldLok = nullptr;
    std::shared_ptr<FakeTickClock> m_clock = std::make_shared<FakeTickClock>();
    std::unique_ptr<THighResTimer> m_timer;
};

TEST_F(Output, GaOutSendsAPulseOfTwoLinesForOutputsOneToEight) {
    struct Case {
        const char* protocol;
        int decoder, output;
        const char* bytes;
    };
    const Case cases[] = {
        {"M", 2, 3, "SET GA M 10 0 1 -1\nSET GA M 10 0 0 -1\n"},
        {"N", 1, 2, "SET GA N 5 1 1 -1\nSET GA N 5 1 0 -1\n"},
        {"n", 1, 2, "SET GA N 5 1 1 -1\nSET GA N 5 1 0 -1\n"},
        {"m", 1, 1, "SET GA M 5 0 1 -1\nSET GA M 5 0 0 -1\n"},
        {"", 1, 1, "SET GA M 5 0 1 -1\nSET GA M 5 0 0 -1\n"},
        {"x", 1, 1, "SET GA M 5 0 1 -1\nSET GA M 5 0 0 -1\n"},
        {"NMRA", 1, 1, "SET GA M 5 0 1 -1\nSET GA M 5 0 0 -1\n"},
        {" N", 1, 1, "SET GA M 5 0 1 -1\nSET GA M 5 0 0 -1\n"},
        {"M", 1, 0, ""},
        {"M", 1, 3, "SET GA M 6 0 1 -1\nSET GA M 6 0 0 -1\n"},
        {"M", 1, 4, "SET GA M 6 1 1 -1\nSET GA M 6 1 0 -1\n"},
        {"M", 1, 5, "SET GA M 7 0 1 -1\nSET GA M 7 0 0 -1\n"},
        {"M", 1, 6, "SET GA M 7 1 1 -1\nSET GA M 7 1 0 -1\n"},
        {"M", 1, 7, "SET GA M 8 0 1 -1\nSET GA M 8 0 0 -1\n"},
        {"N", 1, 8, "SET GA N 8 1 1 -1\nSET GA N 8 1 0 -1\n"},
        {"M", 1, 9, ""},
        {"M", 1, -1, ""},
        {"N", 0, 1, ""},
        {"N", -3, 2, ""},
        {"M", 2147483647, 8, "SET GA M 8589934592 1 1 -1\nSET GA M 8589934592 1 0 -1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.protocol) + " " + std::to_string(c.decoder) + " " +
                     std::to_string(c.output));
        const int64_t before = waitedUs();
        EXPECT_EQ(sentBy([&] { bahn.ga_out(c.protocol, c.decoder, c.output); }), c.bytes);
        const int64_t waited = waitedUs() - before;
        if (*c.bytes) {
            EXPECT_GE(waited, 250000);
            EXPECT_LT(waited, 252000);
        } else {
            EXPECT_EQ(waited, 0);
        }
    }
}

TEST_F(Output, GaOutHoldsTheLockThroughThePauseAfterTheFirstLine) {
    form.SolTime = 65536 + 40; // only the low 16 bits count
    bool locked = false;
    std::string atPause;
    m_clock->onFirstTick = [&] {
        locked = heldElsewhere(*form.Lock_socket);
        server.waitReceived(FakeSrcp073Server::Command, "SET GA N 5 1 1 -1\n", 2000);
        atPause = server.received(FakeSrcp073Server::Command);
    };
    EXPECT_EQ(sentBy([&] { bahn.ga_out("N", 1, 2); }), "SET GA N 5 1 1 -1\nSET GA N 5 1 0 -1\n");
    EXPECT_TRUE(locked);
    EXPECT_EQ(atPause, "SET GA N 5 1 1 -1\n");
    EXPECT_GE(waitedUs(), 40000);
    EXPECT_LT(waitedUs(), 42000);
    EXPECT_FALSE(heldElsewhere(*form.Lock_socket));

    EXPECT_EQ(sentWhileAPulseHoldsTheLock([&] { bahn.gl_out(0); }), "HELD\nSET GL M1 3 0 0 100 0 0 \r\n");
}

TEST_F(Output, AFailingSecondWriteReleasesTheLock) {
    m_clock->onFirstTick = [&] { socket.shutdown(); };
    EXPECT_THROW(bahn.ga_out("M", 1, 1), LineConnectionError);
    EXPECT_FALSE(heldElsewhere(*form.Lock_socket));
    EXPECT_TRUE(server.waitReceived(FakeSrcp073Server::Command, "SET GA M 5 0 1 -1\n"));

    m_clock->onFirstTick = nullptr;
    socket.connect("127.0.0.1", server.port(), 5000);
    socket.shutdown();
    EXPECT_THROW(bahn.gl_out(0), LineConnectionError);
    EXPECT_FALSE(heldElsewhere(*form.Lock_socket));
}

TEST_F(Output, NothingIsSentWhenDisconnectedOrOnTheOtherTransport) {
    form.Debug = true;
    for (int other : {80, 74, 0}) {
        form.SrcpVer = other;
        EXPECT_EQ(sentBy([&] {
                      bahn.ga_out("M", 1, 1);
                      bahn.gl_out(0);
                      EXPECT_EQ(commandOutput().setPower(true), CommandResult::NotConnected);
                      EXPECT_EQ(commandOutput().resetServer(), CommandResult::NotAvailable);
                      EXPECT_EQ(commandOutput().freeCommand("RESET"), CommandResult::NotAvailable);
                  }),
                  "")
            << other;
        EXPECT_FALSE(commandOutput().connected());
    }
    EXPECT_TRUE(form.debugLines.empty());

    server.clearReceived(FakeSrcp073Server::Command);
    form.SrcpVer = 73;
    form.Command_Socket = nullptr;
    bahn.ga_out("N", 1, 2);
    bahn.ga_out("N", 0, 2); // no decoder: not even a debug line
    bahn.ga_out("N", 1, 0); // no output
    bahn.gl_out(0);
    bahn.gl_out(10); // no such slot
    EXPECT_EQ(form.debugLines, (std::vector<std::string>{"SET GA N 5 1 1 -1", "SET GL M1 3 0 0 100 0 0 "}));
    EXPECT_EQ(waitedUs(), 0);
    EXPECT_EQ(server.received(FakeSrcp073Server::Command), "");
}

TEST_F(Output, GlOutSendsTheWholeSlotInOneLine) {
    std::string thirtyTwo = "1 ";
    for (int k = 2; k <= 32; ++k)
        thirtyTwo += "0 ";
    struct Case {
        const char* protocol;
        int addr, direction, speed, speedMax, functionCount;
        std::vector<int> f; // F0, F1, ...
        std::string bytes;
    };
    const Case cases[] = {
        {"M2", 24, 1, 5, 14, 4, {11, 1, 12, 0, 3}, "SET GL M2 24 1 5 14 1 4 0 1 0 0 \r\n"},
        {"M1", 3, -1, 0, 100, 0, {}, "SET GL M1 3 0 0 100 0 0 \r\n"},
        {"N1", 3, 2, 0, 100, 0, {10}, "SET GL N1 3 2 0 100 0 0 \r\n"},
        {"M1", 3, 3, 0, 100, -1, {11}, "SET GL M1 3 0 0 100 1 0 \r\n"},
        {"M1", 3, 0, 0, 100, 40, {11, 11}, "SET GL M1 3 0 0 100 1 32 " + thirtyTwo + "\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        m_lok.lokinit(0);
        m_lok.set_protocol(0, c.protocol);
        m_lok.set_addr(0, c.addr);
        m_lok.set_direction(0, c.direction);
        m_lok.set_speed(0, c.speed);
        m_lok.set_speedmax(0, c.speedMax);
        m_lok.set_nrof(0, c.functionCount);
        TLokFunctions f{};
        for (std::size_t k = 0; k < c.f.size(); ++k)
            f[k] = static_cast<std::uint8_t>(c.f[k]);
        m_lok.set_F(0, f);
        EXPECT_EQ(sentBy([&] { bahn.gl_out(0); }), c.bytes);
    }
    EXPECT_EQ(waitedUs(), 0);
}

TEST_F(Output, PowerResetAndFreeCommandsAreWrittenUnderTheLock) {
    struct Case {
        std::function<CommandResult()> command;
        const char* bytes;
    };
    Srcp073Output output;
    const Case cases[] = {
        {[&] { return output.setPower(true); }, "SET POWER ON\n"},
        {[&] { return output.setPower(false); }, "SET POWER OFF\n"},
        {[&] { return output.resetServer(); }, "RESET\n"},
        {[&] { return output.freeCommand("SET GA M 16 1 1 500"); }, "SET GA M 16 1 1 500\n"},
        {[&] { return output.freeCommand(""); }, "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        CommandResult result = CommandResult::Failed;
        EXPECT_EQ(sentWhileAPulseHoldsTheLock([&] { result = c.command(); }),
                  std::string("HELD\n") + c.bytes);
        EXPECT_EQ(result, CommandResult::Sent);
    }
    EXPECT_TRUE(output.connected());
    EXPECT_EQ(sentBy([&] {
                  form.Command_Socket = nullptr;
                  EXPECT_FALSE(output.connected());
                  for (const Case& c : cases)
                      EXPECT_EQ(c.command(), CommandResult::NotConnected) << c.bytes;
              }),
              "");
}

TEST_F(Output, ALineWithAControlCharacterIsNotSent) {
    form.Debug = true;
    Srcp073Output output;
    // A refused loco line is told in the status bar once per slot and value, however many lines a
    // throttle drag sends, and again after a line of the slot went out.
    const std::string power = "M\rSET POWER OFF\r";
    const std::string nul("M\0", 2);
    auto said = [](int addr, const std::string& shown) {
        return "Loco \"Lok\" (address " + std::to_string(addr) + ") is not sent: its protocol \"" + shown +
               "\" holds a control character";
    };
    const struct {
        int slot;
        std::string protocol, freeCommand;
        std::string status; // status panel 1 afterwards; "" when it was not set
        bool sent = false;
    } cases[] = {
        {0, "M", "", "", true},
        {1, "M", "", "", true},
        {0, power, "", said(3, "M\\x0DSET POWER OFF\\x0D")},
        {0, power, "", ""},
        {1, power, "", said(4, "M\\x0DSET POWER OFF\\x0D")},
        {0, nul, "", said(3, "M\\x00")},
        {0, nul, "", ""},
        {0, "M2", "", "", true},
        {0, nul, "", said(3, "M\\x00")},
        {0, "M\x1F", "", said(3, "M\\x1F")},
        {0, "", "SET POWER ON\rRESET", ""},
        {0, "", "SET GA M 1 0 1 -1\nRESET", ""},
        {0, "", std::string("RE\0SET", 6), ""},
    };
    m_lok.set_addr(1, 4);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::to_string(c.slot) + " " + c.protocol + c.freeCommand));
        form.debugLines.clear();
        form.panels.clear();
        const std::string sent = sentBy([&] {
            if (c.protocol.empty()) {
                EXPECT_EQ(output.freeCommand(c.freeCommand), CommandResult::Refused);
            } else {
                m_lok.set_protocol(c.slot, c.protocol);
                bahn.gl_out(c.slot);
            }
        });
        EXPECT_EQ(form.panels.count(1) ? form.panels[1] : "", c.status);
        ASSERT_EQ(form.debugLines.size(), 1u);
        if (c.sent) {
            EXPECT_TRUE(sent.starts_with("SET GL " + c.protocol + " ")) << sent;
            continue;
        }
        EXPECT_EQ(sent, "");
        EXPECT_TRUE(form.debugLines[0].starts_with("Not sent")) << form.debugLines[0];
    }
}

TEST_F(Output, LocoSlotsWithoutAnAddressAreSentOnNeitherTransport) {
    form.Debug = true;
    RecordingCommandOutput output;
    struct Case {
        int addr;
        std::vector<std::string> commands;
        std::vector<std::string> debugLines;
    };
    const Case cases[] = {
        {1, {"loco 4"}, {}},
        {0, {}, {"gl_out: loco slot 4 has no address"}},
        {-7, {}, {"gl_out: loco slot 4 has no address"}},
        {2147483647, {"loco 4"}, {}},
    };
    for (int transport : {73, 80}) {
        form.SrcpVer = transport;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(transport) + ": " + std::to_string(c.addr));
            output.commands.clear();
            form.debugLines.clear();
            m_lok.set_addr(4, c.addr);
            bahn.gl_out(4);
            EXPECT_EQ(output.commands, c.commands);
            EXPECT_EQ(form.debugLines, c.debugLines);
        }
    }
    // Accessory pulses reach the output with their wire address; no output number, no pulse.
    bahn.ga_out("m", 2, 3);
    bahn.ga_out("N", 2, 9);
    EXPECT_EQ(output.commands, (std::vector<std::string>{"loco 4", "accessory m 2 -> 10/0"}));
}

} // namespace
