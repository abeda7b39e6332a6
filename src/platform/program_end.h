#pragma once
// Seam for the end of the program. The program really ends; tests install a handler that
// throws ProgramEnded, which no procedure handler swallows.
#include <functional>

struct ProgramEnded {
    int code = 0;
};

// The exit code of an end caused by an error; an end the user asked for is 0.
inline constexpr int CodeFinSurErreur = 1;

// Ends the program at once with the given exit code (never returns).
[[noreturn]] void FinProgramme(int code = 0);
// Installs the handler that FinProgramme calls; it must not return. Empty puts the real one back.
void SetFinProgramme(std::function<void(int)> handler);
