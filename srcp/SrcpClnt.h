#pragma once

// Sessions of the SRCP 0.8.2 client: a command session (one line out, one reply in, on the main
// thread) and an info session whose reader thread hands every INFO line to the main thread, where it
// is parsed and dispatched to the registered device groups (SrcpGroups.h). Connecting, closing,
// commands and the group registry belong to the main thread and assert it.

#include "platform/LineTransport.h"
#include "platform/MainThreadDispatcher.h"
#include "srcp/SrcpCmds.h"

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

// Numbers of the library's own texts.
inline constexpr int SRCPErrServerNotResponding = 65042;
inline constexpr int SRCPErrUnsupportedVersion = 65043;
inline constexpr int SRCPErrInvalidWelcome = 65044;
inline constexpr int SRCPErrClientRefused = 65045;
inline constexpr int SRCPTextAutomaticLocoProtocol = 65046;
inline constexpr int SRCPTextAutomaticLocoDescription = 65047;
inline constexpr int SRCPTextAutomaticSolenoidProtocol = 65048;
inline constexpr int SRCPTextAutomaticSolenoidDescription = 65049;
// The text of one of the numbers above; empty for any other.
std::string SRCPResourceString(int number);

// Failures of the sessions; they belong to the connection's exception family.
class ESRCPError : public LineConnectionError {
public:
    explicit ESRCPError(int number) : LineConnectionError(SRCPResourceString(number)), m_number(number) {}
    int Number() const { return m_number; }

private:
    int m_number;
};

// The server refused the handshake (65043, 65044, 65045); Connect catches it and closes the session.
class ESRCPHandshakeError : public ESRCPError {
public:
    using ESRCPError::ESRCPError;
};

// The connection failed during the handshake (65042); it passes out of Connect.
class ESRCPClientConnectError : public ESRCPError {
public:
    using ESRCPError::ESRCPError;
};

// Where an exception thrown by a handler of an INFO line is shown (the application's error display).
// Without one it is only logged. Runs on the main thread.
void SetSRCPExceptionReporter(std::function<void(const std::string& message)> reporter);

enum TSRCPClientMode : std::uint8_t { cmInfo, cmCommand };

class TSRCPBaseClient;
class TSRCPInfoClient;

// Told when a session it refers to is destroyed, so that it drops its reference.
class TSRCPSessionObserver {
public:
    virtual ~TSRCPSessionObserver() = default;
    virtual void Notification(TSRCPBaseClient* AComponent) = 0;
};

// What an info session hands its lines to (the device groups register themselves).
class TSRCPInfoReceiver : public TSRCPSessionObserver {
public:
    // The device group whose lines it may take; fixed from construction on. The session files its
    // receivers by it, so that a line is offered only to the receivers of its own group.
    virtual TSRCPDeviceGroup DeviceGroup() const = 0;
    // Whether a line of that device group and bus is for this receiver.
    virtual bool TakesLinesOf(TSRCPDeviceGroup group, int bus) const = 0;
    virtual void SetDataAnswer(TSRCPCmd& Cmd) = 0;
};

class TSRCPBaseClient {
public:
    using TLogEvent = std::function<void(TSRCPBaseClient& Sender, const std::string& text)>;
    using TNotifyEvent = std::function<void(TSRCPBaseClient& Sender)>;

    // Handshake reads fall back to this when Connect is given no time-out.
    static constexpr int DefaultConnectTimeoutMs = 5000;
    // The default of ReplyTimeout(): a command's reply must arrive within it.
    static constexpr int DefaultReplyTimeoutMs = 5000;
    // The reply to the closing TERM line is waited for only this long.
    static constexpr int TermReplyTimeoutMs = 1000;

    // Without a transport the session opens a TCP connection (LineConnection).
    explicit TSRCPBaseClient(std::unique_ptr<LineTransport> transport = nullptr);
    virtual ~TSRCPBaseClient();
    TSRCPBaseClient(const TSRCPBaseClient&) = delete;
    TSRCPBaseClient& operator=(const TSRCPBaseClient&) = delete;

    const std::string& Host() const { return FHost; }
    void SetHost(const std::string& host) { FHost = host; }
    int Port() const { return FPort; }
    void SetPort(int port) { FPort = port; }

    using TTimePoint = std::chrono::steady_clock::time_point;
    using TClock = std::function<TTimePoint()>;

    // Opens the connection and runs the handshake. A failed TCP connect raises the connection's
    // exception; a failure of the connection during the handshake raises ESRCPClientConnectError; a
    // refused handshake closes the session and returns normally (Connected() is then false).
    // ATimeout bounds the TCP connect and the whole handshake together (DefaultConnectTimeoutMs when 0
    // or less): a server that sends its lines slowly cannot hold the caller longer.
    void Connect(int ATimeout);
    // The same with the bound given as a point of Now(), so that a caller opening several sessions
    // gives them one bound together. Time running out raises ESRCPClientConnectError, before the TCP
    // connect as during the handshake.
    virtual void ConnectBy(TTimePoint deadline);
    // Where the session reads the time (tests); the steady clock without one.
    void SetClock(TClock clock) { m_clock = std::move(clock); }
    TTimePoint Now() const { return m_clock ? m_clock() : std::chrono::steady_clock::now(); }
    // Closes the session (a command session says goodbye first). Never throws.
    virtual void Disconnect();
    bool Connected() const { return FConnection->isConnected(); }

