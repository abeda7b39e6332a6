#pragma once
// Clock seam: the local time with milliseconds and the machine's millisecond counters.
// Tests install a fake clock; the program uses the real one.
#include <QDateTime>
#include <cstdint>

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;      // local date and time, milliseconds included
    virtual uint32_t tick32() const = 0;    // 32-bit milliseconds since the machine started (wraps)
    virtual uint64_t uptimeMs() const = 0;  // milliseconds since the machine started
    virtual void sleepMs(uint32_t ms) = 0;  // a wait that does not pump events
};

// The clock in use (the real one unless a test installed another).
Clock& HorlogeSysteme();
// Installs a clock; nullptr puts the real clock back.
void SetHorlogeSysteme(Clock* clock);

// A clock that moves only when told: tick and time advance together.
class FakeClock : public Clock {
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2024, 3, 5), QTime(14, 3, 22, 15)), uint64_t uptime = 3600000)
        : time_(start), uptime_(uptime) {}
    QDateTime now() const override { return time_; }
    uint32_t tick32() const override { return uint32_t(uptime_ & 0xFFFFFFFFu); }
    uint64_t uptimeMs() const override { return uptime_; }
    void sleepMs(uint32_t ms) override { advance(ms); }
    void advance(int64_t ms) {
        time_ = time_.addMSecs(ms);
        uptime_ += uint64_t(ms);
    }
    void setNow(const QDateTime& t) { time_ = t; }
    void setUptime(uint64_t ms) { uptime_ = ms; }

private:
    QDateTime time_;
    uint64_t uptime_;
};
