#include "engine/RueckReaders.h"

#include <chrono>
#include <exception>
#include <stdexcept>

#include "engine/Bahncalcunit.h"
#include "engine/MainFormState.h"
#include "engine/Rueckmeldeunit.h"
#include "platform/Cp1252.h"
#include "platform/LineConnection.h"
#include "platform/MainThreadDispatcher.h"
#include "platform/PerfCounter.h"

std::unique_ptr<TReadCommand> ReadCommand;
std::unique_ptr<TReadinfo> Readinfo;
std::unique_ptr<TPollHandleThread> PollHandleThread;

namespace {

// The pause before each read; it keeps a flooding server from starving the GUI thread.
constexpr auto ReadPause = std::chrono::milliseconds(10);

void setPanel(int panel, const std::string& utf8) {
    if (MainForm)
        MainForm->setStatusPanel(panel, utf8);
}

// Evaluates a line of the command or poll connection; true when it was a feedback line. A line
// that fails costs only itself.
bool evaluateFeedback(const std::string& line, const char* failureText, int failurePanel) {
    if (!isFeedbackLine(line))
        return false;
    try {
        if (Rueckmodul)
            Rueckmodul->evaluateFeedbackLine(line);
    } catch (const std::exception& e) {
        if (debugOn()) {
            MainForm->debugLine(e.what());
            if (failurePanel >= 0)
                setPanel(failurePanel, failureText);
            else
                MainForm->debugLine(failureText);
        }
    }
    return true;
}

constexpr const char* CommandFailure = "Es wurde eine Exception im Modul ReadCommand ausgelöst!";
constexpr const char* InfoFailure = "Es wurde eine Exception im Modul ReadInfo ausgelöst!";
constexpr const char* PollFailure = "Es wurde eine Exception im Poll-Thread ausgelöst";

} // namespace

// ---- the reader thread ----

TSrcp073Reader::TSrcp073Reader(LineConnection& connection, MainThreadDispatcher* dispatcher,
                               LineHandler onLine, LineHandler onFailure)
    : m_connection(connection), m_dispatcher(dispatcher), m_onLine(onLine), m_onFailure(onFailure),
      m_alive(std::make_shared<std::atomic<bool>>(true)) {}

TSrcp073Reader::~TSrcp073Reader() {
    Stop();
}

void TSrcp073Reader::Start() {
    if (m_started.load())
        return;
    if (!m_dispatcher)
        m_dispatcher = mainThreadDispatcher();
    if (!m_dispatcher)
        throw std::logic_error("no dispatcher to hand the lines of a reader to");
    m_started = true;
    m_thread = std::thread([this] { Execute(); });
}

void TSrcp073Reader::Stop() {
    m_alive->store(false);
    {
        std::lock_guard lock(m_mutex);
        m_stopRequested = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        // Wakes the read; the connection stays open for its owner to close. A reader that has
        // ended reads no more, and its connection may already be open again for a new reader.
        if (!m_finished.load())
            m_connection.shutdown();
        m_thread.join();
    }
}

bool TSrcp073Reader::Running() const {
    return m_started.load() && !m_finished.load();
}

std::string TSrcp073Reader::lastLine() const {
    std::lock_guard lock(m_mutex);
    return m_lastLine;
}

void TSrcp073Reader::handOver(LineHandler handler, std::string line) {
    m_dispatcher->post([alive = m_alive, handler, line = std::move(line)] {
        if (alive->load())
            handler(line);
    });
}

// Runs on the reader thread.
void TSrcp073Reader::Execute() {
    perf::setThreadPriority(perf::ThreadPriority::Lowest);
    bool failed = false;
    while (!m_stopRequested.load() && m_connection.isConnected()) {
        {
            std::unique_lock lock(m_mutex);
            if (m_wake.wait_for(lock, ReadPause, [this] { return m_stopRequested.load(); }))
                break;
        }
        std::string line;
        try {
            line = m_connection.readLine(0);
        } catch (const std::exception&) {
            failed = true;
            break;
        }
        {
            std::lock_guard lock(m_mutex);
            m_lastLine = line;
        }
        try {
            handOver(m_onLine, std::move(line));
        } catch (const std::exception&) {
            // Out of memory for one line: that line is lost, the reader goes on.
        }
        // Counted once handed over, so that whoever sees the count finds the line queued.
        ++m_linesRead;
    }
    if (failed && !m_stopRequested.load()) {
        try {
            handOver(m_onFailure, std::string());
        } catch (const std::exception&) {
        }
    }
    m_finished = true;
}

// ---- what each reader does on the GUI thread ----

void TReadCommand::UpdateStatusBar(const std::string& line) {
    setPanel(1, cp1252ToUtf8(line));
}

void TReadCommand::UpdateStatusBarAndEvaluate(const std::string& line) {
    UpdateStatusBar(line);
    if (!evaluateFeedback(line, CommandFailure, 1) && Rueckmodul)
        Rueckmodul->parse(line);
}

void TReadCommand::reportFailure(const std::string&) {
    if (debugOn())
        setPanel(1, CommandFailure);
}

void TReadinfo::UpdateStatusBar(const std::string& line) {
    setPanel(2, cp1252ToUtf8(line));
}

void TReadinfo::UpdateStatusBarAndParse(const std::string& line) {
    UpdateStatusBar(line);
    if (Bahn)
        Bahn->parse(line);
}

void TReadinfo::reportFailure(const std::string&) {
    if (debugOn())
        setPanel(2, InfoFailure);
}

void TPollHandleThread::handleInput(const std::string& line) {
    if (debugOn())
        MainForm->debugLine(cp1252ToUtf8(line));
    evaluateFeedback(line, PollFailure, -1);
}

void TPollHandleThread::reportFailure(const std::string&) {
    if (debugOn())
        MainForm->debugLine(PollFailure);
}

// ---- the running readers ----

namespace {

template <typename Reader> void restart(std::unique_ptr<Reader>& holder, LineConnection& connection) {
    if (holder) {
        holder->Stop();
        holder.reset();
    }
    auto reader = std::make_unique<Reader>(connection);
    reader->Start();
    holder = std::move(reader);
}

template <typename Reader> void stopAndFree(std::unique_ptr<Reader>& holder) {
    if (!holder)
        return;
    holder->Stop();
    holder.reset();
}

} // namespace

void startReadCommand(LineConnection& connection) {
    restart(ReadCommand, connection);
}

void stopReadCommand() {
    stopAndFree(ReadCommand);
}

void startReadinfo(LineConnection& connection) {
    restart(Readinfo, connection);
}

void stopReadinfo() {
    stopAndFree(Readinfo);
}

void startPollHandleThread(LineConnection& connection) {
    restart(PollHandleThread, connection);
}

void stopPollHandleThread() {
    stopAndFree(PollHandleThread);
}

void stopAllReaders() {
    stopReadCommand();
    stopReadinfo();
    stopPollHandleThread();
}
