#pragma once
// Program-wide flags of the shell's windows.

// The start-up has shown the main window (reset by the last step of the shutdown). Before that
// an incident signal is only remembered and replayed at the end of the start-up.
extern bool bInitTerminee;
// The user has confirmed the end of the program: the flashing, stand-by and options commands do
// nothing any more.
extern bool bQuitterConfirme;

// Tests: both flags down.
void ReinitialiserEtatShell();
