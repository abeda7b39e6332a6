#pragma once
// The lists the log routines write into. Windows show them: the options window the log list,
// the main window the incident lists, the debug window the debug list. The hidden host's holding
// list keeps lines until the options window is loaded.
#include "platform/text_list.h"

#include <functional>
#include <memory>
#include <vector>

struct ListesLog {
    TextList ListeLog;      // FrmSetup.ListeLog
    TextList ListeLogTemp;  // Frm_MainBis.ListeLogTemp
    TextList ListeDebug;    // FrmDebugEcran.ListeDebug, newest line first
    // Frm_Main.ListeIncidents(z): element 0 exists from the start, the others come with the zones.
    std::vector<std::unique_ptr<TextList>> ListeIncidents;
    // Frm_Main.CheckIncidents(z) = 1: the main window's incident handling. Until a window takes
    // it, the signals are counted per zone.
    std::function<void(int zone)> SurIncident;
    std::vector<int> IncidentsSignales;

    ListesLog();
    TextList& incidents(int zone) { return *ListeIncidents.at(size_t(zone)); }
    int nbListesIncidents() const { return int(ListeIncidents.size()); }
    // Makes sure lists 0..n-1 exist.
    void creerListesIncidents(int n);
    void CheckIncidents(int zone);
};

ListesLog& Listes();
// Tests: a fresh set of lists.
void ReinitialiserListes();
