#include "srcp/MoBaSRCP.h"

#include "platform/IniFile.h"

#include <chrono>
#include <exception>
#include <stdexcept>

// ---------------------------------------------------------------------------------------------------
// TActivity

TMoBaSRCPClient::TActivity::TActivity(TMoBaSRCPClient& client) : m_client(client) {
    ++m_client.m_activity;
}

TMoBaSRCPClient::TActivity::~TActivity() {
    if (--m_client.m_activity > 0 ||
        (m_client.m_retiredBusses.empty() && m_client.m_retiredDescriptions.empty()))
        return;
    // The operation that is ending may still be on its way out of a bus or group that was let go:
    // free them from the main thread's queue, with nothing of theirs on the stack.
    MainThreadDispatcher* dispatcher = m_client.FCmdClnt->Dispatcher();
    if (!dispatcher) {
        m_client.FreeRetired();
        return;
    }
    std::weak_ptr<int> alive = m_client.m_alive;
    TMoBaSRCPClient* client = &m_client;
    dispatcher->post([alive, client] {
        if (!alive.expired() && client->m_activity == 0)
            client->FreeRetired();
    });
}

// ---------------------------------------------------------------------------------------------------
// TMoBaSRCPClient

TMoBaSRCPClient::TMoBaSRCPClient(std::unique_ptr<LineTransport> commandTransport,
                                 std::unique_ptr<LineTransport> infoTransport)
    : FCmdClnt(std::make_unique<TSRCPCommandClient>(std::move(commandTransport))),
      FInfoClnt(std::make_unique<TSRCPInfoClient>(std::move(infoTransport))) {
    FCmdClnt->OnDisconnected = [this](TSRCPBaseClient&) { HandleDisconnect(); };
    FInfoClnt->OnDisconnected = [this](TSRCPBaseClient&) { HandleDisconnect(); };
    FCmdClnt->OnLog = [this](TSRCPBaseClient&, const std::string& text) { Fire(OnCmdLog, text); };
    FInfoClnt->OnLog = [this](TSRCPBaseClient&, const std::string& text) { Fire(OnInfoLog, text); };
    FProfileItem.OnLoad = [this](TMoBaProfileItem* item) {
        if (IniFile* ini = item->GetIniFile())
            ReadFromIniFile(*ini);
    };
    FProfileItem.OnSave = [this](TMoBaProfileItem* item) {
        if (IniFile* ini = item->GetIniFile())
            WriteToIniFile(*ini);
    };
}

TMoBaSRCPClient::~TMoBaSRCPClient() {
    FCmdClnt->OnDisconnected = nullptr;
    FInfoClnt->OnDisconnected = nullptr;
    Disconnect();
    m_activity = 0;
    FreeRetired();
    FProfileItem.SetActive(false);
}

template <class Event, class... Args> void TMoBaSRCPClient::Fire(const Event& event, Args... args) {
    if (event)
        event(*this, args...);
}

void TMoBaSRCPClient::SetConnected(bool value) {
    QUARN_ASSERT_MAIN_THREAD();
    if (value)
        Connect();
    else
        Disconnect();
}

void TMoBaSRCPClient::SetEmergencyStop(bool value) {
    QUARN_ASSERT_MAIN_THREAD();
    TActivity activity(*this);
    // By position: a bus may be let go (and the list emptied) by a command that loses the server.
    for (std::size_t i = 0; i < FBusList.size(); ++i)
        FBusList[i]->SetEmergencyStop(value);
}

void TMoBaSRCPClient::SetHost(const std::string& value) {
    QUARN_ASSERT_MAIN_THREAD();
    FCmdClnt->SetHost(value);
    FInfoClnt->SetHost(FCmdClnt->Host());
}

void TMoBaSRCPClient::SetLogEnabled(bool value) {
    QUARN_ASSERT_MAIN_THREAD();
    FCmdClnt->SetLogEnabled(value);
    FInfoClnt->SetLogEnabled(value);
}

void TMoBaSRCPClient::SetPort(int value) {
    QUARN_ASSERT_MAIN_THREAD();
    FCmdClnt->SetPort(value);
    FInfoClnt->SetPort(value);
}

void TMoBaSRCPClient::SetClock(TSRCPBaseClient::TClock clock) {
    QUARN_ASSERT_MAIN_THREAD();
    FCmdClnt->SetClock(clock);
    FInfoClnt->SetClock(std::move(clock));
}

void TMoBaSRCPClient::SetDispatcher(MainThreadDispatcher* dispatcher) {
    QUARN_ASSERT_MAIN_THREAD();
    FCmdClnt->SetDispatcher(dispatcher);
    FInfoClnt->SetDispatcher(dispatcher);
}

