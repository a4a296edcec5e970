#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FeedbackPlan.h"
#include "engine/Bahncalcunit.h"
#include "engine/RueckReaders.h"
#include "platform/LineConnection.h"
#include "platform/MainThreadDispatcher.h"
#include "support/FakeSrcp073Server.h"
#include "support/Patience.h"

namespace {

class Readers : public FeedbackPlan {
protected:
    void SetUp() override {
        FeedbackPlan::SetUp();
        for (auto channel : {FakeSrcp073Server::Command, FakeSrcp073Server::Poll, FakeSrcp073Server::Info}) {
            LineConnection& c = connection(channel);
            c.connect("127.0.0.1", server.port() + channel, PatienceMs);
            ASSERT_TRUE(server.waitConnected(channel));
        }
    }

    LineConnection& connection(FakeSrcp073Server::Channel channel) { return m_connections[channel]; }

    // A fresh connection on the channel, once the server has taken it.
    void reconnect(FakeSrcp073Server::Channel channel) {
        const int before = server.connections(channel);
        connection(channel).connect("127.0.0.1", server.port() + channel, PatienceMs);
        ASSERT_TRUE(waitUntil([&] { return server.connections(channel) == before + 1; }));
    }

    // The channel's kind of reader, started.
    std::unique_ptr<TSrcp073Reader> startReader(FakeSrcp073Server::Channel channel) {
        LineConnection& c = connection(channel);
        std::unique_ptr<TSrcp073Reader> reader;
        if (channel == FakeSrcp073Server::Command)
            reader = std::make_unique<TReadCommand>(c, &gui);
        else if (channel == FakeSrcp073Server::Poll)
            reader = std::make_unique<TPollHandleThread>(c, &gui);
        else
            reader = std::make_unique<TReadinfo>(c, &gui);
        reader->Start();
        return reader;
    }

    // Sends the lines and waits until the reader has read them all, without running the GUI thread.
    void feed(TSrcp073Reader& reader, FakeSrcp073Server::Channel channel,
              const std::vector<std::string>& lines) {
        const long before = reader.linesRead();
        std::string bytes;
        for (const std::string& l : lines)
            bytes += l + "\n";
        ASSERT_TRUE(server.send(channel, bytes));
        ASSERT_TRUE(
            waitUntil([&] { return reader.linesRead() == before + static_cast<long>(lines.size()); }));
    }

