#include "entities/fill_rate_upload.h"

#include "database/site_startup.h"
#include "fill/fill_computation.h"
#include "fill/fill_property_grid.h"
#include "fill/fill_settings.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/shell_link.h"
#include "foundation/trace_log.h"
#include "platform/spread_grid.h"
#include "sync/dispatcher.h"
#include "grids/list_grids.h"
#include "sync/query_text.h"
#include "sync/sync_engine.h"
#include "sync/web_requests.h"

#include <QSet>
#include <QStringList>
#include <algorithm>

namespace {

// The grid's plain backgrounds: a cell on one of them goes without its colour.
bool fondOrdinaire(int32_t b) {
    return b == CouleurGrille::Fond || b == Remp::FondJourImpair || b == Remp::FondJourPair;
}

// One cell: its text as the grid shows it, ";" and its colour unless the background is a plain
// one, then "|" (left out for the day total).
QString segment(const SpreadGrid& g, int c, int r, bool fermer, bool& bNonVide) {
    const QString t = g.textAt(c, r);
    const int32_t b = g.backColorAt(c, r);
    if (!TrimBlancs(t).isEmpty()) bNonVide = true;
    QString s = t;
    if (!fondOrdinaire(b)) s += QLatin1Char(';') + DeRGB(b);
    if (fermer) s += QLatin1Char('|');
    return s;
}

QString texteDate(const QDate& d) { return d.toString(QStringLiteral("yyyy-MM-dd")); }
QString deuxChiffres(int n) { return N2S(n, 2, 0, QStringLiteral("0")); }

// What an upload that did not go through leaves to the user: the stations whose cleared days
// miss rows on the web, and the one way to mend them.
QString texteRelance(const QStringList& incompletes) {
    QString t;
    if (!incompletes.isEmpty())
        t = QStringLiteral("Jours effacés sur le Web sans être tous renvoyés pour la station ") +
            incompletes.join(QStringLiteral(", la station ")) + QStringLiteral(". ");
    return t + QStringLiteral("Relancez l'envoi du remplissage.");
}

bool g_arretSansReponse = false;

}  // namespace

QString DeRGB(int32_t couleur) {
    const auto hex = [](int v) { return QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper(); };
    return hex(DeRGB_Rouge(couleur)) + hex(DeRGB_Vert(couleur)) + hex(DeRGB_Bleu(couleur));
}

int DeRGB_Rouge(int32_t couleur) { return int(uint32_t(couleur) & 0xFF); }
int DeRGB_Vert(int32_t couleur) { return int((uint32_t(couleur) >> 8) & 0xFF); }
int DeRGB_Bleu(int32_t couleur) { return int((uint32_t(couleur) >> 16) & 0xFF); }

QDate JourDeLaGrille(const QString& texte) {
    if (texte.size() < 8) return {};
    bool okJ = false, okM = false, okA = false;
    const int j = texte.mid(0, 2).toInt(&okJ);
    const int m = texte.mid(3, 2).toInt(&okM);
    const int a = texte.mid(6, 2).toInt(&okA);
    if (!okJ || !okM || !okA) return {};
    return QDate(2000 + a, m, j);
}

QString SynchroniserPub_06_Remplissage_80_Parametres_03_Delete(int16_t station, const QDate& jour) {
    ChaineRequete q;
    q.ajouter(QStringLiteral("TrpDate"), texteDate(jour)).ajouter(QStringLiteral("TrpStation"), deuxChiffres(station));
    return q.texte();
}

QString SynchroniserPub_06_Remplissage_80_Parametres_02_Update(SpreadGrid& grille, int16_t station, const QDate& jour,
                                                               int16_t nature, int32_t row, bool& bNonVide) {
    Proc p(Cle::SynchroniserPub_06_Remplissage_80_Parametres_02_Update);
    bNonVide = false;
    QString heures, tranches, total;
    p(10, [&] {
        for (int c = Remp::ColHeure0; c <= Remp::NbColonnes; ++c) heures += segment(grille, c, row, true, bNonVide);
        for (int c = Remp::ColTranche0; c < Remp::ColTotal; ++c) tranches += segment(grille, c, row, true, bNonVide);
        total = segment(grille, Remp::ColTotal, row, false, bNonVide);
    });
    ChaineRequete q;
    q.ajouter(QStringLiteral("TrpDate"), texteDate(jour))
        .ajouter(QStringLiteral("TrpStation"), deuxChiffres(station))
        .ajouter(QStringLiteral("TrpNature"), deuxChiffres(nature))
        .ajouter(QStringLiteral("TrpHeure"), heures)
        .ajouter(QStringLiteral("TrpTranche"), tranches)
        .ajouter(QStringLiteral("TrpTranches"), total);
    return q.texte();
}

