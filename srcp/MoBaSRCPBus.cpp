#include "srcp/MoBaSRCPBus.h"

#include "platform/IniFile.h"
#include "srcp/MoBaSRCP.h"

#include <stdexcept>

namespace {

const char* const KeyDelay = "AccessoireDelayTime";
const char* const KeyInitString = "FeedbackInitString";
const char* const KeyMultiplicator = "TimeMultiplicator";
const char* const KeyDivisor = "TimeDivisor";

// What a cached device becomes when the server reports a change, and when it reports its INIT.
TMoBaSRCPState stateAfterChange(TMoBaSRCPState state) {
    return state == mssUninitilized || state == mssTerminated ? mssUninitilized : mssActivNoRead;
}
TMoBaSRCPState stateAfterInit(TMoBaSRCPState state) {
    return state == mssActivNoRead || state == mssUninitilized ? mssActivNoRead : mssInitialized;
}

// The cached device with that address, taken out of the cache and marked terminated; null when there
// is none.
template <class Cached> std::unique_ptr<Cached> takeOut(TMoBaSRCPCache<Cached>& cache, int address) {
    std::unique_ptr<Cached> device = cache.TakeOut(address);
    if (device)
        device->SetSRCPState(mssTerminated);
    return device;
}

template <class Cached, class Reported> void takeInit(Cached& cached, const Reported& reported, int bus) {
    cached.SetProtocol(reported.Protocol());
    cached.SetAddress(reported.Address());
    cached.SetBus(bus);
    cached.SetSRCPState(stateAfterInit(cached.SRCPState()));
}

template <class Cached, class Reported> void takeLock(Cached& cached, const Reported& reported, int bus) {
    if (cached.SRCPState() == mssTerminated) {
        cached.SetProtocol(nullptr);
        cached.SetSRCPState(mssUninitilized);
    }
    cached.SetAddress(reported.Address());
    cached.Locked = reported.Locked;
    cached.LockID = reported.LockID;
    cached.SetBus(bus);
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TMoBaSRCPBusWrapper

TMoBaSRCPClient& TMoBaSRCPBusWrapper::Client() const {
    return *FBus->Client();
}

bool TMoBaSRCPBusWrapper::MaySend() const {
    return Client().Connected() && !FBus->Detached();
}

void TMoBaSRCPBusWrapper::Attach(TSRCPBaseDeviceGroup& group) const {
    group.SetCommandClient(FBus->CmdClnt());
    group.SetInfoClient(FBus->InfoClnt());
    group.SetBus(FBus->BusNumber());
    group.SetEventMode(semBus);
}

void TMoBaSRCPBusWrapper::Detach() {
    Group().SetInfoClient(nullptr);
    Group().SetCommandClient(nullptr);
}

// ---------------------------------------------------------------------------------------------------
// TMoBaSRCPPower

TMoBaSRCPPower::TMoBaSRCPPower(TMoBaSRCPBus* ABus)
    : TMoBaSRCPBusWrapper(ABus), FPower(std::make_unique<TSRCPPower>()) {
    Attach(*FPower);
    FPower->OnInit = [this](TSRCPBaseDeviceGroup&) { HandleOnInit(); };
    const auto configChange = [this](TSRCPBaseDeviceGroup&) {
        TMoBaSRCPClient::TActivity activity(Client());
        Client().DoBusConfigChange(FBus);
    };
    FPower->OnTerm = configChange;
    FPower->OnLock = configChange;
    FPower->OnUnlock = configChange;
    FPower->OnChange = [this](TSRCPBaseDeviceGroup&) {
        TMoBaSRCPClient::TActivity activity(Client());
        Client().DoBusPowerEvent(FBus);
    };
    Update();
}

bool TMoBaSRCPPower::SetPowerOn(bool value) {
    TMoBaSRCPClient::TActivity activity(Client());
    FPower->SetPowerOn(value);
    return MaySend() && FPower->SetData();
}

bool TMoBaSRCPPower::Update() {
    TMoBaSRCPClient::TActivity activity(Client());
    return MaySend() && FPower->GetData();
}

void TMoBaSRCPPower::HandleOnInit() {
    TMoBaSRCPClient::TActivity activity(Client());
    if (FBus->AutoPowerOn() && MaySend()) {
        FPower->GetData();
        if (!FPower->PowerOn() && MaySend()) {
            FPower->SetPowerOn(true);
            FPower->SetData();
        }
    }
    Client().DoBusConfigChange(FBus);
}

// ---------------------------------------------------------------------------------------------------
// TMoBaSRCPLocos

TMoBaSRCPLocos::TMoBaSRCPLocos(TMoBaSRCPBus* ABus)
    : TMoBaSRCPBusWrapper(ABus), FSRCPLoco(std::make_unique<TMoBaSRCPLocoClient>()) {
    Attach(*FSRCPLoco);
    FSRCPLoco->OnChange = [this](TSRCPBaseDeviceGroup&) { HandleOnChange(); };
    FSRCPLoco->OnInit = [this](TSRCPBaseDeviceGroup&) { HandleOnInit(); };
    FSRCPLoco->OnTerm = [this](TSRCPBaseDeviceGroup&) { HandleOnTerm(); };
    FSRCPLoco->OnLock = [this](TSRCPBaseDeviceGroup&) { HandleLockUnlock(); };
    FSRCPLoco->OnUnlock = [this](TSRCPBaseDeviceGroup&) { HandleLockUnlock(); };
}

bool TMoBaSRCPLocos::Add(const TMoBaAdvancedLoco& ALoco) {
    TMoBaSRCPClient::TActivity activity(Client());
    if (!MaySend())
        return false;
    FSRCPLoco->SetLoco(ALoco);
    FSRCPLoco->SetBus(FBus->BusNumber());
    FSRCPLoco->Initalize();
    return MaySend() && FSRCPLoco->SetData();
}

bool TMoBaSRCPLocos::Change(const TMoBaAdvancedLoco& ALoco) {
    TMoBaSRCPClient::TActivity activity(Client());
    if (!MaySend())
        return false;
    FSRCPLoco->SetLoco(ALoco);
    FSRCPLoco->SetBus(FBus->BusNumber());
    return FSRCPLoco->SetData();
}

TMoBaSRCPLoco& TMoBaSRCPLocos::FindOrCreate(int address) {
    if (TMoBaSRCPLoco* loco = Locos(address))
        return *loco;
    // Found again by the next line, even when this one is not taken over.
    auto loco = std::make_unique<TMoBaSRCPLoco>();
    loco->SetAddress(address);
    return FLocoList.Append(std::move(loco));
}

void TMoBaSRCPLocos::HandleOnChange() {
    TMoBaSRCPClient::TActivity activity(Client());
    const TMoBaAdvancedLoco& reported = *FSRCPLoco->Loco();
    const int address = reported.Address();
    TMoBaSRCPLoco& loco = FindOrCreate(address);
    if (loco.SRCPState() == mssTerminated)
        loco.SetProtocol(nullptr);
    // Only an older report is dropped: servers stamp in milliseconds, and of two equal stamps the
    // later line of the session is the later state.
    const double stamp = FSRCPLoco->TimeStamps(ststData);
    if (stamp < loco.TimeStamp())
        return;
    loco.SetAddress(reported.Address());
    loco.SetDriveMode(reported.DriveMode());
    loco.SetSpeedStep(reported.SpeedStep());
    loco.SetMaxSpeed(reported.MaxSpeed());
    loco.SetFunctionCount(reported.FunctionCount());
    for (int i = 0; i < reported.FunctionCount(); ++i)
        loco.SetFunctions(i, reported.Functions(i));
    loco.SetTimeStamp(stamp);
    loco.SetBus(FSRCPLoco->Bus());
    loco.SetSRCPState(stateAfterChange(loco.SRCPState()));
    FLocoList.Readdress(loco, address);
    Client().DoLocoChangeEvent(&loco);
}

void TMoBaSRCPLocos::HandleOnInit() {
    TMoBaSRCPClient::TActivity activity(Client());
    const TMoBaAdvancedLoco& reported = *FSRCPLoco->Loco();
    TMoBaSRCPLoco& loco = FindOrCreate(reported.Address());
    takeInit(loco, reported, FSRCPLoco->Bus());
    loco.SetFunctionCount(reported.FunctionCount());
    FLocoList.Readdress(loco, reported.Address());
    Client().DoLocoInitEvent(&loco);
}

void TMoBaSRCPLocos::HandleOnTerm() {
    TMoBaSRCPClient::TActivity activity(Client());
    if (auto loco = takeOut(FLocoList, FSRCPLoco->Loco()->Address()))
        Client().DoLocoTermEvent(loco.get());
}

void TMoBaSRCPLocos::HandleLockUnlock() {
    TMoBaSRCPClient::TActivity activity(Client());
    const TMoBaAdvancedLoco& reported = *FSRCPLoco->Loco();
    TMoBaSRCPLoco& loco = FindOrCreate(reported.Address());
    takeLock(loco, reported, FSRCPLoco->Bus());
    FLocoList.Readdress(loco, reported.Address());
    Client().DoLocoLockUnlockEvent(&loco);
}

// ---------------------------------------------------------------------------------------------------
// TMoBaSRCPAccessoires

TMoBaSRCPAccessoires::TMoBaSRCPAccessoires(TMoBaSRCPBus* ABus)
    : TMoBaSRCPBusWrapper(ABus), FSRCPAccessoire(std::make_unique<TMoBaSRCPAccessoireClient>()) {
    Attach(*FSRCPAccessoire);
    FSRCPAccessoire->OnChange = [this](TSRCPBaseDeviceGroup&) { HandleOnChange(); };
    FSRCPAccessoire->OnInit = [this](TSRCPBaseDeviceGroup&) { HandleOnInit(); };
    FSRCPAccessoire->OnTerm = [this](TSRCPBaseDeviceGroup&) { HandleOnTerm(); };
    FSRCPAccessoire->OnLock = [this](TSRCPBaseDeviceGroup&) { HandleLockUnlock(); };
    FSRCPAccessoire->OnUnlock = [this](TSRCPBaseDeviceGroup&) { HandleLockUnlock(); };
    FDefaultDelay = 200;
}

bool TMoBaSRCPAccessoires::Add(const TMoBaAdvancedSolenoid& ASolenoid) {
    TMoBaSRCPClient::TActivity activity(Client());
    if (!MaySend())
        return false;
    FSRCPAccessoire->SetSolenoid(ASolenoid);
    FSRCPAccessoire->SetBus(FBus->BusNumber());
    FSRCPAccessoire->Initalize();
    if (!MaySend() || !FSRCPAccessoire->SetData())
        return false;
    auto copy = std::make_unique<TMoBaSRCPSolenoid>();
    copy->Assign(ASolenoid);
    copy->SetBus(FBus->BusNumber());
    // One copy per accessory: adding it again replaces the copy, so repeated adds cannot pile up.
    for (auto& added : FAddedList) {
        if (added->Bus() == copy->Bus() && added->Address() == copy->Address()) {
            added = std::move(copy);
            return true;
        }
    }
    FAddedList.push_back(std::move(copy));
    return true;
}

bool TMoBaSRCPAccessoires::Change(const TMoBaAdvancedSolenoid& ASolenoid) {
    TMoBaSRCPClient::TActivity activity(Client());
    if (!MaySend())
        return false;
    FSRCPAccessoire->SetSolenoid(ASolenoid);
    FSRCPAccessoire->SetBus(FBus->BusNumber());
    return FSRCPAccessoire->SetData();
}

std::unique_ptr<TMoBaSRCPSolenoid> TMoBaSRCPAccessoires::NewSolenoid(int address) const {
    auto solenoid = std::make_unique<TMoBaSRCPSolenoid>();
    solenoid->SetAddress(address);
    solenoid->SetActivationTime(FDefaultDelay);
    return solenoid;
}

TMoBaSRCPSolenoid& TMoBaSRCPAccessoires::FindOrCreate(int address) {
    if (TMoBaSRCPSolenoid* solenoid = Solenoids(address))
        return *solenoid;
    return FAccessoireList.Append(NewSolenoid(address));
}

void TMoBaSRCPAccessoires::CopyDelayTime(TMoBaSRCPSolenoid& solenoid) {
    for (auto it = FAddedList.begin(); it != FAddedList.end(); ++it) {
        if ((*it)->Bus() == solenoid.Bus() && (*it)->Address() == solenoid.Address()) {
            solenoid.SetActivationTime((*it)->ActivationTime());
            FAddedList.erase(it);
            return;
        }
    }
}

void TMoBaSRCPAccessoires::HandleOnChange() {
    TMoBaSRCPClient::TActivity activity(Client());
    const TMoBaAdvancedSolenoid& reported = *FSRCPAccessoire->Solenoid();
    const int port = FSRCPAccessoire->Port();
    const int address = reported.Address();
    // A new accessory joins the cache only with a line for a port it has.
    std::unique_ptr<TMoBaSRCPSolenoid> added;
    TMoBaSRCPSolenoid* found = Solenoids(address);
    if (!found) {
        added = NewSolenoid(address);
        found = added.get();
    }
    TMoBaSRCPSolenoid& solenoid = *found;
    if (solenoid.SRCPState() == mssTerminated)
        solenoid.SetProtocol(nullptr);
    // The line's port must be one the accessory has: its time stamp is kept per port.
    if (port < 0 || port >= solenoid.PortCount() || port >= reported.PortCount()) {
        FBus->InfoClnt()->DoLog("Err: port " + std::to_string(port) + " of accessory " +
                                std::to_string(address) + " does not exist; line dropped");
        return;
    }
    // Found again by the next line, even when this one is not taken over.
    if (added)
        FAccessoireList.Append(std::move(added));
    // As for locos, an equal stamp is a later report of the same millisecond.
    const double stamp = FSRCPAccessoire->TimeStamps(ststData);
    if (stamp < solenoid.TimeStamps(port))
        return;
    solenoid.SetAddress(reported.Address());
    solenoid.SetPorts(port, reported.Ports(port));
    solenoid.SetTimeStamps(port, stamp);
    solenoid.SetBus(FSRCPAccessoire->Bus());
    CopyDelayTime(solenoid);
    // The port with the newest stamp is the active one; among equal stamps the line's own port,
    // the last reported.
    int newest = port;
    for (int p = 0; p < solenoid.PortCount(); ++p)
        if (solenoid.TimeStamps(p) > solenoid.TimeStamps(newest))
            newest = p;
    solenoid.SetActivePort(newest);
    solenoid.SetSRCPState(stateAfterChange(solenoid.SRCPState()));
    FAccessoireList.Readdress(solenoid, address);
    Client().DoAccessoireChangeEvent(&solenoid);
}

void TMoBaSRCPAccessoires::HandleOnInit() {
    TMoBaSRCPClient::TActivity activity(Client());
    const TMoBaAdvancedSolenoid& reported = *FSRCPAccessoire->Solenoid();
    TMoBaSRCPSolenoid& solenoid = FindOrCreate(reported.Address());
    takeInit(solenoid, reported, FSRCPAccessoire->Bus());
    FAccessoireList.Readdress(solenoid, reported.Address());
    Client().DoAccessoireInitEvent(&solenoid);
}

void TMoBaSRCPAccessoires::HandleOnTerm() {
    TMoBaSRCPClient::TActivity activity(Client());
    if (auto solenoid = takeOut(FAccessoireList, FSRCPAccessoire->Solenoid()->Address()))
        Client().DoAccessoireTermEvent(solenoid.get());
}

void TMoBaSRCPAccessoires::HandleLockUnlock() {
    TMoBaSRCPClient::TActivity activity(Client());
    const TMoBaAdvancedSolenoid& reported = *FSRCPAccessoire->Solenoid();
    TMoBaSRCPSolenoid& solenoid = FindOrCreate(reported.Address());
    takeLock(solenoid, reported, FSRCPAccessoire->Bus());
    FAccessoireList.Readdress(solenoid, reported.Address());
    Client().DoAccessoireLockUnlockEvent(&solenoid);
}

void TMoBaSRCPAccessoires::ReadFromIniFile(const IniFile& Ini) {
    FDefaultDelay = Ini.readInteger(FBus->BusSectionName(), KeyDelay, FDefaultDelay);
}

void TMoBaSRCPAccessoires::WriteToIniFile(IniFile& Ini) const {
    Ini.writeInteger(FBus->BusSectionName(), KeyDelay, FDefaultDelay);
}

// ---------------------------------------------------------------------------------------------------
// TMoBaSRCPFeedbacks

TMoBaSRCPFeedbacks::TMoBaSRCPFeedbacks(TMoBaSRCPBus* ABus)
    : TMoBaSRCPBusWrapper(ABus), FSRCPFeedback(std::make_unique<TMoBaSRCPFeedbackClient>()) {
    Attach(*FSRCPFeedback);
    FSRCPFeedback->OnChange = [this](TSRCPBaseDeviceGroup&) { HandleOnChange(); };
    FSRCPFeedback->OnInit = [this](TSRCPBaseDeviceGroup&) { HandleInitTerm(true); };
    FSRCPFeedback->OnTerm = [this](TSRCPBaseDeviceGroup&) { HandleInitTerm(false); };
}

TMoBaSRCPFeedback* TMoBaSRCPFeedbacks::Items(int index) const {
    QUARN_ASSERT_MAIN_THREAD();
    if (index < 0 || index >= Count())
        throw std::out_of_range("list index " + std::to_string(index) + " out of bounds");
    return FSRCPFeedback->Feedbacks(index);
}

void TMoBaSRCPFeedbacks::SetEnabled(bool value) {
    TMoBaSRCPClient::TActivity activity(Client());
    if (MaySend())
        FSRCPFeedback->SetEnabled(value);
}

void TMoBaSRCPFeedbacks::HandleOnChange() {
    TMoBaSRCPClient::TActivity activity(Client());
    if (TMoBaSRCPFeedback* contact = FSRCPFeedback->Feedbacks(FSRCPFeedback->Address() - 1))
        Client().DoFeedbackChangeEvent(contact);
}

void TMoBaSRCPFeedbacks::HandleInitTerm(bool init) {
    TMoBaSRCPClient::TActivity activity(Client());
    // Stands for the whole bus: no address, no value.
    TMoBaSRCPFeedback whole;
    whole.SetBus(FSRCPFeedback->Bus());
    whole.SetValue(-1);
    if (init)
        Client().DoFeedbackInitEvent(&whole);
    else
        Client().DoFeedbackTermEvent(&whole);
}

void TMoBaSRCPFeedbacks::ReadFromIniFile(const IniFile& Ini) {
    const std::string value = Ini.readString(FBus->BusSectionName(), KeyInitString, InitString());
    if (!value.empty())
        SetInitString(value);
}

void TMoBaSRCPFeedbacks::WriteToIniFile(IniFile& Ini) const {
    Ini.writeString(FBus->BusSectionName(), KeyInitString, InitString());
}

// ---------------------------------------------------------------------------------------------------
// TMoBaSRCPTime

TMoBaSRCPTime::TMoBaSRCPTime(TMoBaSRCPBus* ABus)
    : TMoBaSRCPBusWrapper(ABus), FTime(std::make_unique<TSRCPTime>()) {
    Attach(*FTime);
    FTime->OnInit = [this](TSRCPBaseDeviceGroup&) {
        TMoBaSRCPClient::TActivity activity(Client());
        Client().DoTimeInitEvent();
    };
    FTime->OnTerm = [this](TSRCPBaseDeviceGroup&) {
        TMoBaSRCPClient::TActivity activity(Client());
        Client().DoTimeTermEvent();
    };
    FTime->OnChange = [this](TSRCPBaseDeviceGroup&) {
        TMoBaSRCPClient::TActivity activity(Client());
        Client().DoTimeChangeEvent();
    };
}

void TMoBaSRCPTime::SetEnabled(bool value) {
    TMoBaSRCPClient::TActivity activity(Client());
    if (MaySend())
        FTime->SetEnabled(value);
}

void TMoBaSRCPTime::SetTimeDate(const TTimeStamp& value) {
    TMoBaSRCPClient::TActivity activity(Client());
    // Stored in any case; a detached group has no session to send it on.
    FTime->SetTimeDate(value);
}

void TMoBaSRCPTime::SetDateTime(TDateTime value) {
    SetTimeDate(DateTimeToTimeStamp(value));
}

void TMoBaSRCPTime::ReadFromIniFile(const IniFile& Ini) {
    SetMultiplicator(Ini.readInteger(FBus->BusSectionName(), KeyMultiplicator, 1));
    SetDivisor(Ini.readInteger(FBus->BusSectionName(), KeyDivisor, 1));
}

void TMoBaSRCPTime::WriteToIniFile(IniFile& Ini) const {
    Ini.writeInteger(FBus->BusSectionName(), KeyMultiplicator, Multiplicator());
    Ini.writeInteger(FBus->BusSectionName(), KeyDivisor, Divisor());
}

// ---------------------------------------------------------------------------------------------------
// TMoBaSRCPBus

TMoBaSRCPBus::TMoBaSRCPBus(TMoBaSRCPClient* AClient, const TSRCPCustomDescription* ADescription)
    : FSRCPClnt(AClient) {
    if (ADescription) {
        FBusNumber = ADescription->Bus();
        for (int i = 0; i < ADescription->DeviceGroupsCount(); ++i)
            AddDeviceGroup(ADescription->DeviceGroups(i));
        return;
    }
    FBusNumber = FSRCPClnt->BusCount();
    TSRCPCommandClient* session = CmdClnt();
    if (!session->Connected())
        return;
    TMoBaSRCPClient::TActivity activity(*FSRCPClnt);
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(session->Version());
    cmd.SetCommandType(ctGet);
    cmd.SetDeviceGroup(dgDescription);
    cmd.SetBus(FBusNumber);
    if (!session->SendCommand(cmd) || !session->ReceiveAnswer(cmd) || cmd.DeviceGroup() != dgDescription)
        return;
    const TSRCPDeviceDescription& description = cmd.DevDescription();
    for (int i = 0; i < description.DevGroupListCount(); ++i)
        AddDeviceGroup(description.DevGroupList(i));
}

TMoBaSRCPBus::~TMoBaSRCPBus() {
    if (FSRCPClnt->ProfileActive()) {
        if (IniFile* ini = FSRCPClnt->ProfileIniFile()) {
            // A bus going away has no one to report a failed write to.
            try {
                if (FAccessoires)
                    FAccessoires->WriteToIniFile(*ini);
                if (FFeedbacks)
                    FFeedbacks->WriteToIniFile(*ini);
                if (FTime)
                    FTime->WriteToIniFile(*ini);
            } catch (const std::exception&) {
            }
        }
    }
    FPower.reset();
    FLocos.reset();
    FAccessoires.reset();
    FFeedbacks.reset();
    FTime.reset();
}

template <class Wrapper> void TMoBaSRCPBus::ReadProfile(Wrapper& wrapper) const {
    if (!FSRCPClnt->ProfileActive())
        return;
    if (const IniFile* ini = FSRCPClnt->ProfileIniFile())
        wrapper.ReadFromIniFile(*ini);
}

void TMoBaSRCPBus::AddDeviceGroup(TSRCPDeviceGroup group) {
    // A description naming a group twice gets one wrapper for it.
    switch (group) {
    case dgFeedback:
        if (!FFeedbacks) {
            FFeedbacks = std::make_unique<TMoBaSRCPFeedbacks>(this);
            ReadProfile(*FFeedbacks);
        }
        break;
    case dgAccessoire:
        if (!FAccessoires) {
            FAccessoires = std::make_unique<TMoBaSRCPAccessoires>(this);
            ReadProfile(*FAccessoires);
        }
        break;
    case dgLoco:
        if (!FLocos)
            FLocos = std::make_unique<TMoBaSRCPLocos>(this);
        break;
    case dgPower:
        if (!FPower)
            FPower = std::make_unique<TMoBaSRCPPower>(this);
        break;
    case dgTime:
        if (!FTime) {
            FTime = std::make_unique<TMoBaSRCPTime>(this);
            ReadProfile(*FTime);
        }
        break;
    default:
        break;
    }
    FInvalid = false;
}

void TMoBaSRCPBus::SetEmergencyStop(bool value) {
    TMoBaSRCPClient::TActivity activity(*FSRCPClnt);
    if (FLocos) {
        // By position: an answer taken over during a command may add a loco to the cache.
        for (int i = 0; i < FLocos->Count(); ++i) {
            TMoBaSRCPLoco* loco = FLocos->Items(i);
            if (value) {
                loco->SetDriveMode(mdmEmergencyStop);
            } else if (loco->DriveMode() == mdmEmergencyStop) {
                loco->SetDriveMode(mdmNext);
            } else {
                continue;
            }
            FLocos->Change(*loco);
        }
    }
    FEmergencyStop = value;
}

bool TMoBaSRCPBus::AutoPowerOn() const {
    return FSRCPClnt->AutoPowerOn();
}

TSRCPCommandClient* TMoBaSRCPBus::CmdClnt() const {
    return FSRCPClnt->CmdClnt();
}

TSRCPInfoClient* TMoBaSRCPBus::InfoClnt() const {
    return FSRCPClnt->InfoClnt();
}

std::string TMoBaSRCPBus::BusSectionName() const {
    return "Bus" + std::to_string(FBusNumber) + "Info";
}

void TMoBaSRCPBus::ReadFromIniFile(const IniFile& Ini) {
    if (FTime)
        FTime->ReadFromIniFile(Ini);
    if (FAccessoires)
        FAccessoires->ReadFromIniFile(Ini);
    if (FFeedbacks)
        FFeedbacks->ReadFromIniFile(Ini);
}

void TMoBaSRCPBus::WriteToIniFile(IniFile& Ini) const {
    if (FTime)
        FTime->WriteToIniFile(Ini);
    if (FAccessoires)
        FAccessoires->WriteToIniFile(Ini);
    if (FFeedbacks)
        FFeedbacks->WriteToIniFile(Ini);
}

void TMoBaSRCPBus::Detach() {
    FDetached = true;
    for (TMoBaSRCPBusWrapper* wrapper : std::initializer_list<TMoBaSRCPBusWrapper*>{
             FPower.get(), FLocos.get(), FAccessoires.get(), FFeedbacks.get(), FTime.get()})
        if (wrapper)
            wrapper->Detach();
}