std::string TMoBaSRCPClient::Welcome() const {
    QUARN_ASSERT_MAIN_THREAD();
    std::string text;
    for (const std::string& line : FCmdClnt->GreetingLines())
        text += line + "\r\n";
    return text;
}

TMoBaSRCPBus* TMoBaSRCPClient::Busses(int index) const {
    QUARN_ASSERT_MAIN_THREAD();
    if (index < 0 || index >= BusCount())
        throw std::out_of_range("bus list index " + std::to_string(index) + " out of bounds");
    return FBusList[static_cast<std::size_t>(index)].get();
}

void TMoBaSRCPClient::ReadFromIniFile(const IniFile& Ini) {
    QUARN_ASSERT_MAIN_THREAD();
    for (auto& bus : FBusList)
        bus->ReadFromIniFile(Ini);
}

void TMoBaSRCPClient::WriteToIniFile(IniFile& Ini) const {
    QUARN_ASSERT_MAIN_THREAD();
    for (const auto& bus : FBusList)
        bus->WriteToIniFile(Ini);
}

void TMoBaSRCPClient::Connect() {
    QUARN_ASSERT_MAIN_THREAD();
    // Connecting twice would tear down the open sessions.
    if (FConnected)
        return;
    FConnected = true;
    // One bound for both sessions' connects and handshakes together: the window waits for the whole
    // of Connect. Asking for the buses in between has time-outs of its own and does not count.
    auto deadline = FCmdClnt->Now() + std::chrono::milliseconds(ConnectTimeoutMs);
    try {
        FCmdClnt->ConnectBy(deadline);
    } catch (...) {
        FConnected = false;
        throw;
    }
    // A refused handshake has run HandleDisconnect through the session's close already.
    if (!FCmdClnt->Connected())
        return;

    FDescription = std::make_unique<TSRCPCustomDescription>();
    FDescription->SetCommandClient(FCmdClnt.get());
    FDescription->SetInfoClient(FInfoClnt.get());
    FDescription->SetEventMode(semAll);
    FDescription->OnChange = [this](TSRCPBaseDeviceGroup&) { HandleDescriptionOnChange(); };

    if (FQueryServer) {
        const auto queryStart = FCmdClnt->Now();
        while (FConnected && BusCount() < MaxQueriedBusses) {
            auto bus = std::make_unique<TMoBaSRCPBus>(this, nullptr);
            if (bus->Invalid() || !FConnected)
                break;
            FBusList.push_back(std::move(bus));
            DoBusInit(FBusList.back().get());
        }
        deadline += FCmdClnt->Now() - queryStart;
    }
    if (!FConnected)
        return;

    {
        // Should the info session fail, the command session's goodbye ends by the same bound: the
        // window waits for all of it.
        FCmdClnt->SetGoodbyeDeadline(deadline);
        struct GoodbyeBound {
            TSRCPCommandClient& session;
            ~GoodbyeBound() { session.SetGoodbyeDeadline(std::nullopt); }
        } goodbyeBound{*FCmdClnt};
        try {
            FInfoClnt->ConnectBy(deadline);
        } catch (...) {
            // Nothing stays half open: the command session says goodbye and the buses go.
            Disconnect();
            throw;
        }
        if (!FInfoClnt->Connected()) {
            Disconnect();
            return;
        }
    }
    if (FConnected && OnConnected)
        OnConnected(*this);
}

void TMoBaSRCPClient::Disconnect() {
    QUARN_ASSERT_MAIN_THREAD();
    if (FInfoClnt->Connected())
        FInfoClnt->Disconnect();
    if (FCmdClnt->Connected())
        FCmdClnt->Disconnect();
    ClearBusses();
    FConnected = false;
}

// Main thread, through either session's close: an explicit disconnect, the server closing, a failed
// handshake or a reply that never came.
void TMoBaSRCPClient::HandleDisconnect() {
    std::exception_ptr handlerFailure;
    if (FConnected) {
        FConnected = false;
        // From here on the buses take no lines and send nothing; the handler may still look at them.
        for (auto& bus : FBusList)
            bus->Detach();
        if (FDescription) {
            FDescription->SetInfoClient(nullptr);
            FDescription->SetCommandClient(nullptr);
        }
        try {
            if (OnDisconnect)
                OnDisconnect(*this);
        } catch (...) {
            handlerFailure = std::current_exception();
        }
    }
    if (FInfoClnt->Connected())
        FInfoClnt->Disconnect();
    if (FCmdClnt->Connected())
        FCmdClnt->Disconnect();
    ClearBusses();
    if (handlerFailure)
        std::rethrow_exception(handlerFailure);
}