    FakeSrcp073Server server;
    LineConnection m_connections[3];
    ManualDispatcher gui;
};

TEST_F(Readers, LinesAreHandledOnTheGuiThreadInTheOrderRead) {
    TReadCommand reader(connection(FakeSrcp073Server::Command), &gui);
    TReadinfo info(connection(FakeSrcp073Server::Info), &gui);
    reader.Start();
    info.Start();
    feed(reader, FakeSrcp073Server::Command,
         {"INFO FB S88 17 1", "INFO FB S88 * 0110", "INFO FB S88 17 0", "100 INFO 0 GL 1"});
    // The info reader shows its lines and evaluates none of them.
    feed(info, FakeSrcp073Server::Info, {"INFO FB S88 32 1", "INFO 0 TIME 1 2 3 \xE4"});
    EXPECT_EQ(cells(), expect({}));
    EXPECT_TRUE(form.panels.empty());
    EXPECT_EQ(reader.Cinfo(), "100 INFO 0 GL 1");
    EXPECT_EQ(info.InMessage(), "INFO 0 TIME 1 2 3 \xE4");

    EXPECT_EQ(gui.pump(), 6);
    EXPECT_EQ(cells(),
              expect({{"A", Free65}, {"H1", Free87}, {"H2", Busy87}, {"H3", Busy87}, {"H4", Free65}}));
    EXPECT_EQ(form.panels,
              (std::map<int, std::string>{{1, "100 INFO 0 GL 1"}, {2, "INFO 0 TIME 1 2 3 \xC3\xA4"}}));
    // A before H1..H4, then A again.
    ASSERT_EQ(form.changes.size(), 6u);
    EXPECT_EQ(form.changes.front().second.left, 0);
    EXPECT_EQ(form.changes.back().second.left, 0);
    EXPECT_TRUE(reader.Running());

    // Lines not yet handled when the reader stops are dropped.
    clearPlan();
    form.panels.clear();
    feed(reader, FakeSrcp073Server::Command, {"INFO FB S88 17 1"});
    reader.Stop();
    EXPECT_EQ(gui.pump(), 1);
    EXPECT_EQ(cells(), expect({}));
    EXPECT_TRUE(form.panels.empty());
}

TEST_F(Readers, WaitingAllContactsLinesInARowAreMergedAndEveryOtherLineKept) {
    const std::vector<std::string> lines = {
        "INFO FB S88 * 1111", "INFO FB S88 * 01", "INFO FB S88 * 0",
        "INFO FB S88 17 1",   "INFO FB S88 * 1",  "INFO FB S88 * " + std::string(17, '0'),
        "100 INFO 0 GL 1",    "INFO FB S88 * 1",
    };
    // In turn the lines leave every contact free but H1 (and A, contact 17, changed twice).
    const std::vector<QRgb> effect = expect(
        {{"A", Free65}, {"C", Free87}, {"H1", Busy87}, {"H2", Free87}, {"H3", Free87}, {"H4", Free65}});
    struct Case {
        FakeSrcp073Server::Channel channel;
        std::size_t waiting; // lines waiting once all are read
    };
    const Case cases[] = {
        {FakeSrcp073Server::Command, 5}, {FakeSrcp073Server::Poll, 5}, {FakeSrcp073Server::Info, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channel);
        clearPlan();
        form.panels.clear();
        auto reader = startReader(c.channel);
        feed(*reader, c.channel, lines);
        EXPECT_EQ(reader->pendingLines(), c.waiting);
        EXPECT_EQ(gui.pump(), static_cast<int>(c.waiting));
        EXPECT_EQ(cells(), c.channel == FakeSrcp073Server::Info ? expect({}) : effect);
        if (c.channel != FakeSrcp073Server::Poll) {
            EXPECT_EQ(form.panels[c.channel == FakeSrcp073Server::Info ? 2 : 1], lines.back());
        }
        reader->Stop();
        reconnect(c.channel);
    }
}

TEST_F(Readers, AFullQueueMakesTheReaderWaitWithoutLosingALineAndAStopEndsTheWait) {
    form.Debug = true; // the poll reader writes every line it handles to the debug memo
    TPollHandleThread reader(connection(FakeSrcp073Server::Poll), &gui);
    reader.Start();
    std::vector<std::string> sent;
    std::string bytes;
    for (std::size_t i = 0; i < ReaderQueueBound + 6; ++i) {
        sent.push_back("line " + std::to_string(i));
        bytes += sent.back() + "\n";
    }
    ASSERT_TRUE(server.send(FakeSrcp073Server::Poll, bytes));
    const long bound = static_cast<long>(ReaderQueueBound);
    ASSERT_TRUE(waitUntil([&] { return reader.linesRead() == bound; }));
    EXPECT_EQ(reader.pendingLines(), ReaderQueueBound);

    ASSERT_TRUE(gui.pumpUntil([&] { return form.debugLines.size() == sent.size(); }, PatienceMs));
    EXPECT_EQ(form.debugLines, sent);
    EXPECT_TRUE(waitUntil([&] { return reader.linesRead() == static_cast<long>(sent.size()); }));

    ASSERT_TRUE(server.send(FakeSrcp073Server::Poll, bytes));
    ASSERT_TRUE(waitUntil([&] { return reader.linesRead() == static_cast<long>(sent.size()) + bound; }));
    // The wait for room has no time-out: only the stop can end it.
    reader.Stop();
    EXPECT_TRUE(reader.Finished());
    EXPECT_EQ(reader.pendingLines(), 0u);
}

TEST_F(Readers, TheSameLineHasTheSameEffectOnTheCommandAndThePollConnection) {
    struct Case {
        std::vector<std::string> lines;
        bool drawsSomething;
    };
    const Case cases[] = {
        {{"INFO FB S88 17 1"}, true},
        {{"INFO FB S88 * 00000000000000001"}, true},
        {{"INFO FB S88 32 1", "INFO FB S88 0 1", "INFO FB S88 16 0"}, true},
        {{"info fb s88 17 1", "INFO FB S88 5 1"}, false},
    };
    for (const Case& c : cases) {
        const auto& batch = c.lines;
        SCOPED_TRACE(batch.front());
        std::vector<QRgb> seen[2];
        for (auto channel : {FakeSrcp073Server::Command, FakeSrcp073Server::Poll}) {
            clearPlan();
            auto reader = startReader(channel);
            feed(*reader, channel, batch);
            gui.pump();
            seen[channel] = cells();
            reader->Stop();
            reconnect(channel);
        }
        EXPECT_EQ(seen[0], seen[1]);
        EXPECT_EQ(seen[0] != expect({}), c.drawsSomething);
    }
}

TEST_F(Readers, MalformedLinesAreIgnoredAndTheReaderGoesOn) {
    for (auto channel : {FakeSrcp073Server::Command, FakeSrcp073Server::Poll}) {
        SCOPED_TRACE(channel);
        clearPlan();
        form.Debug = true;
        auto reader = startReader(channel);
        removeIcon("Icon8702.bmp");
        feed(*reader, channel,
             {"INFO FB S88 x 1", "INFO FB S88", "INFO FB S88 17 7", "INFO FB S88 16 1",
              std::string(5000, 'x'), "INFO FB S88 17 1"});
        gui.pump();
        EXPECT_EQ(cells(), expect({{"A", Busy65}}));
        EXPECT_TRUE(reader->Running());
        writeIcon("Icon8702.bmp", Busy87);
        feed(*reader, channel, {"INFO FB S88 16 1"});
        gui.pump();
        EXPECT_EQ(cells(), expect({{"A", Busy65}, {"C", Busy87}}));
        reader->Stop();
        reconnect(channel);
    }
}

TEST_F(Readers, StoppingAReaderBlockedInItsReadReturnsPromptly) {
    for (auto channel : {FakeSrcp073Server::Command, FakeSrcp073Server::Poll, FakeSrcp073Server::Info}) {
        SCOPED_TRACE(channel);
        auto reader = startReader(channel);
        // In a read without time-out, which only the stop can end.
        ASSERT_TRUE(waitUntil([&] { return connection(channel).callsInProgress() == 1; }));
        {
            Watchdog guard([&] { server.closeConnection(channel); });
            reader->Stop();
            EXPECT_FALSE(guard.fired()) << "the stop waited for the read to end by itself";
        }
        EXPECT_TRUE(reader->Finished());
        EXPECT_FALSE(reader->Running());
        // The owner closes the connection after the reader is joined; a stop is not a failure.
        EXPECT_TRUE(connection(channel).isConnected());
        gui.pump();
        EXPECT_TRUE(form.panels.empty());
        reconnect(channel);
    }
}

TEST_F(Readers, AServerThatClosesEndsTheReaderAndItSaysSoWhenDebugging) {
    struct Case {
        FakeSrcp073Server::Channel channel;
        bool reset;
        int panel; // -1: the debug memo
        const char* text;
    };
    const Case cases[] = {
        {FakeSrcp073Server::Command, false, 1, "Es wurde eine Exception im Modul ReadCommand ausgelöst!"},
        {FakeSrcp073Server::Info, true, 2, "Es wurde eine Exception im Modul ReadInfo ausgelöst!"},
        {FakeSrcp073Server::Poll, false, -1, "Es wurde eine Exception im Poll-Thread ausgelöst"},
    };
    form.Debug = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto reader = startReader(c.channel);
        if (c.reset)
            server.resetConnection(c.channel);
        else
            server.closeConnection(c.channel);
        ASSERT_TRUE(waitUntil([&] { return reader->Finished(); }));
        EXPECT_FALSE(reader->Running());
        EXPECT_FALSE(connection(c.channel).isConnected());
        form.debugLines.clear();
        EXPECT_EQ(gui.pump(), 1);
        if (c.panel >= 0)
            EXPECT_EQ(form.panels[c.panel], c.text);
        else
            EXPECT_EQ(form.debugLines, std::vector<std::string>{c.text});
        reader->Stop();
    }
}