BilanRemplissage SynchroniserPub_06_Remplissage_01(SpreadGrid& grille, int16_t base, int16_t station,
                                                   const QString& url, const QString& entite, const QDate& d1,
                                                   const QDate& d2, EnvoisWeb& envois) {
    Proc p(Cle::SynchroniserPub_06_Remplissage_01);
    BilanRemplissage b;
    // True when accepted; a failure is counted in echecs.
    const auto compter = [&](IssueEnvoi i, int& accepte, int& echecs) {
        if (i == IssueEnvoi::Accepte)
            ++accepte;
        else if (i == IssueEnvoi::Echec)
            ++echecs;
        else
            b.injoignable = true;
        return i == IssueEnvoi::Accepte;
    };

    // Every day's rates go before the first row is sent. The period is the computation's, which
    // bounds it. A day whose deletion failed still gets its rows: each replaces its own kind.
    const qint64 n = std::min<qint64>(d1.daysTo(d2) + 1, Remp::JoursMax);
    QSet<QDate> effaces;
    for (qint64 k = 0; k < n && !b.injoignable && !bFermetureEnCours; ++k) {
        const QDate jour = d1.addDays(k);
        if (compter(envois.envoyer(url, entite, OperationWeb::DeleteXML,
                                   SynchroniserPub_06_Remplissage_80_Parametres_03_Delete(station, jour)),
                    b.suppressions, b.joursEnEchec))
            effaces.insert(jour);
    }
    // Stopped before every row went: the days cleared hold only what was sent before.
    const auto arret = [&] {
        b.incomplet = b.incomplet || !effaces.isEmpty();
        return b;
    };
    if (b.injoignable || bFermetureEnCours) return arret();

    int nbLignes = 0;
    if (!p(20, [&] {
            grille.setSheet(station);
            nbLignes = grille.maxRows();
        }))
        return arret();
    int r = 1;
    for (; r <= nbLignes && !b.injoignable && !bFermetureEnCours; ++r) {
        int16_t nature = 0;
        QDate jour;
        p(30, [&] {
            nature = int16_t(NatureDuLibelle(grille.textAt(4, r)));
            if (nature != 0 && !ParametresRemplissage.ligne(NatureDeLigne(r))) nature = 0;
            if (nature != 0) jour = JourDeLaGrille(grille.textAt(3, r));
        });
        if (nature == 0 || !jour.isValid()) continue;
        bool bNonVide = false;
        const QString requete =
            SynchroniserPub_06_Remplissage_80_Parametres_02_Update(grille, station, jour, nature, r, bNonVide);
        if (!bNonVide) continue;
        if (!compter(envois.envoyer(url, entite, OperationWeb::UpdateXML, requete), b.lignes, b.lignesEnEchec) &&
            effaces.contains(jour))
            b.incomplet = true;
    }
    return r <= nbLignes ? arret() : b;
}

bool RemplissageArreteSansReponse() { return g_arretSansReponse; }

