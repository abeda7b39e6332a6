#include "foundation/log_lists.h"

ListesLog::ListesLog() { creerListesIncidents(1); }

void ListesLog::creerListesIncidents(int n) {
    while (int(ListeIncidents.size()) < n) ListeIncidents.push_back(std::make_unique<TextList>());
    if (int(IncidentsSignales.size()) < n) IncidentsSignales.resize(size_t(n), 0);
}

void ListesLog::CheckIncidents(int zone) {
    if (SurIncident) {
        SurIncident(zone);
        return;
    }
    if (zone >= 0 && zone < int(IncidentsSignales.size())) ++IncidentsSignales[size_t(zone)];
}

namespace {
std::unique_ptr<ListesLog>& instance() {
    static std::unique_ptr<ListesLog> l = std::make_unique<ListesLog>();
    return l;
}
}  // namespace

ListesLog& Listes() { return *instance(); }
void ReinitialiserListes() { instance() = std::make_unique<ListesLog>(); }
