#include "platform/LineConnection.h"
#include "support/LineListener.h"
#include "support/Patience.h"

#include <gtest/gtest.h>

#include <netdb.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

// A client connected to a listener, with the server side of the connection at hand.
struct Pair {
    LineListener listener;
    LineConnection client;
    std::unique_ptr<AcceptedConnection> server;
    int hookCalls = 0;

    explicit Pair(const std::string& host = "127.0.0.1") {
        client.setClosedHook([this] { ++hookCalls; });
        client.connect(host, listener.port(), PatienceMs);
        server = listener.accept(PatienceMs);
    }
};

// Whether f raised a LineConnectionError, the end of a write or read that a peer or a shutdown broke.
bool fails(const std::function<void()>& f) {
    try {
        f();
    } catch (const LineConnectionError&) {
        return true;
    }
    return false;
}

// The code of the SocketError that f raised; 0 when it raised none.
int socketErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const SocketError& e) {
        return e.code();
    }
    return 0;
}

TEST(LineConnection, SplitsLinesAtLfAndDropsOneCr) {
    struct Case {
        const char* bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"GO\r\n", {"GO"}},   {"a\nb\r\n", {"a", "b"}},
        {"\r\n\n", {"", ""}}, {"c\r\r\n", {"c\r"}},
        {"x\ry\n", {"x\ry"}}, {" 100 INFO 1 POWER ON \r\n", {" 100 INFO 1 POWER ON "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        Pair p;
        ASSERT_TRUE(p.server);
        p.server->writeRaw(c.bytes);
        for (const auto& expected : c.lines)
            EXPECT_EQ(expected, p.client.readLine(PatienceMs));
        EXPECT_TRUE(p.client.isConnected());
    }
}

TEST(LineConnection, LinesInPiecesAreJoined) {
    Pair p;
    std::thread writer([&] {
        // Each piece is read before the next goes out.
        for (const char* piece : {"SET 1 ", "GL 3", " 1 50 100\r", "\nNEXT\n"}) {
            p.server->writeRaw(piece);
            EXPECT_TRUE(p.server->waitForClientToRead(PatienceMs)) << piece;
        }
    });
    EXPECT_EQ("SET 1 GL 3 1 50 100", p.client.readLine(PatienceMs));
    EXPECT_EQ("NEXT", p.client.readLine(PatienceMs));
    writer.join();
}

// A name (not an address literal) goes through the time-limited lookup; "localhost" is answered from
// the hosts file, so no resolver is asked.
TEST(LineConnection, ConnectsByAddressOrHostNameAndWriteLineSendsCrLf) {
    for (const char* host : {"127.0.0.1", "localhost"}) {
        SCOPED_TRACE(host);
        Pair p(host);
        ASSERT_TRUE(p.server);
        p.client.writeLine("SET 1 POWER ON");
        p.client.writeRaw("GO\n");
        EXPECT_EQ("SET 1 POWER ON\r\n", p.server->readLineRaw(PatienceMs));
        EXPECT_EQ("GO\n", p.server->readLineRaw(PatienceMs));
    }
}

// A resolver that does not answer holds connect() no longer than its time-out, and its late answer
// is released by the lookup itself; an answer in time connects, a refusal names the host.
TEST(LineConnection, AHostNameIsLookedUpWithinTheTimeOut) {
    std::mutex mutex;
    std::condition_variable changed;
    bool answer = false;
    bool answered = false;
    setHostLookup([&](const char*, const char* service, const addrinfo* hints, addrinfo** result) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return answer; });
        const int rc = ::getaddrinfo("127.0.0.1", service, hints, result);
        answered = true;
        changed.notify_all();
        return rc;
    });
    LineListener listener;
    LineConnection client;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(client.connect("zentrale", listener.port(), 200), TimeoutError);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 150ms);
    // Only a gross overrun counts: a loaded machine may park the process well past the time-out.
    EXPECT_LT(waited, std::chrono::milliseconds(PatienceMs));
    EXPECT_FALSE(client.isConnected());
    {
        std::unique_lock lock(mutex);
        answer = true;
        changed.notify_all();
        changed.wait(lock, [&] { return answered; });
    }

    // The lookup answers at once now.
    client.connect("zentrale", listener.port(), PatienceMs);
    EXPECT_TRUE(client.isConnected());
    EXPECT_TRUE(listener.accept(PatienceMs));

    setHostLookup([](const char*, const char*, const addrinfo*, addrinfo**) { return EAI_NONAME; });
    try {
        client.connect("zentrale", listener.port(), PatienceMs);
        ADD_FAILURE() << "connected to a host without address";
    } catch (const SocketError& e) {
        EXPECT_NE(std::string(e.what()).find("host zentrale: "), std::string::npos) << e.what();
    }
    EXPECT_FALSE(client.isConnected());
    setHostLookup(nullptr);
}

