#include "platform/program_end.h"

#include <cstdlib>

namespace {
std::function<void(int)>& handler() {
    static std::function<void(int)> h;
    return h;
}
}  // namespace

void FinProgramme(int code) {
    if (handler()) handler()(code);
    std::exit(code);
}

void SetFinProgramme(std::function<void(int)> h) { handler() = std::move(h); }
