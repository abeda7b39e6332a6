// How the engine takes the web's answers that confirm nothing: a deletion it did not do, a row it
// cannot match by code. Driven through the client family, the engine's first user.
#include "sync_fixture.h"

#include "database/btrieve.h"
#include "foundation/shell_link.h"
#include "platform/program_end.h"
#include "platform/spread_grid.h"
#include "support/scripted_dialogs.h"
#include "entities/client_family.h"
#include "grids/list_grids.h"
#include "sync/dispatcher.h"

#include <functional>
#include <tuple>

using double_web::Panne;
using double_web::PanneProgrammee;

namespace {

// A fault of the client service on the next request of one operation.
void panneClient(double_web::WebDouble& d, const QString& operation, Panne type, int code = 0) {
    PanneProgrammee p;
    p.type = type;
    p.code = code;
    p.entite = double_web::Client;
    p.operation = operation;
    d.programmerPanne(p);
}

// ---- A forced deletion waiting in the journal leaves it only once the web confirmed it --------

struct CasSuppressionJournal {
    const char* nom;
    Panne panne;
    int code;            // CodeErreur's code
    bool itemDejaParti;  // the web has no such item any more
    bool entreeGardee;
    int boites;  // "no such item" is what a deletion asks for: only another error answer is shown
};

const CasSuppressionJournal kCasSuppression[] = {
    {"confirmed", Panne::Delai, 0, false, false, 0},  // a delay of 0: no fault
    {"result_false_item_present", Panne::ResultatFaux, 0, false, true, 0},
    {"result_false_item_gone", Panne::ResultatFaux, 0, true, false, 0},
    {"result_true_id_zero", Panne::IdZero, 0, false, false, 0},
    {"unknown_item", Panne::CodeErreur, 501, true, false, 0},
    {"service_error", Panne::CodeErreur, 1001, false, true, 1},
    {"http_500", Panne::Http500Html, 0, false, true, 0},
};

void PrintTo(const CasSuppressionJournal& c, std::ostream* os) { *os << c.nom; }

class JournalEntryDeletion : public SyncTest, public ::testing::WithParamInterface<CasSuppressionJournal> {};

TEST_P(JournalEntryDeletion, EntryKeptUntilTheWebConfirms) {
    const CasSuppressionJournal& c = GetParam();
    const int id = web(QStringLiteral("SUP"), QStringLiteral("Parti"));
    entree('P', 1, QStringLiteral("SUP"), 'S', id);
    // The item went from the web without this deletion.
    if (c.itemDejaParti) double_.vider();
    panneClient(double_, QStringLiteral("DeleteXML"), c.panne, c.code);

    SynchroniserPub_01_Client_02(0, 1, url, QStringLiteral("Client"));

    EXPECT_EQ(clesJournal().contains(QStringLiteral("P0301SUP")), c.entreeGardee);
    EXPECT_EQ(int(TestDialogs().shown.size()), c.boites);
    // The line that tells the deletion found its item gone.
    EXPECT_EQ(lignesLog().filter(QStringLiteral("already gone from the web")).size(), c.code == 501 ? 1 : 0);
    if (c.panne == Panne::ResultatFaux && c.entreeGardee) {
        EXPECT_EQ(lignesLog().filter(QStringLiteral("kept for the next run")).size(), 1);
    }

    // The next run, with a service that does its work, completes what was kept.
    double_.annulerPannes();
    SynchroniserPub_01_Client_02(0, 1, url, QStringLiteral("Client"));
    EXPECT_FALSE(clesJournal().contains(QStringLiteral("P0301SUP")));
    if (!c.itemDejaParti && c.panne != Panne::IdZero) {
        EXPECT_FALSE(double_.element(double_web::Client, id).has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(Client, JournalEntryDeletion, ::testing::ValuesIn(kCasSuppression),
                         [](const auto& i) { return std::string(i.param.nom); });

// ---- A record taken off the web keeps its link until the web confirmed the deletion -----------
// The cases above, in the local pass and in the audit; what was kept is met again by the next run.

class LinkDeletion : public SyncTest, public ::testing::WithParamInterface<std::tuple<bool, CasSuppressionJournal>> {
protected:
    void etape(bool audit) {
        if (audit)
            SynchroniserPub_01_Client_06(0, 1, url, QStringLiteral("Client"));
        else
            SynchroniserPub_01_Client_01(0, 1, url, QStringLiteral("Client"));
    }
};

TEST_P(LinkDeletion, LinkKeptUntilTheWebConfirms) {
    const auto& [audit, c] = GetParam();
    const int id = web(QStringLiteral("OFF"), QStringLiteral("Hors web"));
    client(QStringLiteral("OFF"), QStringLiteral("Hors web"), 'N', 'O', id);
    entree('P', 1, QStringLiteral("OFF"), 'M', id);
    panneClient(double_, QStringLiteral("DeleteXML"), c.panne, c.code);
    if (c.itemDejaParti) {
        // Still listed, but the web finds no such item when asked for it.
        panneClient(double_, QStringLiteral("GetByIdWeb"), Panne::IdZero);
    }
    TestDialogs().answers.assign(5, Mb::OK);

    etape(audit);

    const ClientLocal l = lire(QStringLiteral("OFF"));
    EXPECT_EQ(l.idWeb, c.entreeGardee ? id : 0);
    EXPECT_EQ(l.flag, QStringLiteral("N"));
    EXPECT_EQ(l.etat, c.entreeGardee ? QStringLiteral("O") : QStringLiteral("N"));
    EXPECT_EQ(clesJournal().contains(QStringLiteral("P0301OFF")), c.entreeGardee);
    EXPECT_EQ(int(TestDialogs().shown.size()), c.boites);
    // The line that tells the deletion found its item gone.
    EXPECT_EQ(lignesLog().filter(QStringLiteral("already gone from the web")).size(), c.code == 501 ? 1 : 0);
    EXPECT_EQ(lignesLog().filter(QStringLiteral("link of [OFF] kept for the next run")).size(),
              c.panne == Panne::ResultatFaux && c.entreeGardee ? 1 : 0);
    if (audit) {
        // A copy still on the web stays in the list shown.
        bool montree = false;
        const SpreadGrid* g = GrillePub(1);
        for (int r = 1; r <= g->maxRows(); ++r) montree = montree || g->textAt(2, r).toInt() == id;
        EXPECT_EQ(montree, c.entreeGardee);
    }
    if (!c.entreeGardee) return;

    // The next run, with a service that does its work, completes what was kept.
    double_.annulerPannes();
    etape(audit);
    EXPECT_EQ(lire(QStringLiteral("OFF")).idWeb, 0);
    EXPECT_FALSE(clesJournal().contains(QStringLiteral("P0301OFF")));
    EXPECT_FALSE(double_.element(double_web::Client, id).has_value());
}

INSTANTIATE_TEST_SUITE_P(Client, LinkDeletion,
                         ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(kCasSuppression)),
                         [](const auto& i) {
                             return std::string(std::get<0>(i.param) ? "audit_" : "local_pass_") +
                                    std::get<1>(i.param).nom;
                         });

// ---- Deletions made on the web: a row without a usable code is matched by its web id ----------

TEST_F(SyncTest, AWebDeletionWithoutAUsableCodeFindsTheClientByItsWebId) {
    struct Cas {
        const char* codeWeb;
    } cas[] = {{""}, {"   "}, {"CODE_BIEN_TROP_LONG"}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.codeWeb);
        const int id = web(QString::fromLatin1(c.codeWeb), QStringLiteral("Lié"), double_web::Supprime);
        client(QStringLiteral("LIE"), QStringLiteral("Lié"), 'O', 'O', id);
        // Another client under a code that does not hold this id stays.
        client(QStringLiteral("AUTRE"), QStringLiteral("Autre"), 'O', 'O', id + 1000);
        envois();

        SynchroniserPub_01_Client_05(0, 1, url, QStringLiteral("Client"));

        EXPECT_FALSE(lire(QStringLiteral("LIE")).existe);
        EXPECT_TRUE(lire(QStringLiteral("AUTRE")).existe);
        EXPECT_EQ(envois(), QStringList{QStringLiteral("DeleteXML:") + QString::number(id)});
        // A second run finds the local file clean: nothing created on the web again.
        SynchroniserPub_01_Client_01(0, 1, url, QStringLiteral("Client"));
        EXPECT_EQ(envois().filter(QStringLiteral("CreateXML")).size(), 1);  // AUTRE's lost link only

        double_.vider();
        QString k = QStringLiteral("AUTRE   ");
        BTRieve(0, BtrOp::GetEqual, k, 0, 3, 1, QStringLiteral("t"));
        BTRieve(0, BtrOp::Delete, k, 0, 3, 1, QStringLiteral("t"));
    }
}

// ---- The wait window after the program's end cut a run short ------------------------------------

// A wait window whose first label write ends the program, as a fatal error inside a run does.
class AttenteQuiFinit : public FenetreAttente {
public:
    void afficher(bool b, const QString&) override { chargee_ = b; }
    bool chargee() const override { return chargee_; }
    bool visible() const override { return chargee_; }
    QString texte() const override { return texte_; }
    void setTexte(const QString& t) override {
        if (armee_) {
            armee_ = false;
            throw ProgramEnded{1};
        }
        texte_ = t;
    }
    void cacher() override {}

private:
    bool chargee_ = false;
    bool armee_ = true;
    QString texte_;
};

TEST_F(SyncTest, AnEndInsideARunLeavesNoWaitWindowUp) {
    const struct {
        const char* nom;
        std::function<void()> run;
    } cas[] = {
        {"family", [&] { SynchroniserPub_01_Client(url); }},
        {"driver_without_steps",
         [] { PiloteSansEtapes(Cle::SynchroniserPub_00_Campagne, 0, QStringLiteral("Campagne")); }},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        AttenteQuiFinit attente;
        SetFenetreAttente(&attente);
        EXPECT_THROW(c.run(), ProgramEnded);
        EXPECT_FALSE(FrmMsgChargee());
        // The next run's window goes with that run: no count was left behind.
        AfficherFrmMsg(true, QStringLiteral("Lib_Test:Suivant"));
        AfficherFrmMsg(false, QStringLiteral("Lib_Test:Suivant"));
        EXPECT_FALSE(FrmMsgChargee());
        SetFenetreAttente(nullptr);
    }
}

}  // namespace
