#include "sync/dispatcher.h"

#include "foundation/activity.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/shell_link.h"
#include "foundation/trace_log.h"
#include "sync/sync_engine.h"
#include "sync/web_requests.h"

#include <optional>

namespace {

std::array<PiloteSynchro, NbPilotesPublicite> pilotesParDefaut() {
    return {
        SynchroniserPub_00_Campagne,
        [](const QString&) { PiloteSansEtapes(Cle::SynchroniserPub_01_Client, 1, EntiteWeb::Client); },
        [](const QString&) { PiloteSansEtapes(Cle::SynchroniserPub_02_Produit, 2, EntiteWeb::Produit); },
        [](const QString&) { PiloteSansEtapes(Cle::SynchroniserPub_03_Secteur, 3, EntiteWeb::Secteur); },
        [](const QString&) { PiloteSansEtapes(Cle::SynchroniserPub_04_Commercial, 4, EntiteWeb::Commercial); },
        [](const QString&) { PiloteSansEtapes(Cle::SynchroniserPub_05_Canevas, 5, EntiteWeb::Template); },
        [](const QString&) { PiloteSansEtapes(Cle::SynchroniserPub_06_Remplissage, 6, EntiteWeb::TauxRemplissage); },
    };
}

// The options window's address, read once for the whole run.
QString adresse() { return CheckSlash(ParametresWebCourants().adresse); }

// Holds the domain's flag for one run; false when any activity already runs.
class Garde {
public:
    Garde(int domaine, const char* cle) : domaine_(domaine) {
        if (ActiviteEnCours()) {
            Log(QStringLiteral("Synchronisation refused, another one runs [") + QString::fromLatin1(cle) +
                QLatin1Char(']'));
            return;
        }
        SynchroEnCours[size_t(domaine_)] = true;
        tenue_ = true;
    }
    ~Garde() {
        if (tenue_) SynchroEnCours[size_t(domaine_)] = false;
    }
    bool tenue() const { return tenue_; }

private:
    int domaine_;
    bool tenue_ = false;
};

void lancer(int n, const QString& url) {
    if (bFermetureEnCours) return;
    if (const PiloteSynchro& p = PilotesPublicite()[size_t(n)]) p(url);
}

}  // namespace

std::array<PiloteSynchro, NbPilotesPublicite>& PilotesPublicite() {
    static std::array<PiloteSynchro, NbPilotesPublicite> t = pilotesParDefaut();
    return t;
}

bool Synchroniser(bool mus, bool pub) {
    Proc p(Cle::Synchroniser);
    if (ActiviteEnCours()) return false;
    if (mus) SynchroniserMus_00(-1);
    if (pub) SynchroniserPub_00(-1);
    return true;
}

void SynchroniserMus_00(int16_t) {
    Proc p(Cle::SynchroniserMus_00);
    Garde g(0, Cle::SynchroniserMus_00);
}

// Drivers 0..dernier (which -1) or the one of which, holding the advertising flag.
static bool lancerPublicite(int16_t which, int dernier) {
    Proc p(Cle::SynchroniserPub_00);
    QString url;
    p(10, [&] { url = adresse(); });
    Garde g(1, Cle::SynchroniserPub_00);
    if (!g.tenue()) return false;
    DebutRunSynchro();
    ReinitialiserBilanRun();
    if (which == -1) {
        // One wait window for the whole run: it stays up between the families.
        FrmMsgOuverte attente(QString::fromLatin1(Cle::SynchroniserPub_00), QStringLiteral("Synchronisation"));
        for (int n = 0; n <= dernier && !ServiceInjoignable(); ++n) p(20, [&] { lancer(n, url); });
    } else if (which >= 0 && which <= dernier) {
        p(30, [&] { lancer(which, url); });
    }
    return true;
}

bool SynchroniserPub_00(int16_t which) { return lancerPublicite(which, 5); }

bool SynchroniserPubDirect(int16_t which) { return lancerPublicite(which, NbPilotesPublicite - 1); }

void PiloteSansEtapes(const char* cle, int onglet, const QString& libelle) {
    Proc p(cle);
    const QString appelant = QString::fromLatin1(cle);
    p(10, [&] {
        if (LiensSynchronisation().afficherOnglet) LiensSynchronisation().afficherOnglet(onglet);
    });
    // Closed whichever way the driver leaves.
    std::optional<FrmMsgOuverte> attente;
    p(20, [&] {
        attente.emplace(appelant);
        LabelMsgInit(libelle);
    });
    p(30, [&] { attente.reset(); });
}

void SynchroniserPub_00_Campagne(const QString&) {
    PiloteSansEtapes(Cle::SynchroniserPub_00_Campagne, 0, QStringLiteral("Campagne"));
}

void ReinitialiserDispatcher() { PilotesPublicite() = pilotesParDefaut(); }
