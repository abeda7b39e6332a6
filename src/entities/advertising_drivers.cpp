#include "entities/advertising_drivers.h"

#include "entities/product_family.h"
#include "sync/dispatcher.h"

void InstallerPilotesPublicite() {
    auto& t = PilotesPublicite();
    // One line a driver; a family not listed keeps the dispatcher's placeholder.
    (void)t;
    t[2] = SynchroniserPub_02_Produit;
}