// Connecting again and again to a resolver that does not answer starts no second look-up on a
// connection, while the lookup may be set anew from another thread; once the connections are gone
// and the answers come, no look-up is left.
TEST(LineConnection, AConnectionHasAtMostOneLookUpRunning) {
    std::mutex mutex;
    std::condition_variable changed;
    bool answer = false;
    const HostLookup gate = [&](const char*, const char* service, const addrinfo* hints, addrinfo** result) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return answer; });
        return ::getaddrinfo("127.0.0.1", service, hints, result);
    };
    // Look-ups of the tests before have answered; let them end.
    for (int i = 0; i < 20000 && hostLookupsRunning() > 0; ++i)
        std::this_thread::sleep_for(1ms);
    setHostLookup(gate);
    {
        LineConnection first;
        LineConnection second;
        std::thread other([&] {
            for (int i = 0; i < 25; ++i)
                EXPECT_THROW(second.connect("zentrale", 4711, 1), TimeoutError);
        });
        for (int i = 0; i < 25; ++i) {
            setHostLookup(gate);
            // Another name waits for the look-up that runs.
            EXPECT_THROW(first.connect(i % 2 ? "zentrale" : "stellwerk", 4711, 1), TimeoutError);
        }
        other.join();
        EXPECT_EQ(2, hostLookupsRunning());
    }
    {
        std::lock_guard lock(mutex);
        answer = true;
    }
    changed.notify_all();
    for (int i = 0; i < 20000 && hostLookupsRunning() > 0; ++i)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(0, hostLookupsRunning());
    setHostLookup(nullptr);
}

TEST(LineConnection, LineBoundIs64KiB) {
    struct Case {
        std::size_t length;
        const char* ending;
        bool accepted;
    };
    const Case cases[] = {
        {LineConnection::MaxLineLength, "\r\n", true},    {LineConnection::MaxLineLength, "\n", true},
        {LineConnection::MaxLineLength + 1, "\n", false}, {LineConnection::MaxLineLength + 1, "\r\n", false},
        {3 * LineConnection::MaxLineLength, "\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.length) + (c.ending[0] == '\r' ? " CRLF" : " LF"));
        Pair p;
        std::string line(c.length, 'x');
        // The client may close before taking everything.
        std::thread writer([&] { fails([&] { p.server->writeRaw(line + c.ending + "after\n"); }); });
        if (c.accepted) {
            EXPECT_EQ(line, p.client.readLine(PatienceMs));
            EXPECT_EQ("after", p.client.readLine(PatienceMs));
            EXPECT_EQ(0, p.hookCalls);
        } else {
            EXPECT_EQ(EMSGSIZE, socketErrorOf([&] { p.client.readLine(PatienceMs); }))
                << "an over-long line was taken";
            EXPECT_FALSE(p.client.isConnected());
            EXPECT_EQ(1, p.hookCalls);
        }
        p.server->close();
        writer.join();
    }
}

// Each failure closes the socket, runs the hook once and raises its own kind.
TEST(LineConnection, ReadFailuresAreToldApartAndCloseOnce) {
    enum class Kind { None, Closed, Timeout, Socket };
    struct Case {
        const char* name;
        std::function<void(AcceptedConnection&)> serverAction;
        Kind expected;
    };
    const Case cases[] = {
        {"peer closes", [](AcceptedConnection& s) { s.close(); }, Kind::Closed},
        {"peer closes after half a line", [](AcceptedConnection& s) { s.writeRaw("INFO 1"), s.close(); },
         Kind::Closed},
        {"peer resets", [](AcceptedConnection& s) { s.abort(); }, Kind::Socket},
        {"peer is silent", [](AcceptedConnection&) {}, Kind::Timeout},
        {"peer sends no LF", [](AcceptedConnection& s) { s.writeRaw("100 INFO"); }, Kind::Timeout},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Pair p;
        c.serverAction(*p.server);
        Kind got = Kind::None;
        try {
            // A time-out is the answer only where nothing is to come.
            p.client.readLine(c.expected == Kind::Timeout ? 300 : PatienceMs);
        } catch (const ConnectionClosedError&) {
            got = Kind::Closed;
        } catch (const TimeoutError&) {
            got = Kind::Timeout;
        } catch (const SocketError& e) {
            got = Kind::Socket;
            EXPECT_EQ(ECONNRESET, e.code());
        }
        EXPECT_EQ(c.expected, got);
        EXPECT_FALSE(p.client.isConnected());
        EXPECT_EQ(1, p.hookCalls);
        p.client.close();
        EXPECT_EQ(1, p.hookCalls);
    }
}

TEST(LineConnection, ReadTimeoutPropertyApplies) {
    Pair p;
    p.client.setReadTimeout(100);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(p.client.readLine(), TimeoutError);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(90));
    EXPECT_LT(waited, std::chrono::milliseconds(10000));
}