    bool LogEnabled() const { return FLogEnabled; }
    void SetLogEnabled(bool value) { FLogEnabled = value; }
    int SessionID() const { return FSessionID; }
    TSRCPClientMode ClientMode() const { return FClientMode; }
    // Takes effect only while the connection is closed.
    void SetClientMode(TSRCPClientMode value);
    TSRCPCommandVersion Version() const { return FVersion; }
    virtual void SetVersion(TSRCPCommandVersion value) { FVersion = value; }
    bool ServerOffers(TSRCPCommandVersion version) const { return FServerVersions.count(version) != 0; }
    const std::string& Response() const { return FResponse; }
    // Why the last Connect ended without a session although it raised nothing (a refused
    // handshake, a server that hung up during it); empty when that Connect opened the session.
    const std::string& RefusalText() const { return FRefusal; }
    // The welcome text and the info text of the server's welcome line.
    const std::vector<std::string>& GreetingLines() const { return FGreeting; }

    int ReplyTimeout() const { return m_replyTimeoutMs; }
    void SetReplyTimeout(int ms) { m_replyTimeoutMs = ms > 0 ? ms : DefaultReplyTimeoutMs; }

    // The dispatcher that brings work to the main thread; without one the global dispatcher is used.
    // An info session cannot connect without either; a command session without one handles its
    // closes on the thread that uses it.
    void SetDispatcher(MainThreadDispatcher* dispatcher) { m_dispatcher = dispatcher; }
    MainThreadDispatcher* Dispatcher() const { return m_dispatcher ? m_dispatcher : mainThreadDispatcher(); }

    // Writes the command line of Cmd. Returns false when nothing was sent: Cmd is an error command or
    // built as one (OnError fired; there is no reply to wait for), or the session is closed ("Err: Not
    // connected" logged). A failed write closes the session and raises; call it where nothing reads
    // the connection meanwhile (the command session, the handshake).
    bool SendCommand(TSRCPCmd& Cmd);
    // Reads one reply line into Cmd within ReplyTimeout(); true for a reply that parsed and is no
    // error. On a closed session Cmd becomes error 413 and the result is false. A failed read (time-out
    // included) closes the session and raises.
    bool ReceiveAnswer(TSRCPCmd& Cmd);
    // The part of ReceiveAnswer after the read.
    bool DoReceiveAnswer(TSRCPCmd& Cmd, const std::string& Line);

    void DoLog(const std::string& S);
    void DoError();

    // Steps of the handshake, in this order.
    void ReceiveWelcome();
    void SetUsedVersion();
    void SetConnectionMode();
    void StartClient();

    void AddFreeNotification(TSRCPSessionObserver* observer);
    void RemoveFreeNotification(TSRCPSessionObserver* observer);

    TLogEvent OnLog;
    TNotifyEvent OnError;
    // Fired on the main thread after the connection has closed, once per opened connection.
    TNotifyEvent OnDisconnected;

protected:
    virtual void DoDisconnect() {}
    // Joins reader threads that have ended; with readerEnding also the current one, which has noticed
    // the close and is on its way out. Nothing here.
    virtual void ReapReaders(bool readerEnding = false) { (void)readerEnding; }
    void HandleOnDisconnect();
    // DoLog for where nothing may leave (closing, reporting a failure): a throwing OnLog is ignored.
    void LogQuietly(const std::string& S);
    // Reads one handshake line before the connect's deadline and parses it into Cmd.
    bool ReceiveHandshakeAnswer(TSRCPCmd& Cmd);
    // One handshake line, read before the connect's deadline; TimeoutError once it has passed.
    std::string ReadHandshakeLine();
    // Tells the observers that this session is going; every descendant's destructor calls it first.
    void NotifyObservers();

    std::unique_ptr<LineTransport> FConnection;
    std::vector<std::string> FGreeting;
    int FSessionID = -1;
    bool FDestroying = false;
    // Raised by every Connect and Disconnect; a close noticed off the main thread is posted with the
    // value it had, and a post that finds another value is stale.
    std::atomic<unsigned> m_generation{0};
    // The dispatcher of the open connection: the one its closes and lines are handed to.
    std::atomic<MainThreadDispatcher*> m_sessionDispatcher{nullptr};

private:
    void ConnectionClosed();
    void ScanWelcomeVersions(const std::string& line);

