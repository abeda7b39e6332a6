#include "foundation/settings_locations.h"

#include "foundation/conversions.h"
#include "foundation/file_ops.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/settings_access.h"
#include "foundation/system_info.h"
#include "foundation/trace_log.h"
#include "platform/dialogs.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <functional>

QString DossierSettings;

namespace {

const QString kConfig = QStringLiteral("QD3_Config.ini");
const QString kOutil = QStringLiteral("QD3_Tools_Kirvo");
const QString kDefautConfigBase = QStringLiteral("C:\\Tessival\\Ondrune\\Config\\");

// A whole number from a text that must hold one (halves to even): 13 when it does not, 6 when it
// does not fit 16 bits.
int16_t EntierStrict(const QString& text) {
    QString t = TrimBlancs(text);
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (!ok) Raise(13);
    const double r = std::nearbyint(d);
    if (r < -32768 || r > 32767) Raise(6);
    return int16_t(r);
}

QString chiffres(int n, int largeur) { return QString::number(n).rightJustified(largeur, QLatin1Char('0')); }

// The main window's caption titles the program's boxes.
QString TitreFenetrePrincipale() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return QString();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("Frm_Main")) return w->windowTitle();
    return QString();
}

bool ancienSysteme() { return NoVersionWindows < 6 || NoVersionWindows > 11; }

