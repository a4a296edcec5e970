#include "srcp/SrcpClnt.h"

#include "platform/LineConnection.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <mutex>

namespace {

std::mutex g_reporterMutex;
std::function<void(const std::string&)> g_reporter;

void reportException(const std::string& message) {
    std::function<void(const std::string&)> reporter;
    {
        std::lock_guard lock(g_reporterMutex);
        reporter = g_reporter;
    }
    if (reporter)
        reporter(message);
}

// True for "0.8.N" with N >= 2: a server of a later 0.8 revision still speaks 0.8.2.
bool offersCompatible082(std::string_view text) {
    text = SRCPTrim(text);
    constexpr std::string_view prefix = "0.8.";
    if (text.size() <= prefix.size() || text.substr(0, prefix.size()) != prefix)
        return false;
    const std::string_view digits = text.substr(prefix.size());
    int revision = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), revision);
    return ec == std::errc() && end == digits.data() + digits.size() && revision >= 2;
}

} // namespace

std::string SRCPResourceString(int number) {
    switch (number) {
    case SRCPErrServerNotResponding:
        return "server not responding";
    case SRCPErrUnsupportedVersion:
        return "unsupported version";
    case SRCPErrInvalidWelcome:
        return "invalid welcome string";
    case SRCPErrClientRefused:
        return "Client refused connection";
    case SRCPTextAutomaticLocoProtocol:
        return "Automatic loco protocol";
    case SRCPTextAutomaticLocoDescription:
        return "%s with %d addresses, %d speed steps and %d function(s).";
    case SRCPTextAutomaticSolenoidProtocol:
        return "Automatic solenoid protocol";
    case SRCPTextAutomaticSolenoidDescription:
        return "%s with %d addresses.";
    default:
        return {};
    }
}

void SetSRCPExceptionReporter(std::function<void(const std::string& message)> reporter) {
    std::lock_guard lock(g_reporterMutex);
    g_reporter = std::move(reporter);
}

// ---------------------------------------------------------------------------------------------------
// TSRCPBaseClient

TSRCPBaseClient::TSRCPBaseClient(std::unique_ptr<LineTransport> transport)
    : FConnection(transport ? std::move(transport) : std::make_unique<LineConnection>()) {
    FConnection->setClosedHook([this] { ConnectionClosed(); });
}

TSRCPBaseClient::~TSRCPBaseClient() {
    NotifyObservers();
    FDestroying = true;
    FLogEnabled = false;
    TSRCPBaseClient::Disconnect();
}

void TSRCPBaseClient::NotifyObservers() {
    // An observer may deregister while it is told; walk a copy.
    const auto observers = m_observers;
    m_observers.clear();
    for (auto* observer : observers)
        observer->Notification(this);
}