TEST_F(Readers, TheGlobalReadersStartAndStopThroughTheProgramsDispatcher) {
    MainThreadDispatcher* old = mainThreadDispatcher();
    setMainThreadDispatcher(&gui);
    startReadCommand(connection(FakeSrcp073Server::Command));
    startPollHandleThread(connection(FakeSrcp073Server::Poll));
    ASSERT_NE(ReadCommand, nullptr);
    feed(*ReadCommand, FakeSrcp073Server::Command, {"INFO FB S88 17 1"});
    feed(*PollHandleThread, FakeSrcp073Server::Poll, {"INFO FB S88 32 1"});
    gui.pump();
    EXPECT_EQ(cells(), expect({{"A", Busy65}, {"D", Busy65}}));

    // The server drops the command connection; the user connects again. The new start replaces
    // the reader that ended, and leaves the new connection alone.
    server.closeConnection(FakeSrcp073Server::Command);
    ASSERT_TRUE(waitUntil([&] { return ReadCommand->Finished(); }));
    reconnect(FakeSrcp073Server::Command);
    startReadCommand(connection(FakeSrcp073Server::Command));
    EXPECT_TRUE(ReadCommand->Running());
    feed(*ReadCommand, FakeSrcp073Server::Command, {"INFO FB S88 17 0"});
    gui.pump();
    EXPECT_EQ(cell(Detectors[0]), Free65);

    ASSERT_TRUE(waitUntil([&] {
        return connection(FakeSrcp073Server::Command).callsInProgress() == 1 &&
               connection(FakeSrcp073Server::Poll).callsInProgress() == 1;
    }));
    {
        Watchdog guard([&] {
            server.closeConnection(FakeSrcp073Server::Command);
            server.closeConnection(FakeSrcp073Server::Poll);
        });
        stopAllReaders();
        EXPECT_FALSE(guard.fired()) << "a stop waited for its reader's read to end by itself";
    }
    EXPECT_EQ(ReadCommand, nullptr);
    EXPECT_EQ(Readinfo, nullptr);
    EXPECT_EQ(PollHandleThread, nullptr);
    setMainThreadDispatcher(old);
}

} // namespace
