#include "platform/clock.h"

#include <ctime>
#include <thread>

namespace {

class RealClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    uint64_t uptimeMs() const override {
        timespec ts{};
        clock_gettime(CLOCK_BOOTTIME, &ts);
        return uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
    }
    uint32_t tick32() const override { return uint32_t(uptimeMs() & 0xFFFFFFFFu); }
    void sleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

RealClock g_real;
Clock* g_clock = &g_real;

}  // namespace

Clock& HorlogeSysteme() { return *g_clock; }
void SetHorlogeSysteme(Clock* clock) { g_clock = clock ? clock : &g_real; }
