#pragma once
// A temporary site for the synchronisation tests: the synchronised files and the journal on real
// database files, the program folder for the answer files, and the web-service double with the
// program pointed at it.
#include "database/record_files_fixture.h"
#include "support/fixture.h"
#include "support/web_double.h"

#include <QMap>
#include <QString>
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
    QString cle;      // type, file, station and code (15 characters)
    QString etat;
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
