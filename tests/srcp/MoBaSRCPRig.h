#pragma once

// A client component wired to the fake SRCP server and a hand-pumped main thread, recording every
// event it fires as one short text.

#include "MoBaLibraryTest.h"

#include "srcp/MoBaSRCP.h"

#include "support/FakeSrcpServer.h"
#include "support/LineListener.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using Lines = std::vector<std::string>;
using Reply = FakeSrcpServer::Reply;

// How the sessions reach the fake server: in memory where the socket is not the point.
enum class Over { Memory, Socket };

struct ClientRig {
    FakeSrcpServer& server;
    ManualDispatcher& dispatcher;
    Lines events;
    // The command session's transport when in memory, for its knobs.
    MemoryTransport* commandTransport = nullptr;
    // Last, so that it goes first: its destructor may still reach the members above.
    TMoBaSRCPClient client;

    ClientRig(FakeSrcpServer& s, ManualDispatcher& d, Over over = Over::Memory,
              std::unique_ptr<LineTransport> infoTransport = nullptr)
        : server(s), dispatcher(d),
          client(transport(over, true), infoTransport ? std::move(infoTransport) : transport(over, false)) {
        client.SetHost("127.0.0.1");
        client.SetPort(server.port());
        client.SetDispatcher(&dispatcher);
        record();
    }

    std::unique_ptr<LineTransport> transport(Over over, bool command) {
        if (over == Over::Socket)
            return nullptr;
        auto t = server.memoryTransport();
        if (command)
            commandTransport = t.get();
        return t;
    }

    // Connects and waits until the buses that the server describes exist.
    void connect(int busses) {
        client.Connect();
        ASSERT_TRUE(client.Connected());
        ASSERT_TRUE(pumpUntil([&] { return client.BusCount() >= busses; })) << client.BusCount();
    }

    bool pumpUntil(const std::function<bool()>& pred, int timeoutMs = FakeSrcpServer::Patience) {
        return dispatcher.pumpUntil(pred, timeoutMs);
    }
    bool pumpUntilEvent(const std::string& event) {
        return pumpUntil([&] { return std::find(events.begin(), events.end(), event) != events.end(); });
    }
    int count(const std::string& event) const {
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }

    // The lines of the command connections after their handshakes.
    Lines commands() const {
        Lines out;
        for (const auto& c : server.connections()) {
            if (c.mode != "COMMAND")
                continue;
            for (std::size_t i = 3; i < c.lines.size(); ++i)
                out.push_back(c.lines[i]);
        }
        return out;
    }
    // Waits until the command connections got count lines after their handshakes.
    Lines commands(std::size_t count) const {
        server.waitUntil([&] { return commands().size() >= count; });
        return commands();
    }

private:
    void note(TMoBaSRCPClient& sender, const std::string& text) {
        EXPECT_EQ(&sender, &client) << text;
        events.push_back(text);
    }

    void record() {
        auto bus = [this](const char* name) {
            return [this, name](TMoBaSRCPClient& s, TMoBaSRCPBus* b) {
                note(s, std::string(name) + " " + std::to_string(b ? b->BusNumber() : -1));
            };
        };
        auto loco = [this](const char* name) {
            return [this, name](TMoBaSRCPClient& s, TMoBaSRCPLoco* l) {
                note(s, std::string(name) + " " + std::to_string(l->Address()));
            };
        };
        auto ga = [this](const char* name) {
            return [this, name](TMoBaSRCPClient& s, TMoBaSRCPSolenoid* g) {
                note(s, std::string(name) + " " + std::to_string(g->Address()));
            };
        };
        auto fb = [this](const char* name) {
            return [this, name](TMoBaSRCPClient& s, TMoBaSRCPFeedback* f) {
                note(s, std::string(name) + " " + std::to_string(f->Address()) + "=" +
                            std::to_string(f->IsActiv()));
            };
        };
        auto plain = [this](const char* name) { return [this, name](TMoBaSRCPClient& s) { note(s, name); }; };
        client.OnConnected = plain("Connected");
        client.OnDisconnect = plain("Disconnect");
        client.OnBusInit = bus("BusInit");
        client.OnBusPowerChange = bus("BusPower");
        client.OnBusConfigChange = bus("BusConfig");
        client.OnLocoInit = loco("LocoInit");
        client.OnLocoTerm = loco("LocoTerm");
        client.OnLocoChange = loco("LocoChange");
        client.OnLocoLock = loco("LocoLock");
        client.OnLocoUnlock = loco("LocoUnlock");
        client.OnAccessoireInit = ga("GAInit");
        client.OnAccessoireTerm = ga("GATerm");
        client.OnAccessoireChange = ga("GAChange");
        client.OnAccessoireLock = ga("GALock");
        client.OnAccessoireUnlock = ga("GAUnlock");
        client.OnFeedbackInit = fb("FBInit");
        client.OnFeedbackTerm = fb("FBTerm");
        client.OnFeedbackChange = fb("FBChange");
        client.OnTimeInit = plain("TimeInit");
        client.OnTimeTerm = plain("TimeTerm");
        client.OnTimeChange = plain("TimeChange");
    }
};
