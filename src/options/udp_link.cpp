#include "options/udp_link.h"

#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "foundation/network.h"
#include "foundation/proc.h"
#include "foundation/settings_access.h"
#include "foundation/shell_link.h"
#include "foundation/system_info.h"
#include "foundation/trace_log.h"
#include "options/options_window.h"
#include "platform/clock.h"
#include "platform/cp1252.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QToolTip>
#include <QUdpSocket>

namespace {

const QString kSectionIn = QStringLiteral("UDP_IN");
const QString kSectionOut = QStringLiteral("UDP_OUT");

ResolveurNoms& resolveur() {
    static ResolveurNoms r;
    return r;
}

void resoudre(const QString& nom, QObject* contexte, ReponseResolution reponse) {
    if (resolveur()) {
        resolveur()(nom, contexte, std::move(reponse));
        return;
    }
    QHostInfo::lookupHost(nom, contexte, [reponse](const QHostInfo& h) {
        reponse(h.addresses(), h.error() == QHostInfo::NoError ? QString() : h.errorString());
    });
}

void pomper() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

QString cle(const char* prefixe, int i) { return QString::fromLatin1(prefixe) + QString::number(i); }

// A port box: only digits can be typed (a refused key says why beside the box), and a number out
// of 1 to 65535 is refused when the box is left, with what it held before coming back.
class ControlePort : public QObject {
public:
    ControlePort(QLineEdit* boite, QString ou) : QObject(boite), boite_(boite), ou_(std::move(ou)) {
        boite->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), boite));
        boite->installEventFilter(this);
        connect(boite, &QLineEdit::inputRejected, this, [this] {
            QToolTip::showText(boite_->mapToGlobal(QPoint(0, boite_->height())),
                               QStringLiteral("Un port s'écrit en chiffres, de 1 à 65535."), boite_);
        });
        connect(boite, &QLineEdit::editingFinished, this, [this] { verifier(); });
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::FocusIn) avant_ = boite_->text();
        return false;
    }

private:
    void verifier() {
        const QString texte = boite_->text();
        if (texte.isEmpty() || PortUDPValide(texte)) {
            avant_ = texte;
            return;
        }
        // The box holds a port again before the box takes the focus from it.
        boite_->setText(PortUDPValide(avant_) ? avant_ : QString());
        MsgBoxMain(MessagePortNonValide(ou_, texte), Mb::Exclamation);
    }

    QLineEdit* boite_;
    QString ou_;
    QString avant_;
};

// A socket call of our own: the error signal it may raise belongs to the call.
struct AppelSocket {
    int& compteur;
    explicit AppelSocket(int& c) : compteur(c) { ++compteur; }
    ~AppelSocket() { --compteur; }
};

}  // namespace