void TSRCPBaseClient::AddFreeNotification(TSRCPSessionObserver* observer) {
    if (observer && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void TSRCPBaseClient::RemoveFreeNotification(TSRCPSessionObserver* observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

void TSRCPBaseClient::SetClientMode(TSRCPClientMode value) {
    if (!Connected())
        FClientMode = value;
}

// Runs on the thread that noticed the close. Off the main thread the notice is posted, tagged with the
// connection it belongs to.
void TSRCPBaseClient::ConnectionClosed() {
    MainThreadDispatcher* dispatcher = m_sessionDispatcher;
    if (!dispatcher || dispatcher->isMainThread()) {
        HandleOnDisconnect();
        return;
    }
    const unsigned generation = m_generation.load();
    std::weak_ptr<int> alive = m_alive;
    dispatcher->post([this, alive, generation] {
        if (alive.expired() || generation != m_generation.load())
            return;
        ReapReaders(true);
        HandleOnDisconnect();
    });
}

// Main thread only.
void TSRCPBaseClient::HandleOnDisconnect() {
    if (!m_open)
        return;
    m_open = false;
    // The handler sees the old session's id and greeting; should it connect again, those of the new
    // session stay.
    auto forget = [this] {
        if (m_open)
            return;
        FGreeting.clear();
        FSessionID = -1;
    };
    try {
        if (OnDisconnected)
            OnDisconnected(*this);
    } catch (...) {
        forget();
        throw;
    }
    forget();
}

void TSRCPBaseClient::DoLog(const std::string& S) {
    if (FLogEnabled && !FDestroying && OnLog)
        OnLog(*this, S);
}

void TSRCPBaseClient::LogQuietly(const std::string& S) {
    try {
        DoLog(S);
    } catch (...) {
    }
}

void TSRCPBaseClient::DoError() {
    if (OnError)
        OnError(*this);
}

namespace {

// Whole milliseconds left until deadline, rounded up so that a rest below one is not "no limit";
// 0 once it has passed.
int msUntil(TSRCPBaseClient::TTimePoint deadline, TSRCPBaseClient::TTimePoint now) {
    if (now >= deadline)
        return 0;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return static_cast<int>(std::min<long long>(left, INT_MAX));
}

} // namespace

void TSRCPBaseClient::Connect(int ATimeout) {
    ConnectBy(Now() + std::chrono::milliseconds(ATimeout > 0 ? ATimeout : DefaultConnectTimeoutMs));
}

std::string TSRCPBaseClient::ReadHandshakeLine() {
    // The bound is the whole handshake's, so the text names no part of it.
    const int left = msUntil(m_handshakeDeadline, Now());
    if (left <= 0)
        throw TimeoutError("handshake: no answer in time");
    try {
        return FConnection->readLine(left);
    } catch (const TimeoutError&) {
        throw TimeoutError("handshake: no answer in time");
    }
}

void TSRCPBaseClient::ConnectBy(TTimePoint deadline) {
    QUARN_ASSERT_MAIN_THREAD();
    ReapReaders();
    // A close that the main thread has not yet been told of is told now, before the new connection.
    if (m_open && !Connected())
        HandleOnDisconnect();
    if (Connected())
        throw SocketError("already connected", EISCONN);
    ++m_generation;
    FGreeting.clear();
    FSessionID = -1;
    FRefusal.clear();
    m_sessionDispatcher = Dispatcher();
    // Used up by the sessions opened before: nothing is tried, it fails as a late answer does.
    const int left = msUntil(deadline, Now());
    if (left <= 0) {
        DoLog("Err: handshake: no answer in time");
        throw ESRCPClientConnectError(SRCPErrServerNotResponding);
    }
    FConnection->connect(FHost, FPort, left);
    m_open = true;
    m_handshakeDeadline = deadline;
    try {
        ReceiveWelcome();
        SetUsedVersion();
        SetConnectionMode();
        StartClient();
    } catch (const ESRCPHandshakeError& e) {
        FRefusal = e.what();
        DoLog(std::string("Err: ") + e.what());
        Disconnect();
    } catch (const ConnectionClosedError& e) {
        // The server hung up on us: it refused the session, as an error reply would.
        FRefusal = e.what();
        DoLog(std::string("Err: ") + e.what());
        Disconnect();
    } catch (const LineConnectionError& e) {
        // The failed read or write has ended the connection already; make sure it is closed.
        DoLog(std::string("Err: ") + e.what());
        FConnection->close();
        HandleOnDisconnect();
        throw ESRCPClientConnectError(SRCPErrServerNotResponding);
    } catch (const std::exception& e) {
        FRefusal = e.what();
        DoLog(std::string("Err: ") + e.what());
        Disconnect();
    }
}

void TSRCPBaseClient::Disconnect() {
    QUARN_ASSERT_MAIN_THREAD();
    ++m_generation;
    ReapReaders();
    try {
        DoDisconnect();
    } catch (const std::exception& e) {
        LogQuietly(std::string("Err: ") + e.what());
    } catch (...) {
        LogQuietly("Err: unknown exception");
    }
    // Destructors call us: an exception of an OnDisconnected handler ends here too.
    try {
        FConnection->close();
        // The socket may have closed earlier on its own, with the notice still on its way (unless
        // the handler that close() ran has opened it again).
        if (!Connected())
            HandleOnDisconnect();
    } catch (const std::exception& e) {
        LogQuietly(std::string("Err: ") + e.what());
    } catch (...) {
        LogQuietly("Err: unknown exception");
    }
    // An OnDisconnected handler may have opened the session again.
    if (!m_open)
        FSessionID = -1;
}

bool TSRCPBaseClient::SendCommand(TSRCPCmd& Cmd) {
    QUARN_ASSERT_MAIN_THREAD();
    // A command refused here has no reply: OnError must not find the reply to an earlier one.
    if (Cmd.IsErrorCmd()) {
        FResponse.clear();
        DoError();
        return false;
    }
    if (!Connected()) {
        DoLog("Err: Not connected");
        return false;
    }
    const std::string line = Cmd.GetCommand();
    // A command without a syntax row builds as an error line; the server must not get it.
    if (Cmd.IsErrorCmd()) {
        DoLog("Err: " + line);
        FResponse.clear();
        DoError();
        return false;
    }
    DoLog("Snd: " + line);
    const unsigned generation = m_generation.load();
    try {
        FConnection->writeLine(line);
    } catch (const LineConnectionError& e) {
        // The failed write has only shut the connection down; nothing else reads it, so we close it
        // (unless a handler of the close has opened it again).
        if (generation == m_generation.load())
            FConnection->close();
        DoLog(std::string("Err: ") + e.what());
        throw;
    }
    return true;
}

bool TSRCPBaseClient::ReceiveAnswer(TSRCPCmd& Cmd) {
    QUARN_ASSERT_MAIN_THREAD();
    if (!Connected()) {
        Cmd.SetCommandType(ctETempProhibited);
        DoLog("Err: " + Cmd.GetCommand());
        return false;
    }
    std::string line;
    try {
        line = FConnection->readLine(m_replyTimeoutMs);
    } catch (const LineConnectionError& e) {
        DoLog(std::string("Err: ") + e.what());
        throw;
    }
    return DoReceiveAnswer(Cmd, line);
}

bool TSRCPBaseClient::ReceiveHandshakeAnswer(TSRCPCmd& Cmd) {
    return DoReceiveAnswer(Cmd, ReadHandshakeLine());
}

bool TSRCPBaseClient::DoReceiveAnswer(TSRCPCmd& Cmd, const std::string& Line) {
    if (Line.empty())
        return false;
    FResponse = Line;
    DoLog("Rec: " + Line);
    const bool parsed = Cmd.ExamineAnswer(Line);
    if (!parsed)
        Cmd.SetDeviceGroup(dgInvalid);
    if (Cmd.IsErrorCmd()) {
        DoError();
        return false;
    }
    // A reply that did not parse is no good reply either, even when its code is not an error.
    return parsed;
}

void TSRCPBaseClient::ScanWelcomeVersions(const std::string& line) {
    std::string_view rest = line;
    while (!rest.empty()) {
        std::string_view part;
        TSRCPCmd::SplitString(';', rest, part);
        part = SRCPTrim(part);
        for (const auto key : VersionKeys) {
            if (part.size() >= key.size() && SRCPSameText(part.substr(0, key.size()), key)) {
                if (offersCompatible082(part.substr(key.size())))
                    FServerVersions.insert(cv082);
                break;
            }
        }
    }
}

void TSRCPBaseClient::ReceiveWelcome() {
    FServerVersions.clear();
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(FVersion);
    const std::string line = ReadHandshakeLine();
    if (!DoReceiveAnswer(cmd, line))
        throw ESRCPHandshakeError(SRCPErrInvalidWelcome);
    if (cmd.CommandType() != ctWelcome)
        return;
    const auto& welcome = cmd.DevWelcome();
    FGreeting.push_back(welcome.Welcome());
    FGreeting.push_back(welcome.Info());
    for (int i = 0; i < welcome.VersionCount(); ++i)
        FServerVersions.insert(welcome.Versions(i));
    ScanWelcomeVersions(line);
}

void TSRCPBaseClient::SetUsedVersion() {
    if (!ServerOffers(FVersion))
        throw ESRCPHandshakeError(SRCPErrUnsupportedVersion);
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(FVersion);
    cmd.SetCommandType(ctSetVersion);
    cmd.SetDeviceGroup(dgHandshake);
    cmd.DevHandshake().SetVersion(FVersion);
    // A version we cannot build lines in cannot be spoken either.
    if (!SendCommand(cmd))
        throw ESRCPHandshakeError(SRCPErrUnsupportedVersion);
    ReceiveHandshakeAnswer(cmd);
}

void TSRCPBaseClient::SetConnectionMode() {
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(FVersion);
    cmd.SetCommandType(ctSetMode);
    cmd.SetDeviceGroup(dgHandshake);
    cmd.DevHandshake().SetMode(FClientMode == cmInfo ? cmtInfo : cmtCommand);
    if (!SendCommand(cmd))
        throw ESRCPHandshakeError(SRCPErrUnsupportedVersion);
    ReceiveHandshakeAnswer(cmd);
}

void TSRCPBaseClient::StartClient() {
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(FVersion);
    cmd.SetCommandType(ctGo);
    cmd.SetDeviceGroup(dgHandshake);
    if (!SendCommand(cmd))
        throw ESRCPHandshakeError(SRCPErrUnsupportedVersion);
    // One unrelated line (a late reply of the step before) may come first.
    bool accepted = false;
    for (int attempt = 0; attempt < 2 && !accepted; ++attempt) {
        ReceiveHandshakeAnswer(cmd);
        accepted = cmd.CommandType() == ctCmdOK || cmd.CommandType() == ctCmdOKGo;
    }
    if (!accepted) {
        Disconnect();
        throw ESRCPHandshakeError(SRCPErrClientRefused);
    }
    FSessionID = cmd.DevHandshake().SessionID();
}

// ---------------------------------------------------------------------------------------------------
// TSRCPCommandClient

TSRCPCommandClient::TSRCPCommandClient(std::unique_ptr<LineTransport> transport)
    : TSRCPBaseClient(std::move(transport)) {}

TSRCPCommandClient::~TSRCPCommandClient() {
    NotifyObservers();
    FDestroying = true;
    SetLogEnabled(false);
    Disconnect();
}

void TSRCPCommandClient::ConnectBy(TTimePoint deadline) {
    if (!Connected())
        SetClientMode(cmCommand);
    TSRCPBaseClient::ConnectBy(deadline);
}

void TSRCPCommandClient::DoDisconnect() {
    if (FSessionID == -1 || !Connected())
        return;
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(Version());
    cmd.SetCommandType(ctTerm);
    cmd.SetDeviceGroup(dgSession);
    cmd.SetBus(0);
    cmd.DevSession().SetSessionID(FSessionID);
    FSessionID = -1;
    if (!SendCommand(cmd))
        return;
    // The server may close right after its reply, or not answer at all: we close either way. The
    // wait is read on the session's clock, as the handshake's is.
    const TTimePoint start = Now();
    TTimePoint until = start + std::chrono::milliseconds(TermReplyTimeoutMs);
    if (m_goodbyeDeadline && *m_goodbyeDeadline < until)
        until = *m_goodbyeDeadline;
    const std::string late = "read: no line within " + std::to_string(msUntil(until, start)) + " ms";
    for (int i = 0; i < 2000; ++i) {
        const int left = msUntil(until, Now());
        if (left <= 0)
            throw TimeoutError(late);
        std::string line;
        try {
            line = FConnection->readLine(left);
        } catch (const TimeoutError&) {
            throw TimeoutError(late);
        }
        line = std::string(SRCPTrim(line));
        if (!line.empty()) {
            DoReceiveAnswer(cmd, line);
            return;
        }
    }
}

// ---------------------------------------------------------------------------------------------------
// TSRCPInfoReadThread

TSRCPInfoReadThread::TSRCPInfoReadThread(TSRCPInfoClient* client) : FClient(client) {
    m_thread = std::thread([this] { Execute(); });
}

TSRCPInfoReadThread::~TSRCPInfoReadThread() {
    Terminate();
    WaitFor();
}

void TSRCPInfoReadThread::Terminate() {
    m_terminated = true;
    m_token.cancel();
}

void TSRCPInfoReadThread::WaitFor() {
    if (m_thread.joinable())
        m_thread.join();
}

std::exception_ptr TSRCPInfoReadThread::FatalException() const {
    return m_finished ? m_fatal : nullptr;
}

void TSRCPInfoReadThread::Execute() {
    try {
        while (!m_terminated)
            Run();
    } catch (...) {
        m_fatal = std::current_exception();
    }
    m_finished = true;
}

void TSRCPInfoReadThread::Run() {
    if (!FClient) {
        m_terminated = true;
        return;
    }
    FRecvData = FClient->ReaderReadLine();
    if (!FRecvData.empty() && !FClient->HandOver(FRecvData, this, m_token)) {
        m_terminated = true;
        return;
    }
    // Asked to stop while the line was handled: the owner may be closing the socket right now.
    if (m_terminated)
        return;
    FClient->ReaderCheckForDisconnect();
}

// ---------------------------------------------------------------------------------------------------
// TSRCPInfoClient

TSRCPInfoClient::TSRCPInfoClient(std::unique_ptr<LineTransport> transport)
    : TSRCPBaseClient(std::move(transport)) {
    FCmd.SetSRCPVersion(Version());
}

TSRCPInfoClient::~TSRCPInfoClient() {
    NotifyObservers();
    FDestroying = true;
    SetLogEnabled(false);
    Disconnect();
    // Groups still registered outlive us; they must not call back.
    std::vector<TSRCPInfoReceiver*> groups;
    for (const auto& entry : m_registered)
        groups.push_back(entry.first);
    for (auto* group : groups)
        group->Notification(this);
    m_registered.clear();
    for (auto& list : FDeviceGroups)
        list.clear();
}

void TSRCPInfoClient::SetVersion(TSRCPCommandVersion value) {
    TSRCPBaseClient::SetVersion(value);
    FCmd.SetSRCPVersion(value);
}

void TSRCPInfoClient::ConnectBy(TTimePoint deadline) {
    QUARN_ASSERT_MAIN_THREAD();
    if (Connected())
        throw SocketError("already connected", EISCONN);
    // Lines are parsed and dispatched on the main thread only, never on the reader.
    if (!Dispatcher())
        throw std::logic_error("no dispatcher to hand the lines of an info session to");
    StopReader();
    ReapReaders();
    if (!Connected())
        SetClientMode(cmInfo);
    TSRCPBaseClient::ConnectBy(deadline);
    if (Connected())
        FInfoThread = std::make_unique<TSRCPInfoReadThread>(this);
}

void TSRCPInfoClient::Disconnect() {
    QUARN_ASSERT_MAIN_THREAD();
    ++m_generation;
    StopReader();
    TSRCPBaseClient::Disconnect();
}

// Main thread. Stops the reader and joins it, unless the reader is waiting for a dispatch that is
// running (one that called us): then it is joined once that dispatch has returned. Any other reader is
// joined here, before the socket that it reads is closed or opened again.
void TSRCPInfoClient::StopReader() {
    if (!FInfoThread)
        return;
    FInfoThread->Terminate();
    FConnection->shutdown();
    if (std::find(m_dispatching.begin(), m_dispatching.end(), FInfoThread.get()) != m_dispatching.end()) {
        m_retired.push_back(std::move(FInfoThread));
        return;
    }
    FInfoThread->WaitFor();
    FInfoThread.reset();
}

void TSRCPInfoClient::ReapReaders(bool readerEnding) {
    if (m_dispatchDepth > 0)
        return;
    for (auto& reader : m_retired)
        reader->WaitFor();
    m_retired.clear();
    // A reader that ended by itself (the server closed, a read failed).
    if (FInfoThread && (readerEnding || FInfoThread->Finished())) {
        FInfoThread->WaitFor();
        if (auto fatal = FInfoThread->FatalException()) {
            try {
                std::rethrow_exception(fatal);
            } catch (const std::exception& e) {
                LogQuietly(std::string("Err: ") + e.what());
            } catch (...) {
            }
        }
        FInfoThread.reset();
    }
}

bool TSRCPInfoClient::HandOver(const std::string& line, const TSRCPInfoReadThread* reader,
                               MainThreadDispatcher::CancelToken& token) {
    // Connect made sure there is one; the reader ends rather than dispatch on its own thread.
    MainThreadDispatcher* dispatcher = m_sessionDispatcher;
    if (!dispatcher)
        return false;
    return dispatcher->invokeAndWait([this, reader, line] { DispatchFor(reader, line); }, token);
}

void TSRCPInfoClient::DispatchFor(const TSRCPInfoReadThread* reader, const std::string& line) {
    m_dispatching.push_back(reader);
    struct Pop {
        std::vector<const TSRCPInfoReadThread*>& list;
        ~Pop() { list.pop_back(); }
    } pop{m_dispatching};
    DoDataReceive(line);
}

namespace {

std::vector<TSRCPInfoReceiver*>&
listOf(std::array<std::vector<TSRCPInfoReceiver*>, SRCPDeviceGroupCount>& lists, TSRCPDeviceGroup group) {
    return lists[std::min<std::size_t>(group, dgInvalid)];
}

} // namespace

void TSRCPInfoClient::RegisterDeviceGroup(TSRCPInfoReceiver* Group) {
    QUARN_ASSERT_MAIN_THREAD();
    if (!Group)
        return;
    const TSRCPDeviceGroup group = Group->DeviceGroup();
    if (m_registered.emplace(Group, group).second)
        listOf(FDeviceGroups, group).push_back(Group);
}

void TSRCPInfoClient::UnregisterDeviceGroup(TSRCPInfoReceiver* Group) {
    QUARN_ASSERT_MAIN_THREAD();
    const auto entry = m_registered.find(Group);
    if (entry == m_registered.end())
        return;
    auto& list = listOf(FDeviceGroups, entry->second);
    m_registered.erase(entry);
    const auto at = std::find(list.begin(), list.end(), Group);
    if (at == list.end())
        return;
    // A dispatch may be walking this list by position.
    if (m_dispatchDepth > 0) {
        *at = nullptr;
        m_emptiedEntries = true;
    } else {
        list.erase(at);
    }
}

void TSRCPInfoClient::DoDataReceive(const std::string& line) {
    QUARN_ASSERT_MAIN_THREAD();
    // An empty line leaves FCmd as the line before; nothing to log or hand on.
    if (line.empty())
        return;
    // Whatever happens below, the depth comes down again and nothing leaves: the reader waits for
    // this call to return, and a stuck depth would keep every later reader from being joined.
    struct DepthGuard {
        TSRCPInfoClient& client;
        explicit DepthGuard(TSRCPInfoClient& c) : client(c) { ++client.m_dispatchDepth; }
        ~DepthGuard() {
            if (--client.m_dispatchDepth > 0 || !client.m_emptiedEntries)
                return;
            client.m_emptiedEntries = false;
            for (auto& list : client.FDeviceGroups)
                list.erase(std::remove(list.begin(), list.end(), nullptr), list.end());
        }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;
    } depthGuard(*this);
    try {
        DoReceiveAnswer(FCmd, line);
        TSRCPDeviceGroup lineGroup = FCmd.DeviceGroup();
        if (lineGroup == dgLock)
            lineGroup = FCmd.DevLock().LockDevGroup();
        if (lineGroup != dgInvalid) {
            // Handlers may register and unregister groups (or free them) while we walk: those that
            // leave are emptied in place, those that come are added behind the end taken here.
            const auto& list = listOf(FDeviceGroups, lineGroup);
            const std::size_t count = list.size();
            for (std::size_t i = 0; i < count; ++i) {
                TSRCPInfoReceiver* group = list[i];
                if (group && group->TakesLinesOf(lineGroup, FCmd.Bus()))
                    group->SetDataAnswer(FCmd);
            }
        }
    } catch (const std::exception& e) {
        ReportHandlerException(e.what());
    } catch (...) {
        ReportHandlerException("unknown exception");
    }
}

void TSRCPInfoClient::ReportHandlerException(const std::string& message) {
    // The log and the reporter are handlers too; one that throws here is given up on.
    LogQuietly("Err: " + message);
    try {
        reportException(message);
    } catch (...) {
    }
}
