#include "entities/advertising_drivers.h"

#include "entities/canvas_family.h"
#include "entities/client_family.h"
#include "entities/fill_rate_upload.h"
#include "entities/product_family.h"
#include "entities/salesperson_family.h"
#include "entities/sector_family.h"
#include "sync/dispatcher.h"

void InstallerPilotesPublicite() {
    auto& t = PilotesPublicite();
    t[1] = SynchroniserPub_01_Client;
    t[2] = SynchroniserPub_02_Produit;
    t[3] = SynchroniserPub_03_Secteur;
    t[4] = SynchroniserPub_04_Commercial;
    t[5] = SynchroniserPub_05_Canevas;
    t[6] = SynchroniserPub_06_Remplissage;
}