bool PortUDPValide(const QString& texte, quint16* port) {
    const QString t = texte.trimmed();
    if (t.isEmpty() || t.size() > 5) return false;
    for (QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    const int v = t.toInt();
    if (v < 1 || v > 65535) return false;
    if (port) *port = quint16(v);
    return true;
}

QString MessagePortNonValide(const QString& ou, const QString& texte) {
    const QString t = texte.trimmed();
    return (t.isEmpty() ? QStringLiteral("%1 : aucun port n'est indiqué.").arg(ou)
                        : QStringLiteral("%1 : « %2 » n'est pas un port.").arg(ou, t)) +
           QStringLiteral("\r\n\r\nUn port est un nombre de 1 à 65535.");
}

QString LienUDP::nomBoitePort(bool emission, int index, int numero) {
    return QStringLiteral("%1, ligne %2, Port")
               .arg(emission ? QStringLiteral("Emission") : QStringLiteral("Réception"))
               .arg(index) +
           (emission ? QStringLiteral(" %1").arg(numero) : QString());
}

void SetResolveurNomsUDP(ResolveurNoms r) { resolveur() = std::move(r); }
void ReinitialiserLienUDP() { resolveur() = {}; }

MessageUDP UDPArrival(const QString& message) {
    Proc p(Cle::FrmSetup_UDPArrival);
    QString m = message;
    MessageUDP lu;
    p(10, [&] {
        QString nouveau;
        if (!ReecriturePodcast(m, nouveau)) return;
        Log(QStringLiteral("Podcast: Change: ") + TexteJournalUDP(m) + QStringLiteral(" |To: ") +
            TexteJournalUDP(nouveau));
        m = nouveau;
    });
    p(20, [&] { lu = LireMessageUDP(m); });
    return lu;
}

// --- the link ----------------------------------------------------------------------------------------

LienUDP::LienUDP(FrmSetup& frm) : QObject(&frm), frm_(frm) {
    etats_.fill(EtatCanal::Inactif);
    for (int i = 0; i < NbCanauxUDP; ++i) {
        auto* s = new QUdpSocket(this);
        s->setObjectName(QStringLiteral("SocketUDP(%1)").arg(i));
        sockets_[size_t(i)] = s;
        connect(s, &QUdpSocket::readyRead, this, [this, i] { SocketUDP_DataArrival(i); });
        connect(s, &QAbstractSocket::errorOccurred, this, [this, i, s](QAbstractSocket::SocketError e) {
            if (appelsEnCours_[size_t(i)] > 0) return;
            const ErreurSocket err = ErreurDeSocket(e, s->errorString());
            SocketUDP_Error(i, err.numero, err.description);
        });
        etat(i, EtatCanal::Inactif);
    }
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("TimerUDP"));
    timer_->setInterval(IntervalleTimerUDP);
    connect(timer_, &QTimer::timeout, this, [this] { TimerUDP_Timer(); });

    for (int i = 0; i < NbCanauxUDP; ++i) {
        const size_t k = size_t(i);
        connect(frm_.CheckUDPInActif[k], &QCheckBox::stateChanged, this, [this, i] { CheckUDPInActif_Click(i); });
        connect(frm_.CheckUDPOutActif[k], &QCheckBox::stateChanged, this, [this, i] { CheckUDPOutActif_Click(i); });
        connect(frm_.BtnUDPSend[k], &QPushButton::clicked, this, [this, i] { BtnUDPSend_Click(i); });
        new ControlePort(frm_.TexteUDPPortSource[k], nomBoitePort(false, i, 1));
        new ControlePort(frm_.TexteUDPPortCible[k], nomBoitePort(true, i, 1));
        new ControlePort(frm_.TexteUDPPortBCible[k], nomBoitePort(true, i, 2));
        // The table's boxes mark a change; the two data boxes do not.
        for (QLineEdit* e : {frm_.TexteUDPIPSource[k], frm_.TexteUDPPortSource[k], frm_.TexteUDPIPCible[k],
                             frm_.TexteUDPPortCible[k], frm_.TexteUDPPortBCible[k]})
            connect(e, &QLineEdit::textChanged, this, [] {
                if (!bSetupEnChargement) bPeripheriquesModifies = true;
            });
    }
    for (int i = 0; i < 2; ++i)
        connect(frm_.CommandTest[size_t(i)], &QPushButton::clicked, this, [this, i] { CommandTest_Click(i); });
}

LienUDP::~LienUDP() { Fermer(); }

void LienUDP::Fermer() {
    if (timer_) timer_->stop();
    for (int i = 0; i < NbCanauxUDP; ++i) {
        AppelSocket appel(appelsEnCours_[size_t(i)]);
        sockets_[size_t(i)]->close();
    }
}

QString LienUDP::texteEtatCanal(int index) const {
    const QLabel* l = frm_.LabelUDPEtat[size_t(index)];
    return l ? l->text() : QString();
}

void LienUDP::etat(int index, EtatCanal e, const QString& detail, const QString& explication) {
    const size_t k = size_t(index);
    etats_[k] = e;
    details_[k] = detail;
    QLabel* l = frm_.LabelUDPEtat[k];
    if (!l) return;
    QString texte, couleur;
    switch (e) {
        case EtatCanal::Inactif:
            texte = QStringLiteral("Inactif");
            couleur = QStringLiteral("#707070");
            break;
        case EtatCanal::EnEcoute:
            texte = QStringLiteral("En écoute");
            couleur = QStringLiteral("#1e7b1e");
            break;
        case EtatCanal::Refuse:
            texte = QStringLiteral("Refusé");
            couleur = QStringLiteral("#b00000");
            break;
        case EtatCanal::Ferme:
            texte = QStringLiteral("Fermé");
            couleur = QStringLiteral("#b00000");
            break;
    }
    if (!detail.isEmpty()) texte += QStringLiteral(" : ") + detail;
    l->setText(texte);
    QString bulle = texte;
    if (!explication.isEmpty()) bulle += QLatin1Char('\n') + explication;
    if (e == EtatCanal::Ferme) bulle += QStringLiteral("\nDécochez puis cochez « Activer » pour relancer l'écoute.");
    l->setToolTip(bulle);
    l->setStyleSheet(QStringLiteral("color: %1;").arg(couleur));
}

