#include "entities/advertising_drivers.h"

#include "entities/fill_rate_upload.h"
#include "sync/dispatcher.h"

void InstallerPilotesPublicite() {
    auto& t = PilotesPublicite();
    // One line a driver; a family not listed keeps the dispatcher's placeholder.
    (void)t;
    t[6] = SynchroniserPub_06_Remplissage;
}