void TMoBaSRCPClient::ClearBusses() {
    if (m_activity == 0 && m_retiredBusses.empty() && m_retiredDescriptions.empty()) {
        while (!FBusList.empty())
            FBusList.pop_back();
        FDescription.reset();
        return;
    }
    // A command or a line of these buses is still running: they leave the list now and are freed
    // once it is over.
    for (auto& bus : FBusList) {
        bus->Detach();
        m_retiredBusses.push_back(std::move(bus));
    }
    FBusList.clear();
    if (FDescription) {
        FDescription->SetInfoClient(nullptr);
        FDescription->SetCommandClient(nullptr);
        m_retiredDescriptions.push_back(std::move(FDescription));
    }
    if (m_activity == 0)
        FreeRetired();
}

void TMoBaSRCPClient::FreeRetired() {
    // Freeing a bus may write the profile, never run a command; still, take the lists first.
    auto busses = std::move(m_retiredBusses);
    auto descriptions = std::move(m_retiredDescriptions);
    m_retiredBusses.clear();
    m_retiredDescriptions.clear();
    while (!busses.empty())
        busses.pop_back();
    descriptions.clear();
}

void TMoBaSRCPClient::HandleDescriptionOnChange() {
    TActivity activity(*this);
    if (!FDescription || !FConnected)
        return;
    const int number = FDescription->Bus();
    if (number < 0 || number >= MaxQueriedBusses || number + 1 <= BusCount())
        return;
    // The bus may run commands while it is made (the power group asks for its state).
    auto bus = std::make_unique<TMoBaSRCPBus>(this, FDescription.get());
    if (!FConnected)
        return;
    FBusList.push_back(std::move(bus));
    DoBusInit(FBusList.back().get());
}

// ---- events ----

void TMoBaSRCPClient::DoBusInit(TMoBaSRCPBus* ABus) {
    if (FConnected)
        Fire(OnBusInit, ABus);
}
void TMoBaSRCPClient::DoBusPowerEvent(TMoBaSRCPBus* ABus) {
    if (FConnected)
        Fire(OnBusPowerChange, ABus);
}
void TMoBaSRCPClient::DoBusConfigChange(TMoBaSRCPBus* ABus) {
    if (FConnected)
        Fire(OnBusConfigChange, ABus);
}
void TMoBaSRCPClient::DoLocoInitEvent(TMoBaSRCPLoco* ALoco) {
    if (FConnected)
        Fire(OnLocoInit, ALoco);
}
void TMoBaSRCPClient::DoLocoTermEvent(TMoBaSRCPLoco* ALoco) {
    if (FConnected)
        Fire(OnLocoTerm, ALoco);
}
void TMoBaSRCPClient::DoLocoChangeEvent(TMoBaSRCPLoco* ALoco) {
    if (FConnected)
        Fire(OnLocoChange, ALoco);
}
void TMoBaSRCPClient::DoLocoLockUnlockEvent(TMoBaSRCPLoco* ALoco) {
    if (FConnected)
        Fire(ALoco->Locked ? OnLocoLock : OnLocoUnlock, ALoco);
}
void TMoBaSRCPClient::DoAccessoireInitEvent(TMoBaSRCPSolenoid* ASolenoid) {
    if (FConnected)
        Fire(OnAccessoireInit, ASolenoid);
}
void TMoBaSRCPClient::DoAccessoireTermEvent(TMoBaSRCPSolenoid* ASolenoid) {
    if (FConnected)
        Fire(OnAccessoireTerm, ASolenoid);
}
void TMoBaSRCPClient::DoAccessoireChangeEvent(TMoBaSRCPSolenoid* ASolenoid) {
    if (FConnected)
        Fire(OnAccessoireChange, ASolenoid);
}
void TMoBaSRCPClient::DoAccessoireLockUnlockEvent(TMoBaSRCPSolenoid* ASolenoid) {
    if (FConnected)
        Fire(ASolenoid->Locked ? OnAccessoireLock : OnAccessoireUnlock, ASolenoid);
}
void TMoBaSRCPClient::DoFeedbackInitEvent(TMoBaSRCPFeedback* AFeedback) {
    if (FConnected)
        Fire(OnFeedbackInit, AFeedback);
}
void TMoBaSRCPClient::DoFeedbackTermEvent(TMoBaSRCPFeedback* AFeedback) {
    if (FConnected)
        Fire(OnFeedbackTerm, AFeedback);
}
void TMoBaSRCPClient::DoFeedbackChangeEvent(TMoBaSRCPFeedback* AFeedback) {
    if (FConnected)
        Fire(OnFeedbackChange, AFeedback);
}
void TMoBaSRCPClient::DoTimeInitEvent() {
    if (FConnected)
        Fire(OnTimeInit);
}
void TMoBaSRCPClient::DoTimeTermEvent() {
    if (FConnected)
        Fire(OnTimeTerm);
}
void TMoBaSRCPClient::DoTimeChangeEvent() {
    if (FConnected)
        Fire(OnTimeChange);
}