// --- load and save -----------------------------------------------------------------------------------

void LienUDP::InitUDP() {
    Proc p(Cle::FrmSetup_InitUDP, Trace::None);
    p(10, [&] { frm_.TexteComputerNameAdresse[0]->setText(ComputerName()); });
    p(20, [&] { frm_.TexteComputerNameAdresse[1]->setText(GetHostName()); });
    p(30, [&] {
        for (QLineEdit* e : frm_.TexteUDPIPSource)
            if (TrimBlancs(e->text()).isEmpty() || e->text() == QStringLiteral("0.0.0.0"))
                e->setText(frm_.TexteComputerNameAdresse[1]->text());
    });
}

void LienUDP::InitSettingsPeripheriques() {
    Proc p(Cle::FrmSetup_InitSettingsPeripheriques);
    QString f;
    p(10, [&] { f = FrmSetup::FichierProgramme(); });
    for (int i = 0; i < NbCanauxUDP; ++i) {
        const size_t k = size_t(i);
        p(20, [&] {
            frm_.TexteUDPIPSource[k]->setText(
                LectureIni(f, kSectionIn, cle("IP_", i), frm_.TexteComputerNameAdresse[1]->text()));
        });
        p(30, [&] {
            frm_.TexteUDPPortSource[k]->setText(LectureIni(f, kSectionIn, cle("Port_", i), QString::number(96 + i)));
        });
        p(40, [&] {
            SetValeurCase(frm_.CheckUDPInActif[k],
                          ValeurEntiere(LectureIni(f, kSectionIn, cle("Actif_", i), QStringLiteral("0"))));
        });
    }
    for (int i = 0; i < NbCanauxUDP; ++i) {
        const size_t k = size_t(i);
        p(50, [&] { frm_.TexteUDPIPCible[k]->setText(LectureIni(f, kSectionOut, cle("IP_", i), QString())); });
        p(60, [&] {
            frm_.TexteUDPPortCible[k]->setText(LectureIni(f, kSectionOut, cle("Port_", i), QString::number(96 + i)));
        });
        p(70, [&] { frm_.TexteUDPPortBCible[k]->setText(LectureIni(f, kSectionOut, cle("PortB_", i), QString())); });
        p(80, [&] {
            SetValeurCase(frm_.CheckUDPOutActif[k],
                          ValeurEntiere(LectureIni(f, kSectionOut, cle("Actif_", i), QStringLiteral("0"))));
        });
    }
    bPeripheriquesModifies = false;
}

