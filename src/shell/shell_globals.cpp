#include "shell/shell_globals.h"

bool bInitTerminee = false;
bool bQuitterConfirme = false;

void ReinitialiserEtatShell() {
    bInitTerminee = false;
    bQuitterConfirme = false;
}
