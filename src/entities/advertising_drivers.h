#pragma once
// The advertising families that live above the synchronisation engine (clients, products,
// business sectors, salespeople, canvases) and the fill-rate upload put their drivers into the
// dispatcher's table here. The main window calls this at start; the test fixtures after they
// reset the dispatcher.
void InstallerPilotesPublicite();
