#pragma once
// The end of a test that pointed the program's requests at a web-service double.
#include "support/web_double.h"
#include "sync/web_requests.h"

#include <QCoreApplication>

inline void DebrancherDoubleWeb(double_web::WebDouble& web) {
    // Closing the kept connections first spares the double's wait for them.
    ClientWeb().fermerConnexions();
    QCoreApplication::processEvents();
    web.arreter();
    ReinitialiserRequetesWeb();
}
