#include "engine/RueckReaders.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <stdexcept>

#include "engine/Bahncalcunit.h"
#include "engine/FeedbackLine.h"
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

struct TSrcp073Reader::Channel {
    struct QueuedLine {
        std::string line;
        std::string evaluated; // the merged all-contacts line; empty: the line itself
        bool allContacts = false;
        bool failure = false;
    };

    Channel(LineHandler line, FailureHandler failure, bool merge)
        : onLine(line), onFailure(failure), mergeAllContacts(merge) {}

    const LineHandler onLine;
    const FailureHandler onFailure;
    const bool mergeAllContacts;

    mutable std::mutex mutex;
    // The reader's pause, room in the queue and a stop.
    std::condition_variable wake;
    std::deque<QueuedLine> lines;
    std::string lastLine;
    bool stopRequested = false;
    // A drain of the queue is posted to the GUI thread and has not yet found it empty.
    bool drainPosted = false;
};

namespace {

// Runs on the GUI thread: handles the oldest queued line and, while more wait, posts itself again,
// so that the GUI thread's own events come between two lines.
template <class Channel>
void drainOne(const std::shared_ptr<Channel>& channel, MainThreadDispatcher* dispatcher) {
    typename Channel::QueuedLine item;
    bool more = false;
    {
        std::lock_guard lock(channel->mutex);
        if (channel->stopRequested || channel->lines.empty()) {
            channel->drainPosted = false;
            return;
        }
        item = std::move(channel->lines.front());
        channel->lines.pop_front();
        more = !channel->lines.empty();
        channel->drainPosted = more;
    }
    channel->wake.notify_all();
    if (more) {
        try {
            dispatcher->post([channel, dispatcher] { drainOne(channel, dispatcher); });
        } catch (const std::exception&) {
            // Out of memory: the next line the reader queues posts a drain again.
            std::lock_guard lock(channel->mutex);
            channel->drainPosted = false;
        }
    }
    if (item.failure)
        channel->onFailure();
    else
        channel->onLine(item.line, item.evaluated.empty() ? item.line : item.evaluated);
}

} // namespace

TSrcp073Reader::TSrcp073Reader(LineConnection& connection, MainThreadDispatcher* dispatcher,
                               LineHandler onLine, FailureHandler onFailure, bool mergeAllContactsLines)
    : m_connection(connection), m_dispatcher(dispatcher),
      m_channel(std::make_shared<Channel>(onLine, onFailure, mergeAllContactsLines)) {}

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
    {
        std::lock_guard lock(m_channel->mutex);
        m_channel->stopRequested = true;
        m_channel->lines.clear();
    }
    m_channel->wake.notify_all();
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

std::size_t TSrcp073Reader::pendingLines() const {
    std::lock_guard lock(m_channel->mutex);
    return m_channel->lines.size();
}

std::string TSrcp073Reader::lastLine() const {
    std::lock_guard lock(m_channel->mutex);
    return m_channel->lastLine;
}

// Runs on the reader thread.
bool TSrcp073Reader::enqueue(std::string line, bool failure) {
    Channel& ch = *m_channel;
    bool post = false;
    {
        std::unique_lock lock(ch.mutex);
        const bool allContacts = !failure && ch.mergeAllContacts && isAllContactsLine(line);
        if (allContacts && !ch.lines.empty() && ch.lines.back().allContacts) {
            Channel::QueuedLine& waiting = ch.lines.back();
            waiting.evaluated =
                mergeAllContactsLines(waiting.evaluated.empty() ? waiting.line : waiting.evaluated, line);
            waiting.line = std::move(line);
        } else {
            // The failure report comes after every line and needs no room.
            if (!failure)
                ch.wake.wait(lock, [&] { return ch.stopRequested || ch.lines.size() < ReaderQueueBound; });
            if (ch.stopRequested)
                return false;
            ch.lines.push_back(Channel::QueuedLine{std::move(line), std::string(), allContacts, failure});
        }
        if (!ch.drainPosted) {
            ch.drainPosted = true;
            post = true;
        }
    }
    if (post) {
        try {
            m_dispatcher->post(
                [channel = m_channel, dispatcher = m_dispatcher] { drainOne(channel, dispatcher); });
        } catch (const std::exception&) {
            // Out of memory: the line waits for the next one to post a drain.
            std::lock_guard lock(ch.mutex);
            ch.drainPosted = false;
        }
    }
    return true;
}

// Runs on the reader thread.
void TSrcp073Reader::Execute() {
    perf::setThreadPriority(perf::ThreadPriority::Lowest);
    Channel& ch = *m_channel;
    bool failed = false;
    while (m_connection.isConnected()) {
        {
            std::unique_lock lock(ch.mutex);
            if (ch.wake.wait_for(lock, ReadPause, [&] { return ch.stopRequested; }))
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
            std::lock_guard lock(ch.mutex);
            ch.lastLine = line;
        }
        try {
            if (!enqueue(std::move(line), false))
                break;
        } catch (const std::exception&) {
            // Out of memory for one line: that line is lost, the reader goes on.
        }
        // Counted once queued, so that whoever sees the count finds the line waiting.
        ++m_linesRead;
    }
    if (failed) {
        try {
            enqueue(std::string(), true);
        } catch (const std::exception&) {
        }
    }
    m_finished = true;
}

// ---- what each reader does on the GUI thread ----

void TReadCommand::UpdateStatusBar(const std::string& line) {
    setPanel(1, cp1252ToUtf8(line));
}

void TReadCommand::UpdateStatusBarAndEvaluate(const std::string& line, const std::string& evaluated) {
    UpdateStatusBar(line);
    if (!evaluateFeedback(evaluated, CommandFailure, 1) && Rueckmodul)
        Rueckmodul->parse(evaluated);
}

void TReadCommand::reportFailure() {
    if (debugOn())
        setPanel(1, CommandFailure);
}

void TReadinfo::UpdateStatusBar(const std::string& line) {
    setPanel(2, cp1252ToUtf8(line));
}

void TReadinfo::UpdateStatusBarAndParse(const std::string& line, const std::string& evaluated) {
    UpdateStatusBar(line);
    if (Bahn)
        Bahn->parse(evaluated);
}

void TReadinfo::reportFailure() {
    if (debugOn())
        setPanel(2, InfoFailure);
}

void TPollHandleThread::handleInput(const std::string& line, const std::string& evaluated) {
    if (debugOn())
        MainForm->debugLine(cp1252ToUtf8(line));
    evaluateFeedback(evaluated, PollFailure, -1);
}

void TPollHandleThread::reportFailure() {
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