// "QD3_Config.ini" from the legacy configuration: the maker's section of "Win.ini" and each base's
// "Xt_sys.ini". Statements run under the caller's scope.
void ConstruireConfig(Proc& p, const QString& P) {
    const QString W = CheckRep(DossierWindows()) + QStringLiteral("Win.ini");
    const QString T = QStringLiteral("Tessival");
    const QString ON = QStringLiteral("ON");
    bool unc = false;
    QString F;
    int N = 1;
    p(100, [&] { unc = LectureIni(W, T, QStringLiteral("UNC_Actif"), QStringLiteral("0FF")) == ON; });
    p(110, [&] {
        F = CheckRep(LectureIni(W, T, unc ? QStringLiteral("INI_ONDRUNE_UNC") : QStringLiteral("INI_ONDRUNE"),
                                DossierApplication + QStringLiteral("Config/")));
    });
    p(120, [&] {
        const double n = std::nearbyint(NombreSigne(LectureIni(W, T, QStringLiteral("Nb_Base"), QStringLiteral("0"))));
        // A count beyond 32 bits (an overlong number included) is no count.
        N = std::fabs(n) < 2147483648.0 ? int(n) : 0;
        if (N < 1) N = 1;
    });
    p(130, [&] {
        const QString site = QStringLiteral("Site");
        EcritureIni(P, site, QStringLiteral("Lib"),
                    LectureIni(F + QStringLiteral("Xt_sys.ini"), QStringLiteral("Div_radio"),
                               QStringLiteral("Nom_Radio"), QStringLiteral("Nom de la radio")));
        EcritureIni(P, site, QStringLiteral("Actif"), QStringLiteral("1"));
        EcritureIni(P, site, QStringLiteral("NbBase"), QString::number(N));
        EcritureIni(P, site, QStringLiteral("NoBase"), QStringLiteral("1"));
    });

    struct Dossier {
        const char* cle;
        QString defaut;
        const char* cible;
    };
    const Dossier dossiers[] = {
        {"REPLOG", QStringLiteral("C:\\Sentolo\\"), "Dossier_Log"},
        {"REPLOGPUB", QStringLiteral("C:\\Sentolo\\Pub\\"), "Dossier_Log_Pub"},
        {"REPBLOCNOTES", QStringLiteral("C:\\Tessival\\Ondrune\\Notes\\"), "Dossier_Notes"},
        {"REPLOCAL", DossierApplication, "Dossier_Local"},
        {"REPPARTAGE", DossierApplication, "Dossier_Shared"},
        {"REPBTR", QStringLiteral("C:\\BTRieve\\Data\\"), "Dossier_Data"},
        {"REPSAUVEGARDE", QStringLiteral("C:\\BTRieve\\Data\\"), "Dossier_Data_Backup"},
    };
    struct Sons {
        const char* code;
        const char* section;
    };
    const Sons sons[] = {
        {"000", "Dossiers_Sons_Mus"}, {"JIN", "Dossiers_Sons_Jin"}, {"LIN", "Dossiers_Sons_Lin"},
        {"RUB", "Dossiers_Sons_Rub"}, {"INF", "Dossiers_Sons_Inf"}, {"PUB", "Dossiers_Sons_Pub"},
        {"PRE", "Dossiers_Sons_Pre"}, {"TMP", "Dossiers_Sons_Tmp"},
    };

    int16_t M = 0;  // a bad "Nb_Max" keeps the previous base's count
    for (int i = 1; i <= N; ++i) {
        const QString nn = chiffres(i, 2), nnn = chiffres(i, 3);
        const QString B = QStringLiteral("Base_") + nn;
        p(200, [&] {
            if (N > 1) F = LectureIni(W, T, QStringLiteral("Ini_Base_") + nn, QString());
        });
        // The folder is written as read; the files inside it need a separator all the same.
        const QString dossier = CheckRep(F);
        const QString X = dossier + QStringLiteral("Xt_sys.ini");
        const QString S = dossier + QStringLiteral("QD3_Systeme.ini");
        p(210, [&] {
            M = EntierStrict(LectureIni(X, QStringLiteral("Stations"), QStringLiteral("Nb_Max"), QStringLiteral("1")));
        });
        p(220, [&] {
            const QString lib = N == 1 ? LectureIni(X, QStringLiteral("Div_radio"), QStringLiteral("Nom_Radio"),
                                                    QStringLiteral("Nom de la radio"))
                                       : LectureIni(W, T, QStringLiteral("Base_") + nn, QStringLiteral("Base ") + nn);
            EcritureIni(S, B, QStringLiteral("Lib"), lib);
            EcritureIni(S, B, QStringLiteral("Actif"), QStringLiteral("1"));
            EcritureIni(S, B, QStringLiteral("NbStation"), QString::number(M));
            EcritureIni(S, B, QStringLiteral("NoStation"), QStringLiteral("1"));
        });
        p(230, [&] { EcritureIni(P, B, QStringLiteral("Dossier_Config_Global"), F); });
        p(240, [&] {
            for (const Dossier& d : dossiers) {
                const QString cle = QString::fromLatin1(d.cle);
                const bool u = LectureIni(X, QStringLiteral("UNC_Actif"), cle, QStringLiteral("0FF")) == ON;
                const QString v =
                    LectureIni(X, u ? QStringLiteral("Repertoires_UNC") : QStringLiteral("Repertoires"), cle, d.defaut);
                EcritureIni(S, B, QString::fromLatin1(d.cible), v);
            }
        });
        p(250, [&] {
            for (int j = 1; j <= M; ++j) {
                const QString section = B + QStringLiteral("_Station_") + chiffres(j, 2);
                EcritureIni(S, section, QStringLiteral("Lib"),
                            LectureIni(X, QStringLiteral("Div_Radio"), QStringLiteral("Station_") + chiffres(j, 3),
                                       QStringLiteral("Station ") + chiffres(j, 2)));
                EcritureIni(S, section, QStringLiteral("Actif"), QStringLiteral("1"));
            }
        });
        p(260, [&] {
            for (const Sons& s : sons) {
                for (int k = 0; k <= 9; ++k) {
                    const QString kk = chiffres(k, 2);
                    const QString cle = QString::fromLatin1(s.code) + QLatin1Char('_') + kk;
                    const bool u = LectureIni(X, QStringLiteral("UNC_Actif") + nnn, cle, QStringLiteral("0FF")) == ON;
                    const QString section =
                        (u ? QStringLiteral("Repertoire_Station_UNC_") : QStringLiteral("Repertoire_Station_")) + nnn;
                    const QString v = LectureIni(X, section, cle, QString());
                    // Legacy values start with a one-letter flag and a comma.
                    if (!TrimBlancs(v).isEmpty()) EcritureIni(S, QString::fromLatin1(s.section), kk, v.mid(2));
                }
            }
        });
    }
}

void ConseilStyle(Proc& p, const QString& P) {
    QString theme;
    p(300, [&] {
        Reg_GetValue(HKEY_CURRENT_USER, QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"),
                     QStringLiteral("ThemeActive"), theme);
    });
    p(310, [&] {
        if (NombreSigne(theme) != 0) return;
        if (LectureIni(P, QStringLiteral("ThemeWindows"), QStringLiteral("Msg"), QStringLiteral("0")) !=
            QLatin1String("0"))
            return;
        const QString crlf = QStringLiteral("\r\n");
        MsgBox(
            QStringLiteral("Le poste utilise le style 'Windows standard'") + crlf + crlf +
                QStringLiteral(
                    "Pour une avoir une interface optimisée, nous vous conseillons d'utiliser un style 'Windows XP'") +
                crlf + crlf +
                QStringLiteral(
                    "Pour faire le changement,  cliquez droit sur le bureau de windows et choisissez 'Propriétés'"),
            Mb::OKOnly | Mb::Information, TitreFenetrePrincipale());
        EcritureIni(P, QStringLiteral("ThemeWindows"), QStringLiteral("Msg"), QStringLiteral("1"));
    });
}