    std::string FHost;
    int FPort = 12345;
    bool FLogEnabled = false;
    TSRCPClientMode FClientMode = cmCommand;
    std::set<TSRCPCommandVersion> FServerVersions;
    TSRCPCommandVersion FVersion = cv082;
    std::string FResponse;
    std::string FRefusal;
    TTimePoint m_handshakeDeadline{};
    TClock m_clock;
    int m_replyTimeoutMs = DefaultReplyTimeoutMs;
    // True from a successful TCP connect until OnDisconnected has been fired for it (main thread).
    bool m_open = false;
    MainThreadDispatcher* m_dispatcher = nullptr;
    std::vector<TSRCPSessionObserver*> m_observers;
    // Lets a posted close notice find out that the session is gone.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

class TSRCPCommandClient : public TSRCPBaseClient {
public:
    explicit TSRCPCommandClient(std::unique_ptr<LineTransport> transport = nullptr);
    ~TSRCPCommandClient() override;

    void ConnectBy(TTimePoint deadline) override;
    // A point of Now() by which the goodbye stops waiting for its reply, sooner than
    // TermReplyTimeoutMs would: a caller whose connect fails after this session opened keeps its
    // bound for the goodbye, too. None (the default) leaves TermReplyTimeoutMs alone.
    void SetGoodbyeDeadline(std::optional<TTimePoint> deadline) { m_goodbyeDeadline = deadline; }

protected:
    // Sends TERM 0 SESSION <id> and waits briefly for its reply.
    void DoDisconnect() override;

private:
    std::optional<TTimePoint> m_goodbyeDeadline;
};

class TSRCPInfoClient;

// Reads the info session's lines and hands each to the main thread, waiting until it was handled
// there. Owned by its session, which stops it (Terminate, then a shutdown of the socket) and joins it.
class TSRCPInfoReadThread {
public:
    explicit TSRCPInfoReadThread(TSRCPInfoClient* client);
    ~TSRCPInfoReadThread();
    TSRCPInfoReadThread(const TSRCPInfoReadThread&) = delete;
    TSRCPInfoReadThread& operator=(const TSRCPInfoReadThread&) = delete;

    TSRCPInfoClient* Client() const { return FClient; }
    // Asks the loop to stop and calls off a waiting hand-over.
    void Terminate();
    bool Terminated() const { return m_terminated; }
    void WaitFor();
    bool Finished() const { return m_finished; }
    // The exception that ended the thread, if any (kept, not shown).
    std::exception_ptr FatalException() const;

private:
    void Execute();
    // One pass: read a line, hand it over, check for a closed connection.
    void Run();

    TSRCPInfoClient* FClient;
    std::string FRecvData;
    MainThreadDispatcher::CancelToken m_token;
    std::atomic<bool> m_terminated{false};
    std::atomic<bool> m_finished{false};
    std::exception_ptr m_fatal;
    std::thread m_thread;
};

class TSRCPInfoClient : public TSRCPBaseClient {
public:
    explicit TSRCPInfoClient(std::unique_ptr<LineTransport> transport = nullptr);
    ~TSRCPInfoClient() override;

    // Raises std::logic_error when there is no dispatcher to hand the lines to.
    void ConnectBy(TTimePoint deadline) override;
    void Disconnect() override;
    void SetVersion(TSRCPCommandVersion value) override;

    // The list refers to the groups and does not own them.
    void RegisterDeviceGroup(TSRCPInfoReceiver* Group);
    void UnregisterDeviceGroup(TSRCPInfoReceiver* Group);
    int DeviceGroupCount() const { return static_cast<int>(m_registered.size()); }

    // Parses one line and hands it to the groups that take it. Runs on the main thread.
    void DoDataReceive(const std::string& line);

    const TSRCPInfoReadThread* InfoThread() const { return FInfoThread.get(); }

protected:
    void ReapReaders(bool readerEnding = false) override;

private:
    friend class TSRCPInfoReadThread;
    // Reader side: the next line, no time limit; its hand-over; the closed check.
    std::string ReaderReadLine() { return FConnection->readLine(0); }
    bool HandOver(const std::string& line, const TSRCPInfoReadThread* reader,
                  MainThreadDispatcher::CancelToken& token);
    // Dispatches a line that reader handed over; while it runs, that reader waits for us.
    void DispatchFor(const TSRCPInfoReadThread* reader, const std::string& line);
    void ReaderCheckForDisconnect() { FConnection->checkForDisconnect(true); }
    void StopReader();
    void ReportHandlerException(const std::string& message);

    // The registered groups, filed by DeviceGroup() in the order they registered. A group that leaves
    // while a line is dispatched leaves a null entry behind, removed once no dispatch runs.
    std::array<std::vector<TSRCPInfoReceiver*>, SRCPDeviceGroupCount> FDeviceGroups;
    // Each registered group with the list it was filed in.
    std::unordered_map<TSRCPInfoReceiver*, TSRCPDeviceGroup> m_registered;
    bool m_emptiedEntries = false;
    std::unique_ptr<TSRCPInfoReadThread> FInfoThread;
    // Readers stopped while their own line was being dispatched; joined once it has returned.
    std::vector<std::unique_ptr<TSRCPInfoReadThread>> m_retired;
    TSRCPCmd FCmd;
    int m_dispatchDepth = 0;
    // The readers whose lines are being dispatched right now (innermost last).
    std::vector<const TSRCPInfoReadThread*> m_dispatching;
};
