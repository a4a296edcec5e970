#pragma once

// TMoBaSRCPClient: the one object through which a program uses the SRCP 0.8.2 library. It owns a
// command session and an info session to one server, builds the list of buses from the server's
// descriptions, and fires the library's events. All of it runs on the main thread: the info session
// hands every INFO line there through the MainThreadDispatcher, and commands are answered before
// they return. Its operations assert that they are called there (QUARN_ASSERT_MAIN_THREAD).

#include "srcp/MoBaProfiles.h"
#include "srcp/MoBaSRCPBus.h"
#include "srcp/SrcpClnt.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TMoBaSRCPClient {
public:
    // Every event gets the client component as its sender. Objects handed to a handler belong to
    // the library; a handler must not keep them.
    using TNotifyEvent = std::function<void(TMoBaSRCPClient& Sender)>;
    using TLogEvent = std::function<void(TMoBaSRCPClient& Sender, const std::string& Text)>;
    using TMoBaSRCPBusEvent = std::function<void(TMoBaSRCPClient& Sender, TMoBaSRCPBus* ABus)>;
    using TMoBaSRCPLocoEvent = std::function<void(TMoBaSRCPClient& Sender, TMoBaSRCPLoco* ALoco)>;
    using TMoBaSRCPAccessoireEvent =
        std::function<void(TMoBaSRCPClient& Sender, TMoBaSRCPSolenoid* ASolenoid)>;
    using TMoBaSRCPFeedbackEvent = std::function<void(TMoBaSRCPClient& Sender, TMoBaSRCPFeedback* AFeedback)>;

    // How long Connect may take for both sessions' TCP connects and handshakes together.
    static constexpr int ConnectTimeoutMs = TSRCPBaseClient::DefaultConnectTimeoutMs;
    // The list holds buses 0 to 255 only, the bus numbers a protocol description can hold: buses
    // asked for one by one (QueryServer) stop at this many, and a description of any other bus
    // number is ignored, so that a server describing ever new buses cannot grow the list.
    static constexpr int MaxQueriedBusses = 256;

    // Without transports the sessions open TCP connections.
    explicit TMoBaSRCPClient(std::unique_ptr<LineTransport> commandTransport = nullptr,
                             std::unique_ptr<LineTransport> infoTransport = nullptr);
    // Disconnects without firing OnDisconnect.
    ~TMoBaSRCPClient();
    TMoBaSRCPClient(const TMoBaSRCPClient&) = delete;
    TMoBaSRCPClient& operator=(const TMoBaSRCPClient&) = delete;

    // --- properties, in their published order ---
    // Switch track power on when a bus's power group is initialised; set before Connect.
    bool AutoPowerOn() const { return FAutoPowerOn; }
    void SetAutoPowerOn(bool value) {
        QUARN_ASSERT_MAIN_THREAD();
        FAutoPowerOn = value;
    }
    bool Connected() const { return FConnected; }
    void SetConnected(bool value);
    // Stops (true) or lets go on (false) every cached loco of every bus.
    void SetEmergencyStop(bool value);
    const std::string& Host() const { return FCmdClnt->Host(); }
    void SetHost(const std::string& value);
    bool LogEnabled() const { return FCmdClnt->LogEnabled(); }
    void SetLogEnabled(bool value);
    int Port() const { return FCmdClnt->Port(); }
    void SetPort(int value);
    // Takes part in the profiles; activating needs the library to be initialised (std::logic_error).
    bool ProfileActive() const { return FProfileItem.Active(); }
    void SetProfileActive(bool value) { FProfileItem.SetActive(value); }
    // Build the bus list at connect time by asking for bus 0, 1, 2, ... until one has no description.
    bool QueryServer() const { return FQueryServer; }
    void SetQueryServer(bool value) {
        QUARN_ASSERT_MAIN_THREAD();
        FQueryServer = value;
    }
    int SessionID() const {
        QUARN_ASSERT_MAIN_THREAD();
        return FCmdClnt->SessionID();
    }
    int InfoSessionID() const { return FInfoClnt->SessionID(); }
    // The command session's greeting lines, each followed by CR LF.
    std::string Welcome() const;

    // --- events ---
    TNotifyEvent OnConnected;
    // Once when a connected component loses or closes its connection.
    TNotifyEvent OnDisconnect;
    TLogEvent OnCmdLog;
    TLogEvent OnInfoLog;
    TMoBaSRCPBusEvent OnBusInit;
    TMoBaSRCPBusEvent OnBusPowerChange;
    TMoBaSRCPBusEvent OnBusConfigChange;
    TMoBaSRCPLocoEvent OnLocoInit;
    TMoBaSRCPLocoEvent OnLocoTerm;
    TMoBaSRCPLocoEvent OnLocoChange;
    TMoBaSRCPLocoEvent OnLocoLock;
    TMoBaSRCPLocoEvent OnLocoUnlock;
    TMoBaSRCPAccessoireEvent OnAccessoireInit;
    TMoBaSRCPAccessoireEvent OnAccessoireTerm;
    TMoBaSRCPAccessoireEvent OnAccessoireChange;
    TMoBaSRCPAccessoireEvent OnAccessoireLock;
    TMoBaSRCPAccessoireEvent OnAccessoireUnlock;
    TMoBaSRCPFeedbackEvent OnFeedbackInit;
    TMoBaSRCPFeedbackEvent OnFeedbackTerm;
    TMoBaSRCPFeedbackEvent OnFeedbackChange;
    TNotifyEvent OnTimeInit;
    TNotifyEvent OnTimeTerm;
    TNotifyEvent OnTimeChange;

    // Opens the command session, builds the buses (with QueryServer), opens the info session, then
    // fires OnConnected. A failed TCP connect or a connection failing during a handshake raises (the
    // component is disconnected then); a server that refuses a handshake leaves Connected() false.
    // Both sessions are open within ConnectTimeoutMs of the call or it fails with
    // ESRCPClientConnectError, however slowly the server sends its handshake lines; when the info
    // session fails, the command session's goodbye ends within that bound, too.
    void Connect();
    // Where Connect and the sessions read the time (tests); the steady clock without one.
    void SetClock(TSRCPBaseClient::TClock clock);
    // Says goodbye on the command session, closes both and lets the buses go.
    void Disconnect();

    int BusCount() const {
        QUARN_ASSERT_MAIN_THREAD();
        return static_cast<int>(FBusList.size());
    }
    // The bus at list position index (creation order, not the bus number); std::out_of_range outside.
    TMoBaSRCPBus* Busses(int index) const;
    IniFile* ProfileIniFile() const { return FProfileItem.GetIniFile(); }
    // Every bus's settings, in list order.
    void ReadFromIniFile(const IniFile& Ini);
    void WriteToIniFile(IniFile& Ini) const;

    // Where INFO lines and remote closes are handed to; the global dispatcher without one.
    void SetDispatcher(MainThreadDispatcher* dispatcher);
    TSRCPCommandClient* CmdClnt() const { return FCmdClnt.get(); }
    TSRCPInfoClient* InfoClnt() const { return FInfoClnt.get(); }

    // --- called by the bus wrappers; each fires its event while connected ---
    void DoBusInit(TMoBaSRCPBus* ABus);
    void DoBusPowerEvent(TMoBaSRCPBus* ABus);
    void DoBusConfigChange(TMoBaSRCPBus* ABus);
    void DoLocoInitEvent(TMoBaSRCPLoco* ALoco);
    void DoLocoTermEvent(TMoBaSRCPLoco* ALoco);
    void DoLocoChangeEvent(TMoBaSRCPLoco* ALoco);
    void DoLocoLockUnlockEvent(TMoBaSRCPLoco* ALoco);
    void DoAccessoireInitEvent(TMoBaSRCPSolenoid* ASolenoid);
    void DoAccessoireTermEvent(TMoBaSRCPSolenoid* ASolenoid);
    void DoAccessoireChangeEvent(TMoBaSRCPSolenoid* ASolenoid);
    void DoAccessoireLockUnlockEvent(TMoBaSRCPSolenoid* ASolenoid);
    void DoFeedbackInitEvent(TMoBaSRCPFeedback* AFeedback);
    void DoFeedbackTermEvent(TMoBaSRCPFeedback* AFeedback);
    void DoFeedbackChangeEvent(TMoBaSRCPFeedback* AFeedback);
    void DoTimeInitEvent();
    void DoTimeTermEvent();
    void DoTimeChangeEvent();

    // Held by every bus operation that sends a command or takes a line: while one runs, a disconnect
    // lets the buses go at once but frees them only afterwards, on the main thread.
    class TActivity {
    public:
        explicit TActivity(TMoBaSRCPClient& client);
        ~TActivity();
        TActivity(const TActivity&) = delete;
        TActivity& operator=(const TActivity&) = delete;

    private:
        TMoBaSRCPClient& m_client;
    };

private:
    void HandleDisconnect();
    void HandleDescriptionOnChange();
    void ClearBusses();
    void FreeRetired();
    template <class Event, class... Args> void Fire(const Event& event, Args... args);

    bool FAutoPowerOn = false;
    bool FQueryServer = false;
    bool FConnected = false;
    // The sessions outlive everything that refers to them.
    std::unique_ptr<TSRCPCommandClient> FCmdClnt;
    std::unique_ptr<TSRCPInfoClient> FInfoClnt;
    TMoBaProfileItem FProfileItem;
    std::vector<std::unique_ptr<TMoBaSRCPBus>> FBusList;
    std::unique_ptr<TSRCPCustomDescription> FDescription;

    // Bus operations running now; buses and description groups let go meanwhile, to be freed.
    int m_activity = 0;
    std::vector<std::unique_ptr<TMoBaSRCPBus>> m_retiredBusses;
    std::vector<std::unique_ptr<TSRCPCustomDescription>> m_retiredDescriptions;
    // Lets a posted release find out that the component is gone.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};