QString suffixeCle(const QString& suffixe) {
    return TrimBlancs(suffixe).isEmpty() ? QString() : QLatin1Char('_') + suffixe;
}

// Keeps a span [debut, debut + longueur) inside [min, min + etendue) when it fits, else at min.
int borner(int debut, int longueur, int min, int etendue) {
    if (longueur >= etendue) return min;
    return std::clamp(debut, min, min + etendue - longueur);
}

}  // namespace

QString DetermineDossierConfig() {
    Proc p(Cle::DetermineDossierConfig);
    const QString P = DossierApplication + QStringLiteral("Settings/") + kConfig;
    p(10, [&] {
        if (NoVersionWindows == 0) GetOSDisplayString();
    });
    if (!ancienSysteme()) return P;
    bool present = false;
    p(20, [&] { VerificationEtCreationRepertoire(DossierApplication + QStringLiteral("Settings/"), true); });
    p(30, [&] { present = File_Exist(P, QString::fromLatin1(Cle::DetermineDossierConfig), false); });
    if (!present) ConstruireConfig(p, P);
    ConseilStyle(p, P);
    return P;
}

QString DetermineDossierConfig_Bases_Dossier(const QString& configFile, int16_t n, bool baseFirst) {
    Proc p(Cle::DetermineDossierConfig_Bases_Dossier);
    const QString SB = QStringLiteral("Base_") + chiffres(n, 2);
    const QString site = QStringLiteral("Site"), cle = QStringLiteral("Dossier_Config_Global");
    QString v;
    p(10, [&] {
        if (baseFirst) {
            v = LectureIni(configFile, SB, cle, kDefautConfigBase);
            if (TrimBlancs(v).isEmpty()) v = LectureIni(configFile, site, cle, QString());
        } else {
            v = LectureIni(configFile, site, cle, QString());
            if (TrimBlancs(v).isEmpty()) v = LectureIni(configFile, SB, cle, kDefautConfigBase);
        }
    });
    QString r;
    p(20, [&] { r = CheckRep(v); });
    return r;
}

QString DetermineDossierConfig_Fichier(const QString& configFile, int16_t n) {
    Proc p(Cle::DetermineDossierConfig_Fichier);
    const QString cle = QStringLiteral("Dossier_Config_Global");
    QString v;
    p(10, [&] {
        v = LectureIni(configFile, QStringLiteral("Site"), cle, QString());
        TraceLog(-1, -1, -1, QStringLiteral("Dossier_Config_Global: ") + v + QStringLiteral(" /A"), false, -1, true);
    });
    p(20, [&] {
        if (!TrimBlancs(v).isEmpty()) return;
        v = CheckRep(LectureIni(configFile, QStringLiteral("Base_") + chiffres(n, 2), cle,
                                DossierApplication + QStringLiteral("Config/")));
        TraceLog(-1, -1, -1, QStringLiteral("Dossier_Config_Global: ") + v + QStringLiteral(" /B"), false, -1, true);
    });
    QString r;
    p(30, [&] { r = CheckRep(v); });
    return r;
}

void NomDossierSettings() {
    Proc p(Cle::NomDossierSettings, Trace::DebugOnly);
    p(10, [&] {
        if (InfoVersionOS.dwPlatformId != 0) return;
        InfoVersionOS.dwOSVersionInfoSize = 148;
        GetVersionEx(InfoVersionOS);
    });
    p(20, [&] { DossierSettings = DossierApplication + QStringLiteral("Settings/") + kOutil + QLatin1Char('/'); });
    QString T;
    p(30, [&] { T = NomFichierSettings(QString(), QStringLiteral(".Ini")); });
    p(40, [&] {
        const QString cle = QString::fromLatin1(Cle::NomDossierSettings);
        if (T.isEmpty() || File_Exist(T, cle, false)) return;
        QString O = CheckRep(DossierWindows()) + kOutil;
        if (NoInstance != 0) O += QLatin1Char('_') + QString::number(NoInstance);
        O += QStringLiteral(".Ini");
        if (!File_Exist(O, cle, false)) return;
        File_Copy(O, T, Fof::CopieStandard);
        // The old copy stays where it was when the copy failed.
        if (File_Exist(T, cle, false)) File_Delete(O, 0);
    });
}