bool LienUDP::SaveSettingsPeripheriques() {
    Proc p(Cle::FrmSetup_SaveSettingsPeripheriques);
    QString f;
    bool refus = false;
    auto ecrire = [&](const QString& section, const char* prefixe, int i, const QString& valeur) {
        if (!EcritureIni(f, section, cle(prefixe, i), valeur)) refus = true;
    };
    // A port box that holds no port (a value the file gave): the window's save writes nothing of
    // the table and the user is told which boxes to put right. The last save, at the shutdown,
    // cannot be put right: every text is written as it is, the bad ones as the file gave them.
    QStringList ports;
    for (int i = 0; i < NbCanauxUDP; ++i) {
        const size_t k = size_t(i);
        const std::pair<QLineEdit*, QString> boites[] = {{frm_.TexteUDPPortSource[k], nomBoitePort(false, i, 1)},
                                                         {frm_.TexteUDPPortCible[k], nomBoitePort(true, i, 1)},
                                                         {frm_.TexteUDPPortBCible[k], nomBoitePort(true, i, 2)}};
        for (const auto& [boite, ou] : boites)
            if (!TrimBlancs(boite->text()).isEmpty() && !PortUDPValide(boite->text()))
                ports << ou + QStringLiteral(" : « ") + boite->text().trimmed() + QStringLiteral(" »");
    }
    if (!ports.isEmpty() && frm_.enDechargement()) {
        p(5, [&] {
            Log(QStringLiteral("Err: FrmSetup: SaveSettingsPeripheriques: port non valide enregistré tel quel: ") +
                ports.join(QStringLiteral(" | ")));
        });
    } else if (!ports.isEmpty()) {
        p(5, [&] {
            Log(QStringLiteral("Err: FrmSetup: SaveSettingsPeripheriques: port non valide: ") +
                ports.join(QStringLiteral(" | ")));
            MsgBoxMain(QStringLiteral("Les paramètres UDP n'ont pas été enregistrés : un port est un nombre de 1 à "
                                      "65535.\r\n\r\n") +
                           ports.join(QStringLiteral("\r\n")) +
                           QStringLiteral("\r\n\r\nCorrigez ces ports puis enregistrez à nouveau."),
                       Mb::Exclamation);
        });
        return false;
    }
    bool ok = p(10, [&] { f = FrmSetup::FichierProgramme(); });
    ok &= p(20, [&] {
        for (int i = 0; i < NbCanauxUDP; ++i) {
            const size_t k = size_t(i);
            ecrire(kSectionIn, "IP_", i, frm_.TexteUDPIPSource[k]->text());
            ecrire(kSectionIn, "Port_", i, frm_.TexteUDPPortSource[k]->text());
            ecrire(kSectionIn, "Actif_", i, QString::number(ValeurCase(frm_.CheckUDPInActif[k])));
        }
    });
    ok &= p(30, [&] {
        for (int i = 0; i < NbCanauxUDP; ++i) {
            const size_t k = size_t(i);
            ecrire(kSectionOut, "IP_", i, frm_.TexteUDPIPCible[k]->text());
            ecrire(kSectionOut, "Port_", i, frm_.TexteUDPPortCible[k]->text());
            ecrire(kSectionOut, "PortB_", i, frm_.TexteUDPPortBCible[k]->text());
            ecrire(kSectionOut, "Actif_", i, QString::number(ValeurCase(frm_.CheckUDPOutActif[k])));
        }
    });
    if (ok && !refus) {
        bPeripheriquesModifies = false;
        return true;
    }
    // The table stays marked as changed: a later save writes it again.
    p(40, [&] {
        frm_.SignalerEnregistrementImpossible(QStringLiteral("Les paramètres UDP n'ont pas pu être enregistrés."),
                                              refus ? QStringList{f} : QStringList{},
                                              QStringLiteral("SaveSettingsPeripheriques"));
    });
    return false;
}

// --- listening ---------------------------------------------------------------------------------------

void LienUDP::lier(int index, const QString& adresse, const QString& port) {
    QUdpSocket* s = sockets_[size_t(index)];
    QHostAddress a;
    if (!AdresseLitterale(adresse, &a))
        Raise(ErrSocketAdresseNonDisponible, QStringLiteral("Adresse non numérique ou non valide"), s->objectName());
    quint16 numero = 0;
    if (!PortUDPValide(port, &numero))
        Raise(ErrPortNonValide, QStringLiteral("Port non valide (1 à 65535)"), s->objectName());
    AppelSocket appel(appelsEnCours_[size_t(index)]);
    // Not shared: a port another program holds is refused, not split with it.
    if (!s->bind(a, numero, QAbstractSocket::DontShareAddress)) {
        const ErreurSocket e = ErreurDeSocket(s->error(), s->errorString());
        s->close();
        Raise(e.numero, e.description, s->objectName());
    }
}

