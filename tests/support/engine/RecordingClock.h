#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/WaitClock.h"

// A wait clock that does not wait: it records each wait ("pause 1000", "sleep 500") and runs the
// test's hook in its place, so that a test can look at, or change, the world while the wait lasts.
// While it lives it is the clock in use; it puts back the one before it when destroyed.
class RecordingClock : public WaitClock {
public:
    RecordingClock();
    ~RecordingClock() override;
    RecordingClock(const RecordingClock&) = delete;
    RecordingClock& operator=(const RecordingClock&) = delete;

    void pause(std::uint16_t ms) override;
    void sleep(int ms) override;

    // Runs during every wait with the wait's record.
    std::function<void(const std::string& wait)> onWait;
    std::vector<std::string> waits;

private:
    void waited(std::string wait);

    WaitClock* m_previous;
};
