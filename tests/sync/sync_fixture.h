#pragma once
// A temporary site for the synchronisation tests: the synchronised files and the journal on real
// database files, the program folder for the answer files, and the web-service double with the
// program pointed at it.
#include "database/record_files_fixture.h"
#include "support/fixture.h"
#include "support/web_double.h"

#include <QMap>
#include <QString>
#include <array>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <utility>

class Frm_Main;

struct ClientLocal {
    bool existe = false;
    QString code, nom, ville, contact, etat, flag;
    int32_t idWeb = 0;
};

struct EntreeJournal {
    QString cle;  // type, file, station and code (15 characters)
    QString etat;
    int32_t idWeb = 0;
};

// What the tests need to know of a synchronised family: its web entity and field prefix, its file
// and key width, where its name goes, its driver and steps, and the menu entry and tab it shows.
struct FamilleTest {
    using Etape = void (*)(int16_t, int16_t, const QString&, const QString&);
    const char* nom;          // "Client", "Produit"...: also what a blank name is sent as ("Client: C1")
    const char* nomDeTest;    // the family in test names: "Client", "Product", "Sector", "Salesperson"
    QString entite, prefixe;  // "SecteurActivite", "Sec"
    int fichier, largeur;
    QString champNomWeb;  // the web field the name goes to ("SecLibelle")
    int menu, onglet;
    void (*pilote)(const QString&);
    std::array<Etape, 7> etapes;  // 1 local pass, 2 replay, 3 and 4 imports, 5 deletions, 6 audit
    // A new record of the family in its buffer, its code and name written; the name read back.
    void (*poser)(const QString& code, const QString& nom);
    QString (*nomLu)();
    QMap<QString, QString> champsWeb;  // fields every web item of the family carries
};
const FamilleTest& FamilleTestClient();
const FamilleTest& FamilleTestProduit();
const FamilleTest& FamilleTestSecteur();
const FamilleTest& FamilleTestCommercial();
void PrintTo(const FamilleTest* f, std::ostream* os);  // its name in test names

// A record of any family as read back.
struct EnregLocal {
    bool existe = false;
    QString code, nom, etat, flag;  // the name as stored, trailing blanks included
    int32_t idWeb = 0;
};

class SyncTest : public KirvoTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Checks the web id a local-pass case expects of a record: "0" none, "=" the one it had
    // (avant), "new" another one, of an item the double holds, which is returned.
    std::optional<double_web::Element> verifierIdWebFinal(const QString& fin, int32_t idWeb, int32_t avant,
                                                          const QString& entite);

    // The buffer of a file inserted through the wrapper, its key 0 of largeurCle characters (what
    // names it in a failure); the record of a file read by its key 0, code padded to largeurCle:
    // false when it is not found.
    void insererTampon(int fichier, int largeurCle, const QString& quoi);
    bool lireTampon(int fichier, const QString& code, int largeurCle);

    // A client written through the wrapper (its "S" journal entry comes with it).
    void client(const QString& code, const QString& nom, char flag = 'O', char etat = 'N', int32_t idWeb = 0,
                const QString& ville = QString());
    ClientLocal lire(const QString& code);
    // A journal entry as another program of the suite leaves it (of the client file unless told).
    void entree(char type, int station, const QString& code, char etat, int32_t idWeb, int fichier = 3);
    std::vector<EntreeJournal> journal();
    QStringList clesJournal();
    // A client on the web side; its id.
    int web(const QString& code, const QString& nom, int statut = double_web::Synchronise, int idWeb = 0);
    // Clients "A" and "B", linked to their web copies ("A", "B") and renamed "A modifié" and
    // "B modifié" locally, their changes waiting in the journal; their web ids.
    std::pair<int, int> deuxClientsModifies();
    // The client operations the double received ("CreateXML", "UpdateXML:12"...) since the last
    // call, list fetches left out.
    QStringList envois();
    // Runs the client synchronisation as the menu does.
    void synchroniser();

    // The same for any family. A record written through the wrapper (its "S" journal entry comes
    // with it); autres may set its other fields in the buffer.
    void local(const FamilleTest& f, const QString& code, const QString& nom, char flag = 'O', char etat = 'N',
               int32_t idWeb = 0, const std::function<void()>& autres = {});
    EnregLocal lireLocal(const FamilleTest& f, const QString& code);
    // An item on the web side; its id.
    int webItem(const FamilleTest& f, const QString& code, const QString& nom, int statut = double_web::Synchronise,
                QMap<QString, QString> autres = {});
    // The family's operations the double received ("CreateXML:CODE", "UpdateXML:12"...), list
    // fetches left out; the requests are then forgotten.
    QStringList envoisDe(const FamilleTest& f);
    // Requests of any other entity than the family's (list fetches included).
    QStringList autresEntites(const FamilleTest& f);
    // The family's step n (1..6) as its driver runs it.
    void etape(const FamilleTest& f, int n);
    // Every local record kept on the web has exactly one web copy, linked both ways, of its name
    // (or the name sent for a blank one), and the web holds nothing else but the item of code
    // ecarte; no change waits in the journal.
    void verifierEnPhase(const FamilleTest& f, const QString& ecarte = QString());

    std::unique_ptr<FichiersReels> fichiers;
    double_web::WebDouble double_;
    QString url;
};

// The main window on the test's site, reading its web settings from the double; on leaving, the
// window, the wait window and the hidden host go, and the requests' settings are reset.
class FenetreDeTest {
public:
    FenetreDeTest(const QString& url, const double_web::WebDouble& double_);
    ~FenetreDeTest();
    FenetreDeTest(const FenetreDeTest&) = delete;
    FenetreDeTest& operator=(const FenetreDeTest&) = delete;
    Frm_Main* get() const { return w_.get(); }
    Frm_Main* operator->() const { return w_.get(); }

private:
    std::unique_ptr<Frm_Main> w_;
};
