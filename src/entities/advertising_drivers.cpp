#include "entities/advertising_drivers.h"

#include "entities/canvas_family.h"
#include "sync/dispatcher.h"

void InstallerPilotesPublicite() {
    auto& t = PilotesPublicite();
    // One line a driver; a family not listed keeps the dispatcher's placeholder.
    t[5] = SynchroniserPub_05_Canevas;
    (void)t;
}