void LienUDP::CheckUDPInActif_Click(int index) {
    const size_t k = size_t(index);
    QLineEdit* boiteAdresse = frm_.TexteUDPIPSource[k];
    QLineEdit* boitePort = frm_.TexteUDPPortSource[k];
    int32_t resultat = 0;
    QString description;
    Proc p(Cle::FrmSetup_CheckUDPInActif_Click, Trace::None);
    p.handler([&](int) {
        resultat = DerniereErreur.Number;
        description = DerniereErreur.Description;
        const QString nom = LibSockectErr(resultat);
        bool traite = true;
        const QString incident = QStringLiteral("Err: ") + nom + QStringLiteral(": ") + boiteAdresse->text() +
                                 QLatin1Char(':') + boitePort->text() + QStringLiteral(" |Idx: ") +
                                 QString::number(index) + QStringLiteral(" |") +
                                 QString::fromLatin1(Cle::FrmSetup_CheckUDPInActif_Click);
        // The user who ticked the box is told in a box; hidden (at the load), it is an incident.
        if (resultat == ErrSocketAdresseNonDisponible && frm_.isVisible())
            MsgBoxMain(QStringLiteral("Adresse d'écoute non valide."), Mb::Exclamation);
        else if (resultat == ErrPortNonValide && frm_.isVisible())
            MsgBoxMain(MessagePortNonValide(nomBoitePort(false, index, 1), boitePort->text()), Mb::Exclamation);
        else if (!nom.isEmpty())
            LogIncident(incident);
        else
            traite = false;
        pomper();
        return traite;
    });

    const int valeur = ValeurCase(frm_.CheckUDPInActif[k]);
    if (valeur == 1) {
        const QString adresse = boiteAdresse->text(), port = boitePort->text();
        if (!TrimBlancs(adresse).isEmpty() && !TrimBlancs(port).isEmpty()) {
            DerniereErreur.Number = 0;
            p(10, [&] {
                AppelSocket appel(appelsEnCours_[k]);
                sockets_[k]->close();
            });
            p(20, [&] { lier(index, adresse, port); });
            p(30, [&] {
                Log(QStringLiteral("Local IP: ") + frm_.TexteComputerNameAdresse[1]->text() +
                    QStringLiteral(" Listen IP: ") + adresse + QLatin1Char(':') + port);
            });
            if (resultat == 0) {
                boiteAdresse->setEnabled(false);
                boitePort->setEnabled(false);
                etat(index, EtatCanal::EnEcoute,
                     adresse.trimmed() + QLatin1Char(':') + QString::number(sockets_[k]->localPort()));
            } else {
                QString texte = description;
                if (resultat == ErrSocketAdresseNonDisponible)
                    texte += QStringLiteral(" | Adresse non valide: ") + adresse + QLatin1Char(':') + port;
                Log(QStringLiteral("Err: SocketUDP # ") + QString::number(index) + QStringLiteral(": Err: ") +
                    QString::number(resultat) + QLatin1Char(' ') + texte);
                etat(index, EtatCanal::Refuse, NomCourtErreurSocket(resultat),
                     resultat == ErrPortNonValide ? MessagePortNonValide(nomBoitePort(false, index, 1), port) : texte);
            }
        } else if (TrimBlancs(adresse).isEmpty()) {
            Log(QStringLiteral("Err: Unable to Check CheckUDPInActif due to IP source is empty"));
            etat(index, EtatCanal::Refuse, QStringLiteral("adresse d'écoute vide"));
        } else {
            Log(QStringLiteral("Err: Unable to Check CheckUDPInActif due to Port source is empty"));
            etat(index, EtatCanal::Refuse, QStringLiteral("port d'écoute vide"));
        }
    } else {
        p(40, [&] {
            AppelSocket appel(appelsEnCours_[k]);
            sockets_[k]->close();
        });
        boiteAdresse->setEnabled(true);
        boitePort->setEnabled(true);
        etat(index, EtatCanal::Inactif);
    }
    if (!bSetupEnChargement) bPeripheriquesModifies = true;
}

void LienUDP::CheckUDPOutActif_Click(int /*index*/) {
    if (!bSetupEnChargement) bPeripheriquesModifies = true;
}

void LienUDP::CommandTest_Click(int /*index*/) { Proc p(Cle::FrmSetup_CommandTest_Click); }

// --- sending -----------------------------------------------------------------------------------------

void LienUDP::BtnUDPSend_Click(int index) {
    Proc p(Cle::FrmSetup_BtnUDPSend_Click);
    const size_t k = size_t(index);
    p(10, [&] {
        // The first port's value decides: none (blank, 0, letters) sends nothing; a negative one
        // lets the second port alone be tried.
        const QString message = TrimBlancs(frm_.TexteUDPDonneeEnvoyees[k]->text());
        if (TrimBlancs(frm_.TexteUDPIPCible[k]->text()).isEmpty()) return;
        if (ValeurNumerique(frm_.TexteUDPPortCible[k]->text()) == 0) return;
        if (message.isEmpty()) return;
        SendMessageUDP(index, message);
    });
}

