#include "support/engine/RecordingClock.h"

RecordingClock::RecordingClock() : m_previous(&waitClock()) {
    setWaitClock(this);
}

RecordingClock::~RecordingClock() {
    setWaitClock(m_previous);
}

void RecordingClock::pause(std::uint16_t ms) {
    waited("pause " + std::to_string(ms));
}

void RecordingClock::sleep(int ms) {
    waited("sleep " + std::to_string(ms));
}

void RecordingClock::waited(std::string wait) {
    waits.push_back(wait);
    if (onWait)
        onWait(wait);
}