QString NomFichierSettings(const QString& suffix, const QString& extension) {
    Proc p(Cle::NomFichierSettings, Trace::DebugOnly);
    QString r;
    p(10, [&] {
        if (TrimBlancs(DossierSettings).isEmpty()) NomDossierSettings();
    });
    p(20, [&] {
        r = DossierSettings + kOutil;
        if (NoInstance != 0) r += QLatin1Char('_') + QString::number(NoInstance);
        r += suffix + extension;
    });
    return r;
}

namespace {

// Reads the saved corner and places a window of that size on the screen area that zoneSous gives
// for the saved corner (pixels).
QPoint placer(const QString& nomFenetre, const QSize& taille, const std::function<QRect(QPoint)>& zoneSous,
              const QString& suffixe) {
    Proc p(Cle::PositionFeuille);
    const QString s = suffixeCle(suffixe);
    QString F;
    double gauche = 0, haut = 0;
    p(10, [&] { F = NomFichierSettings(QStringLiteral("_Positions"), QStringLiteral(".Ini")); });
    p(20, [&] {
        gauche = NombreSigne(
            LectureIni(F, QStringLiteral("FrmPos"), nomFenetre + QStringLiteral("_Left") + s, QStringLiteral("0")));
        haut = NombreSigne(
            LectureIni(F, QStringLiteral("FrmPos"), nomFenetre + QStringLiteral("_Top") + s, QStringLiteral("0")));
    });
    QRect ecran = zoneSous(QPoint(int(std::lround(gauche / TwipsParPixel)), int(std::lround(haut / TwipsParPixel))));
    QPoint r(ecran.left(), ecran.top());
    p(30, [&] {
        // The old rules, in twips: a top below the screen goes half-way up, a window lost above
        // the top comes down to 0, a left edge far out to the left comes back to 0.
        const double hauteurEcran = double(ecran.bottom() + 1) * TwipsParPixel;
        const double hauteur = double(taille.height()) * TwipsParPixel;
        if (haut > hauteurEcran)
            haut = hauteurEcran / 2;
        else if (haut + hauteur < 100)
            haut = 0;
        if (gauche < -20000) gauche = 0;
        // Then the whole window is kept on the screen, whatever edge it left by (as decided: wholly,
        // not just a corner of it).
        const int x = int(std::lround(gauche / TwipsParPixel));
        const int y = int(std::lround(haut / TwipsParPixel));
        r = QPoint(borner(x, taille.width(), ecran.left(), ecran.width()),
                   borner(y, taille.height(), ecran.top(), ecran.height()));
    });
    return r;
}

}  // namespace

QPoint PositionFeuille(const QString& nomFenetre, const QSize& taille, const QRect& ecran, const QString& suffixe) {
    return placer(
        nomFenetre, taille, [&](QPoint) { return ecran; }, suffixe);
}

void PositionFeuilleSauvegarde(const QString& nomFenetre, const QPoint& coin, int etat, const QString& suffixe) {
    Proc p(Cle::PositionFeuilleSauvegarde);
    if (etat != EtatNormal) return;
    const QString s = suffixeCle(suffixe);
    QString F;
    p(10, [&] { F = NomFichierSettings(QStringLiteral("_Positions"), QStringLiteral(".Ini")); });
    p(20, [&] {
        EcritureIni(F, QStringLiteral("FrmPos"), nomFenetre + QStringLiteral("_Left") + s,
                    QString::number(qint64(coin.x()) * TwipsParPixel));
        EcritureIni(F, QStringLiteral("FrmPos"), nomFenetre + QStringLiteral("_Top") + s,
                    QString::number(qint64(coin.y()) * TwipsParPixel));
    });
}

int EtatDeFenetre(const QWidget* fenetre) {
    if (fenetre->isMinimized()) return EtatMinimise;
    if (fenetre->isMaximized() || fenetre->isFullScreen()) return EtatMaximise;
    return EtatNormal;
}

void PositionFeuille(QWidget* fenetre, const QString& suffixe) {
    if (!fenetre) return;
    const auto zoneSous = [fenetre](QPoint coin) {
        QScreen* ecran = QGuiApplication::screenAt(coin);
        if (!ecran) ecran = fenetre->screen();
        if (!ecran) ecran = QGuiApplication::primaryScreen();
        return ecran ? ecran->availableGeometry() : QRect(0, 0, 1024, 768);
    };
    fenetre->move(placer(fenetre->objectName(), fenetre->frameGeometry().size(), zoneSous, suffixe));
}

void PositionFeuilleSauvegarde(QWidget* fenetre, const QString& suffixe) {
    if (!fenetre) return;
    PositionFeuilleSauvegarde(fenetre->objectName(), fenetre->pos(), EtatDeFenetre(fenetre), suffixe);
}

void ReinitialiserSettingsLocations() { DossierSettings.clear(); }