void LienUDP::envoyerDatagramme(const QHostAddress& destination, int32_t port, const QString& texte) {
    QUdpSocket* s = sockets_[0];
    if (port < 1 || port > 65535) Raise(10014, QStringLiteral("Invalid argument"), s->objectName());
    const QByteArray octets = ToCp1252(texte);
    if (octets.size() > TailleMaxDatagramme) Raise(10040, QStringLiteral("Message trop long"), s->objectName());
    AppelSocket appel(appelsEnCours_[0]);
    // A socket that does not listen gets a port of the system's choice at its first send.
    if (s->writeDatagram(octets, destination, quint16(port)) < 0) {
        const ErreurSocket e = ErreurDeSocket(s->error(), s->errorString());
        Raise(e.numero, e.description, s->objectName());
    }
}

void LienUDP::SendMessageUDP(int index, const QString& message) {
    Proc p(Cle::FrmSetup_SendMessageUDP);
    const size_t k = size_t(index);
    QString adresse;
    p(10, [&] { adresse = frm_.TexteUDPIPCible[k]->text(); });
    QHostAddress destination;
    if (AdresseLitterale(adresse, &destination)) {
        envoyerVers(index, destination, adresse, message);
        return;
    }
    // A name: looked up while the window goes on; the row's button waits for the answer.
    QPushButton* bouton = frm_.BtnUDPSend[k];
    bouton->setEnabled(false);
    resoudre(adresse.trimmed(), this,
             [this, index, adresse, message, bouton](const QList<QHostAddress>& trouvees, const QString& erreur) {
                 bouton->setEnabled(true);
                 QHostAddress choisie;
                 for (const QHostAddress& a : trouvees)
                     if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                         choisie = a;
                         break;
                     }
                 if (choisie.isNull() && !trouvees.isEmpty()) choisie = trouvees.first();
                 if (choisie.isNull()) {
                     Proc q(Cle::FrmSetup_SendMessageUDP, Trace::None);
                     q(20, [&] {
                         Log(QStringLiteral("Err: UDP: Adresse introuvable: ") + adresse + QStringLiteral(" |Idx: ") +
                             QString::number(index) + (erreur.isEmpty() ? QString() : QStringLiteral(" |") + erreur) +
                             QStringLiteral(" |Rien n'a été envoyé"));
                         MsgBoxMain(QStringLiteral("Adresse introuvable : ") + adresse.trimmed() +
                                        QStringLiteral("\r\n\r\nLe message n'a pas été envoyé."),
                                    Mb::Exclamation);
                     });
                     return;
                 }
                 envoyerVers(index, choisie, adresse, message);
             });
}

void LienUDP::envoyerVers(int index, const QHostAddress& destination, const QString& adresse, const QString& message) {
    const size_t k = size_t(index);
    Proc p(Cle::FrmSetup_SendMessageUDP, Trace::None);
    p.handler([&](int erl) {
        const QString source = QStringLiteral(" |Source:") + QString::fromLatin1(Cle::FrmSetup_SendMessageUDP) +
                               QLatin1Char(':') + QString::number(erl);
        switch (DerniereErreur.Number) {
            case 183:
                return true;
            case 10014:
                Log(QStringLiteral("Err: 10014: Invalid argument/Bad address") + source);
                return true;
            case 10065:
                Log(QStringLiteral("Err: 10065: The server is unreachable") + source);
                return true;
            default:
                return false;
        }
    });
    const QString texteJournal = TexteJournalUDP(message);
    QStringList refus;  // what the user is told once the sends are done
    auto envoyerAuPort = [&](QLineEdit* boitePort, int numero, int stmt) {
        const QString port = boitePort->text();
        if (ValeurNumerique(port) <= 0) return;
        // A number beyond the ports: only this port is left out, the other one is still tried.
        if (ValeurEntiere(port) > 65535) {
            p(stmt, [&] {
                Log(QStringLiteral("Err: UDP: Port non valide: ") + port.trimmed() + QStringLiteral(" |Idx: ") +
                    QString::number(index) + QStringLiteral(" |Port ") + QString::number(numero) +
                    QStringLiteral(" |Pas d'envoi à ce port"));
            });
            refus << MessagePortNonValide(nomBoitePort(true, index, numero), port) +
                         QStringLiteral("\r\n\r\nLe message n'a pas été envoyé à ce port.");
            return;
        }
        const QString cible = adresse + QLatin1Char(':') + port + QLatin1Char(' ') + texteJournal;
        p(stmt,
          [&] { Log(QStringLiteral("UDP: NoAddress: ") + QString::number(index) + QStringLiteral("| ") + cible); });
        p(stmt + 10, [&] { envoyerDatagramme(destination, ValeurEntiere(port), message); });
        pomper();
        p(stmt + 20, [&] { Log(QStringLiteral("UDP: Send to: ") + cible); });
    };
    envoyerAuPort(frm_.TexteUDPPortCible[k], 1, 10);
    pomper();
    HorlogeSysteme().sleepMs(10);
    envoyerAuPort(frm_.TexteUDPPortBCible[k], 2, 40);
    for (const QString& texte : refus) p(70, [&] { MsgBoxMain(texte, Mb::Exclamation); });
}

