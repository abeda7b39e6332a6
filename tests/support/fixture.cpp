#include "foundation/activity.h"
#include "support/fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "database/base_choice_window.h"
#include "entities/advertising_drivers.h"
#include "database/btrieve.h"
#include "database/catalogue.h"
#include "database/open_close.h"
#include "database/record_layouts.h"
#include "database/site_startup.h"
#include "database/zones.h"
#include "fill/fill_property_grid.h"
#include "fill/fill_settings.h"
#include "fill/local_search.h"
#include "fill/nomenclature.h"
#include "foundation/daily_log.h"
#include "foundation/error_routine.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/settings_access.h"
#include "foundation/settings_locations.h"
#include "foundation/shell_link.h"
#include "foundation/system_info.h"
#include "foundation/trace_log.h"
#include "options/udp_link.h"
#include "shell/look.h"
#include "shell/standby.h"
#include "support/scripted_dialogs.h"
#include "shell/certificate.h"
#include "sync/answer_readers.h"
#include "sync/list_readers.h"
#include "sync/web_requests.h"
#include "sync/dispatcher.h"
#include "grids/list_grids.h"
#include "sync/sync_engine.h"

void ReinitialiserEtatProgramme() {
    bFermetureEnCours = false;
    bFrmSetupChargee = false;
    bTraceLogDebug = false;
    bTraceDebugEcran = false;
    NbZones = 0;
    CheminLog.clear();
    DossierApplication.clear();
    NoInstance = 0;
    LigneCommande.clear();
    FormatDate = QStringLiteral("dd/MM/yyyy");
    FormatHeure = QStringLiteral("HH:MM:SS");
    NoBaseCourante = 0;
    StationCourante.fill(0);
    DerniereErreur = ErreurInfo{};
    ReinitialiserListes();
    ReinitialiserTraceLog();
    ReinitialiserGestionDesErreurs();
    SetTraitementErreurSpecial({});
    ReinitialiserJournalJour();
    ReinitialiserMemoiresDossiers();
    ReinitialiserSettingsLocations();
    ReinitialiserLienShell();
    ReinitialiserInfoSysteme();
    ReinitialiserCatalogue();
    ReinitialiserTampons();
    ReinitialiserEtatBTrieve();
    ReinitialiserSite();
    ReinitialiserZones();
    ReinitialiserSelectionBase();
    ReinitialiserOuvertureFichiers();
    RechercheEnCours = false;
    ArretRecherche = false;
    SynchroEnCours = {false, false};
    RemplissageEnCours = false;
    ReinitialiserParametresRemplissage();
    ReinitialiserPropertyGridRemplissage();
    ReinitialiserRechercheLocale();
    ReinitialiserNomenclature();
    ReinitialiserSynchro();
    ReinitialiserDispatcher();
    InstallerPilotesPublicite();
    ReinitialiserGrillesPub();
    ReinitialiserLienUDP();
    ReinitialiserLook();
    ReinitialiserVeille();
    ReinitialiserRequetesWeb();
    ReinitialiserLecteursReponses();
    ReinitialiserLecteursListes();
    ReinitialiserCertificats();
    TestDialogs().reset();
}

void KirvoTest::SetUp() {
    ReinitialiserEtatProgramme();
    SetHorlogeSysteme(&horloge);
    ASSERT_TRUE(tmp.isValid());
}

void KirvoTest::TearDown() { SetHorlogeSysteme(nullptr); }

QString ReponseDeTest(const QString& nom) {
    return QStringLiteral(KIRVO_SOURCE_DIR) + QStringLiteral("/tests/support/reponses/") + nom;
}

void EcrireFichierTest(const QString& chemin, const QByteArray& contenu) {
    QDir().mkpath(QFileInfo(chemin).path());
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ADD_FAILURE() << "cannot write " << chemin.toStdString();
        return;
    }
    f.write(contenu);
}

QByteArray LireFichierTest(const QString& chemin) {
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

QStringList KirvoTest::lignesLog() const {
    QStringList all = Listes().ListeLogTemp.lines();
    all += Listes().ListeLog.lines();
    return all;
}