void SynchroniserPub_06_Remplissage(const QString& url) {
    Proc p(Cle::SynchroniserPub_06_Remplissage);
    g_arretSansReponse = false;
    const QString cle = QString::fromLatin1(Cle::SynchroniserPub_06_Remplissage);
    const QString entite = EntiteWeb::TauxRemplissage;
    const auto journal = [&](const QString& texte) {
        TraceLog(-1, -1, -1, entite + QStringLiteral(": ") + texte, false);
    };

    p(10, [&] {
        if (LiensSynchronisation().afficherOnglet) LiensSynchronisation().afficherOnglet(GrillePubNo::Remplissage);
    });
    p(20, [&] { InitStructureData(1, 6); });
    // The period the property grid shows (the settings' own period without one).
    QDateTime d1 = ParametresRemplissage.DateDebut, d2 = ParametresRemplissage.DateFin;
    p(30, [&] {
        QDateTime debut, fin;
        if (PeriodeAffichee(debut, fin)) {
            d1 = debut;
            d2 = fin;
        }
    });
    // A period the computation refuses leaves the grid as it was, and nothing is sent.
    bool valide = false;
    p(40, [&] { valide = ControlePeriodeRemplissage(d1, d2); });
    if (!valide) {
        journal(QStringLiteral("nothing sent, the period is refused"));
        return;
    }
    p(50, [&] { InitGeneralTableurPub(6, true, true); });
    bool calcule = false;
    p(60, [&] { calcule = Remplissage(d1, d2); });
    const IssueRemplissage issue = DerniereIssueRemplissage();
    if (!calcule || issue != IssueRemplissage::Complete) {
        if (bFermetureEnCours) return;
        if (issue == IssueRemplissage::Incomplete) {
            journal(QStringLiteral("nothing sent, the fill computation is incomplete"));
            MsgBoxMain(QStringLiteral("Le calcul du remplissage est incomplet : la lecture de la publicité planifiée a "
                                      "échoué. Aucun taux de remplissage n'est envoyé."),
                       Mb::OKOnly | Mb::Exclamation);
        } else {
            journal(QStringLiteral("nothing sent, the fill computation did not run through"));
        }
        return;
    }
    SpreadGrid* grille = GrilleRemplissage();
    if (!grille) return;

    BilanRemplissage total;
    // The failures are told in the one message at the end.
    EnvoisWeb envois(QString::fromLatin1(Cle::SynchroniserPub_06_Remplissage_01), false);
    QStringList incompletes;
    {
        FrmMsgOuverte attente(cle);
        const int16_t base = NoBaseCourante;
        int nbStations = 0;
        p(80, [&] {
            nbStations = std::min({int(BaseInfo.at(size_t(base)).NbStation), NbStationsBase, grille->sheetCount()});
        });
        for (int i = 1; i <= nbStations && !total.injoignable && !bFermetureEnCours; ++i) {
            p(90, [&] { LabelMsgInit(entite + QStringLiteral(" / Station: ") + QString::number(i)); });
            if (!ParametresRemplissage.Station[size_t(i - 1)]) continue;
            const BilanRemplissage b =
                SynchroniserPub_06_Remplissage_01(*grille, base, int16_t(i), url, entite, d1.date(), d2.date(), envois);
            total.lignes += b.lignes;
            total.suppressions += b.suppressions;
            total.lignesEnEchec += b.lignesEnEchec;
            total.joursEnEchec += b.joursEnEchec;
            total.injoignable = b.injoignable;
            if (b.incomplet) {
                QString nom = QString::number(i);
                p(95, [&] {
                    const QString lib = TrimBlancs(BaseInfo.at(size_t(base)).Stations.at(size_t(i - 1)).Lib);
                    if (!lib.isEmpty()) nom += QStringLiteral(" (") + lib + QLatin1Char(')');
                });
                incompletes << nom;
            }
        }
    }

    QString bilan = QString::number(total.lignes) + QStringLiteral(" row(s) sent, ") +
                    QString::number(total.suppressions) + QStringLiteral(" day(s) cleared, ") +
                    QString::number(total.echecs()) + QStringLiteral(" failure(s)") + envois.finLigneBilan();
    if (!incompletes.isEmpty())
        bilan += QStringLiteral(", days cleared but not all sent again for station(s) ") +
                 incompletes.join(QStringLiteral(", "));
    journal(bilan);
    if (bFermetureEnCours) return;
    if (total.injoignable) {
        g_arretSansReponse = envois.arreteSansAucuneReponse();
        p(100, [&] { SignalerServiceInjoignable(url, texteRelance(incompletes)); });
        return;
    }
    if (total.echecs() == 0) return;
    p(110, [&] {
        QString texte = QStringLiteral("Envoi du remplissage terminé avec des échecs : ") +
                        QString::number(total.lignesEnEchec) + QStringLiteral(" ligne(s) sur ") +
                        QString::number(total.lignes + total.lignesEnEchec) + QStringLiteral(" et ") +
                        QString::number(total.joursEnEchec) + QStringLiteral(" jour(s) sur ") +
                        QString::number(total.suppressions + total.joursEnEchec) +
                        QStringLiteral(" n'ont pas été acceptés par le service Web.");
        const ErreursService& erreurs = envois.erreursService();
        if (!erreurs.vide()) {
            QString t = erreurs.texte();
            t[0] = t[0].toUpper();
            texte += QLatin1Char(' ') + t + QLatin1Char('.');
        }
        texte += QLatin1Char(' ') + texteRelance(incompletes);
        MsgBoxMain(texte, Mb::OKOnly | Mb::Exclamation);
    });
}