// --- receiving ---------------------------------------------------------------------------------------

void LienUDP::SocketUDP_DataArrival(int index) {
    Proc p(Cle::FrmSetup_SocketUDP_DataArrival);
    QUdpSocket* s = sockets_[size_t(index)];
    while (s->hasPendingDatagrams()) {
        const qint64 taille = s->pendingDatagramSize();
        QHostAddress expediteur;
        quint16 portExpediteur = 0;
        QByteArray octets;
        qint64 lus = -1;
        {
            // A datagram that cannot be read is dropped without a word.
            AppelSocket appel(appelsEnCours_[size_t(index)]);
            if (taille > TailleMaxDatagramme) {
                s->readDatagram(nullptr, 0, &expediteur, &portExpediteur);
            } else {
                octets.resize(qMax<qint64>(taille, 0));
                lus = s->readDatagram(octets.data(), octets.size(), &expediteur, &portExpediteur);
            }
        }
        if (taille > TailleMaxDatagramme) {
            p(10, [&] {
                Log(QStringLiteral(
                        "UDP: Data arrival: Err: datagramme de %1 octets refusé (plus de %2) |From: %3:%4 |Idx: %5")
                        .arg(taille)
                        .arg(TailleMaxDatagramme)
                        .arg(expediteur.toString())
                        .arg(portExpediteur)
                        .arg(index));
            });
            continue;
        }
        if (lus < 0) continue;
        octets.truncate(lus);
        const QString texte = FromCp1252(octets);
        p(20, [&] { TexteRecu(index, texte); });
    }
}

void LienUDP::TexteRecu(int index, const QString& texte) {
    Proc p(Cle::FrmSetup_SocketUDP_DataArrival, Trace::None);
    if (TrimBlancs(texte).isEmpty()) return;
    const QString journal = TexteJournalUDP(texte);
    p(10, [&] { Log(QStringLiteral("UDP: Data arrival: ") + journal); });
    p(20, [&] {
        QLineEdit* boite = frm_.TexteUDPDonneeRecues[size_t(index)];
        boite->setText(journal);
        boite->setCursorPosition(0);  // the start of the message, where its action stands
    });
    if (EstDemandeCheck(texte)) {
        p(30, [&] { repondreCheck(texte); });
        return;
    }
    p(40, [&] { mettreEnFile(texte); });
}