TEST(LineConnection, ShutdownWakesBlockedReaderWithoutClosing) {
    Pair p;
    std::atomic<bool> woke{false};
    std::thread reader([&] {
        try {
            p.client.readLine();
        } catch (const ConnectionClosedError&) {
            woke = true;
        }
    });
    // Blocked in its read, which has no time-out.
    ASSERT_TRUE(waitUntil([&] { return p.client.callsInProgress() == 1; }));
    p.client.shutdown();
    reader.join();
    EXPECT_TRUE(woke);
    // The owner closes after joining; only that runs the hook.
    EXPECT_TRUE(p.client.isConnected());
    EXPECT_EQ(0, p.hookCalls);
    p.client.close();
    EXPECT_FALSE(p.client.isConnected());
    EXPECT_EQ(1, p.hookCalls);
    // The peer sees an orderly close.
    EXPECT_THROW(p.server->readLine(PatienceMs), ConnectionClosedError);
}

TEST(LineConnection, FirstNonEmptyLineWithinBound) {
    struct Case {
        const char* bytes;
        int maxLines;
        std::string expected;
    };
    const Case cases[] = {
        {"\r\n  \r\n  200 OK  \r\n", 3, "200 OK"},
        {"\r\n\r\n 200 OK\r\n", 2, ""},
        {"200 OK\r\n", 1, "200 OK"},
        {"\t\n", 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        Pair p;
        p.server->writeRaw(c.bytes);
        EXPECT_EQ(c.expected, p.client.readFirstNonEmptyLine(c.maxLines, PatienceMs));
    }
    // Running out of time closes, and names the bound of the whole call.
    Pair p;
    p.server->writeRaw("\r\n \r\n");
    try {
        p.client.readFirstNonEmptyLine(5, 200);
        ADD_FAILURE() << "no time-out";
    } catch (const TimeoutError& e) {
        EXPECT_STREQ("read: no line within 200 ms", e.what());
    }
    EXPECT_FALSE(p.client.isConnected());
    EXPECT_EQ(1, p.hookCalls);
}

TEST(LineConnection, CheckForDisconnect) {
    {
        SCOPED_TRACE("peer gone, nothing pending");
        Pair p;
        p.server->close();
        EXPECT_THROW(p.client.checkForDisconnect(true), ConnectionClosedError);
        EXPECT_FALSE(p.client.isConnected());
        EXPECT_EQ(1, p.hookCalls);
        EXPECT_NO_THROW(p.client.checkForDisconnect(true));
        EXPECT_EQ(1, p.hookCalls);
    }
    {
        SCOPED_TRACE("peer gone, a line still to read");
        Pair p;
        p.server->writeRaw("100 INFO 1 POWER ON\r\n");
        p.server->close();
        EXPECT_NO_THROW(p.client.checkForDisconnect(true));
        EXPECT_EQ("100 INFO 1 POWER ON", p.client.readLine(PatienceMs));
        p.client.checkForDisconnect(false);
        EXPECT_FALSE(p.client.isConnected());
        EXPECT_EQ(1, p.hookCalls);
    }
    {
        SCOPED_TRACE("peer alive");
        Pair p;
        EXPECT_NO_THROW(p.client.checkForDisconnect(true));
        EXPECT_TRUE(p.client.isConnected());
        EXPECT_EQ(0, p.hookCalls);
    }
}

TEST(LineConnection, ConnectFailuresAreSocketErrors) {
    int freePort = 0;
    {
        LineListener l;
        freePort = l.port();
    }
    struct Case {
        std::string host;
        int port;
        int code;
    };
    const Case cases[] = {
        {"127.0.0.1", freePort, ECONNREFUSED},
        {"127.0.0.1", 0, EINVAL},
        {"127.0.0.1", 70000, EINVAL},
        {std::string("127.0.0.1\0x", 11), freePort, EINVAL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host + ":" + std::to_string(c.port));
        LineConnection conn;
        int hook = 0;
        conn.setClosedHook([&] { ++hook; });
        EXPECT_EQ(c.code, socketErrorOf([&] { conn.connect(c.host, c.port, PatienceMs); })) << "connected";
        EXPECT_FALSE(conn.isConnected());
        EXPECT_EQ(0, hook);
    }
}

TEST(LineConnection, WritingToAClosedConnection) {
    Pair p;
    p.client.close();
    EXPECT_THROW(p.client.writeLine("GO"), ConnectionClosedError);
    EXPECT_EQ(1, p.hookCalls);
    // Reconnecting gives a fresh connection with an empty buffer.
    p.server->writeRaw("stale\n");
    p.client.connect(PatienceMs);
    auto second = p.listener.accept(PatienceMs);
    second->writeRaw("fresh\n");
    EXPECT_EQ("fresh", p.client.readLine(PatienceMs));
}

// A reader that found the peer gone, a failed write and the owner closing, all at once, still run the
// hook once.
TEST(LineConnection, RacingEndsRunTheHookOnce) {
    LineListener listener;
    for (int round = 0; round < 200; ++round) {
        LineConnection client;
        std::atomic<int> hook{0};
        client.setClosedHook([&] { ++hook; });
        client.connect("127.0.0.1", listener.port(), PatienceMs);
        auto server = listener.accept(PatienceMs);
        ASSERT_TRUE(server);
        std::atomic<int> ready{0};
        std::thread reader([&] {
            ++ready;
            fails([&] { client.readLine(0); });
        });
        std::vector<std::thread> others;
        for (int i = 0; i < 3; ++i) {
            others.emplace_back([&, i] {
                ++ready;
                while (ready.load() < 4)
                    std::this_thread::yield();
                if (i == 0)
                    server->abort();
                else if (i == 1)
                    client.shutdown();
                else
                    fails([&] { client.writeLine("SET 1 POWER ON"); });
            });
        }
        for (auto& t : others)
            t.join();
        reader.join();
        client.close();
        ASSERT_EQ(1, hook.load()) << "round " << round;
        EXPECT_FALSE(client.isConnected());
    }
}

// A write that fails while another thread is blocked reading the same connection (a hung server): the
// writer only marks the connection failed and shuts it down, so the reader wakes, stopping it returns
// at once, and the owner's close is left to close the descriptor.
TEST(LineConnection, FailedWriteWakesTheBlockedReaderAndLeavesClosingToTheOwner) {
    struct Case {
        const char* name;
        bool peerResets;
    };
    for (const Case& c : {Case{"peer takes no data", false}, Case{"peer resets during the write", true}}) {
        SCOPED_TRACE(c.name);
        Pair p;
        std::atomic<int> hook{0};
        p.client.setClosedHook([&] { ++hook; });
        // With the reset to come the write waits for it; else its time-out fails it.
        p.client.setWriteTimeout(c.peerResets ? PatienceMs : 200);
        std::atomic<bool> readerDone{false};
        std::thread reader([&] {
            fails([&] { p.client.readLine(0); });
            readerDone = true;
        });
        std::atomic<bool> writing{true};
        std::thread resetter;
        if (c.peerResets)
            resetter = std::thread([&] {
                // Once the write waits beside the blocked read.
                while (writing && p.client.callsInProgress() < 2)
                    std::this_thread::sleep_for(1ms);
                p.server->abort();
            });
        const std::string chunk(64 * 1024, 'x');
        bool failed = false;
        for (int i = 0; i < 100000 && !failed; ++i)
            failed = fails([&] { p.client.writeRaw(chunk); });
        writing = false;
        if (resetter.joinable())
            resetter.join();
        ASSERT_TRUE(failed);
        EXPECT_FALSE(p.client.isConnected());
        EXPECT_EQ(1, hook.load());

        // Stopping the reader as its owner does: shut down, then join. A reader stuck in its poll is
        // let go by the peer's close, so that the test can end.
        {
            Watchdog guard([&] { p.server->close(); });
            p.client.shutdown();
            reader.join();
            EXPECT_FALSE(guard.fired()) << "the reader stayed blocked after the failed write";
        }
        EXPECT_TRUE(readerDone);

        p.client.close();
        EXPECT_FALSE(p.client.isConnected());
        EXPECT_EQ(1, hook.load());
        EXPECT_THROW(p.client.writeLine("GO"), ConnectionClosedError);
        // The connection can be opened again afterwards.
        p.client.connect(PatienceMs);
        auto second = p.listener.accept(PatienceMs);
        ASSERT_TRUE(second);
        second->writeRaw("fresh\n");
        EXPECT_EQ("fresh", p.client.readLine(PatienceMs));
    }
}

TEST(LineConnection, PeerResetFailsTheWriterOnce) {
    Pair p;
    p.server->abort();
    bool raised = false;
    // The first write may still be taken by the kernel; the reset shows by the second at the latest.
    for (int i = 0; i < 3 && !raised; ++i)
        raised = fails([&] { p.client.writeLine("SET 1 POWER ON"); });
    EXPECT_TRUE(raised);
    EXPECT_FALSE(p.client.isConnected());
    EXPECT_EQ(1, p.hookCalls);
}

} // namespace