void LienUDP::repondreCheck(const QString& texte) {
    Proc p(Cle::FrmSetup_SocketUDP_DataArrival, Trace::None);
    const DemandeCheck d = LireDemandeCheck(texte);
    const QString reponse = ReponseCheck(d.id);
    const QString cible = TexteJournalUDP(d.adresse) + QLatin1Char(':') + QString::number(d.port);
    QHostAddress destination;
    const RefusReponse refus = ControleDestinationReponse(d.adresse, d.port, &destination);
    if (refus != RefusReponse::Aucun) {
        p(10, [&] {
            Log(QStringLiteral("UDP: Check: Err: réponse refusée: ") + cible + QStringLiteral(" (") +
                TexteRefusReponse(refus) + QStringLiteral(") ") + TexteJournalUDP(reponse));
        });
        return;
    }
    // A reply that cannot leave is a log line, not an incident: the request came from outside.
    p.handler([&](int) {
        Log(QStringLiteral("UDP: Check: Err: ") + QString::number(DerniereErreur.Number) + QLatin1Char(' ') +
            DerniereErreur.Description + QStringLiteral(": ") + cible + QLatin1Char(' ') + TexteJournalUDP(reponse));
        return true;
    });
    p(20, [&] { envoyerDatagramme(destination, int32_t(d.port), reponse); });
    p(30, [&] { Log(QStringLiteral("UDP: Send to: ") + cible + QLatin1Char(' ') + TexteJournalUDP(reponse)); });
}

void LienUDP::mettreEnFile(const QString& texte) {
    if (int(file_.size()) >= NbMaxMessagesEnAttente) {
        Log(QStringLiteral("UDP: Err: file d'attente pleine (%1 messages), message le plus ancien abandonné: ")
                .arg(NbMaxMessagesEnAttente) +
            TexteJournalUDP(file_.front()));
        retirerTete();
    }
    file_.push_back(texte);
    if (frm_.ListeUL) frm_.ListeUL->addItem(TexteJournalUDP(texte));
    // During a drain the timer already counts the pause; a new message does not shorten it.
    if (!timer_->isActive() && !bFermetureEnCours) timer_->start(IntervalleTimerUDP);
}

void LienUDP::retirerTete() {
    file_.pop_front();
    if (frm_.ListeUL && frm_.ListeUL->count() > 0) delete frm_.ListeUL->takeItem(0);
}

void LienUDP::TimerUDP_Timer() {
    Proc p(Cle::FrmSetup_TimerUDP_Timer);
    if (bFermetureEnCours) {
        timer_->stop();
        return;
    }
    if (dansTour_) return;
    // The pause follows every message handled, the last of a drain too: a message that comes
    // soon after the queue emptied waits for the rest of it.
    if (!file_.empty() && finDernierTraitement_) {
        const uint64_t maintenant = HorlogeSysteme().uptimeMs();
        const uint64_t ecoule = maintenant >= *finDernierTraitement_ ? maintenant - *finDernierTraitement_
                                                                     : *finDernierTraitement_ - maintenant;
        if (ecoule < uint64_t(PauseTimerUDP)) {
            timer_->start(int(uint64_t(PauseTimerUDP) - ecoule));
            return;
        }
    }
    dansTour_ = true;
    timer_->stop();
    if (!file_.empty()) {
        enCours_ = true;
        const QString m = file_.front();
        retirerTete();
        const QString journal = QStringLiteral("Processing: ") + TexteJournalUDP(m);
        p(10, [&] { TraceLogEncadre(-1, -1, -1, journal + QStringLiteral(": Start"), QStringLiteral("="), false); });
        p(20, [&] { UDPArrival(m); });
        p(30, [&] { TraceLogEncadre(-1, -1, -1, journal + QStringLiteral(": End"), QStringLiteral("="), false); });
        finDernierTraitement_ = HorlogeSysteme().uptimeMs();
    }
    // The next message after the pause; the timer rests when the queue is empty.
    if (!file_.empty() && !bFermetureEnCours) {
        timer_->start(PauseTimerUDP);
    } else {
        timer_->setInterval(IntervalleTimerUDP);
        enCours_ = false;
    }
    dansTour_ = false;
}

void LienUDP::SocketUDP_Error(int index, int32_t numero, const QString& description) {
    Proc p(Cle::FrmSetup_SocketUDP_Error, Trace::None);
    QUdpSocket* s = sockets_[size_t(index)];
    p(10, [&] {
        Log(QStringLiteral("Err: SocketUDP # ") + QString::number(index) + QStringLiteral(": Err: ") +
            QString::number(numero) + QLatin1Char(' ') + description + QStringLiteral(" Source: ") + s->objectName());
    });
    p(20, [&] {
        AppelSocket appel(appelsEnCours_[size_t(index)]);
        s->close();
    });
    etat(index, EtatCanal::Ferme, NomCourtErreurSocket(numero), description);
}
