#include "options/udp_messages.h"

#include "foundation/conversions.h"
#include "foundation/proc.h"
#include "foundation/trace_log.h"
#include "platform/clock.h"

#include <QNetworkInterface>

#include <cmath>
#include <functional>
#include <limits>
#include <utility>

QString LireBalise(const QString& message, const char* balise) {
    return ExtraireBalise(message, QString::fromLatin1(balise), QString());
}

double ValeurNumerique(const QString& texte) { return NombreSigne(texte); }

int32_t ValeurEntiere(const QString& texte) {
    const double v = std::nearbyint(ValeurNumerique(texte));
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return int32_t(v);
}

// --- check requests ----------------------------------------------------------------------------------

bool EstDemandeCheck(const QString& message) {
    return message.startsWith(QLatin1String(BaliseUDP::DoCheck), Qt::CaseInsensitive);
}

DemandeCheck LireDemandeCheck(const QString& message) {
    DemandeCheck d;
    d.adresse = LireBalise(message, BaliseUDP::Address);
    const double port = std::nearbyint(ValeurNumerique(LireBalise(message, BaliseUDP::NoPort)));
    // Beyond 32 bits the port is no port at all; the destination check refuses it.
    d.port = std::fabs(port) < 4.0e9 ? int64_t(port) : 0;
    d.id = LireBalise(message, BaliseUDP::Id);
    return d;
}

QString ReponseCheck(const QString& id) { return QLatin1String(BaliseUDP::Check) + id + QLatin1Char('>'); }

bool AdresseLitterale(const QString& texte, QHostAddress* adresse) {
    const QString t = texte.trimmed();
    if (t.isEmpty()) return false;
    QHostAddress a;
    // setAddress accepts only numeric forms; a name never resolves here.
    if (!a.setAddress(t)) return false;
    if (adresse) *adresse = a;
    return true;
}

namespace {

// The broadcast addresses of this machine's networks ("192.168.1.255" of a /24).
bool EstDiffusionLocale(const QHostAddress& a) {
    for (const QNetworkInterface& i : QNetworkInterface::allInterfaces())
        for (const QNetworkAddressEntry& e : i.addressEntries())
            if (!e.broadcast().isNull() && e.broadcast().isEqual(a, QHostAddress::TolerantConversion)) return true;
    return false;
}

}  // namespace

RefusReponse ControleDestinationReponse(const QString& adresse, int64_t port, QHostAddress* destination) {
    if (adresse.trimmed().isEmpty()) return RefusReponse::AdresseVide;
    QHostAddress a;
    if (!AdresseLitterale(adresse, &a)) return RefusReponse::AdresseNonLitterale;
    // An IPv4 address written in IPv6 form is judged as IPv4.
    bool v4 = false;
    const quint32 ipv4 = a.toIPv4Address(&v4);
    if (v4 && a.protocol() == QAbstractSocket::IPv6Protocol) a = QHostAddress(ipv4);
    if (a.isEqual(QHostAddress::AnyIPv4) || a.isEqual(QHostAddress::AnyIPv6) || a.isNull())
        return RefusReponse::AdresseNulle;
    if (a.isBroadcast() || EstDiffusionLocale(a)) return RefusReponse::Diffusion;
    if (a.isMulticast()) return RefusReponse::Multidiffusion;
    if (port < 1 || port > 65535) return RefusReponse::PortInvalide;
    if (destination) *destination = a;
    return RefusReponse::Aucun;
}

QString TexteRefusReponse(RefusReponse r) {
    switch (r) {
        case RefusReponse::Aucun:
            return QString();
        case RefusReponse::AdresseVide:
            return QStringLiteral("adresse de réponse absente");
        case RefusReponse::AdresseNonLitterale:
            return QStringLiteral("adresse de réponse non numérique (nom d'hôte refusé)");
        case RefusReponse::AdresseNulle:
            return QStringLiteral("adresse de réponse nulle");
        case RefusReponse::Diffusion:
            return QStringLiteral("adresse de diffusion refusée");
        case RefusReponse::Multidiffusion:
            return QStringLiteral("adresse de multidiffusion refusée");
        case RefusReponse::PortInvalide:
            return QStringLiteral("port de réponse hors de 1 à 65535");
    }
    return QString();
}

// --- queued messages ---------------------------------------------------------------------------------

namespace {

// A tag's value as a 16-bit number; nothing (the default) when it does not fit.
int16_t entier16(const QString& valeur, int16_t defaut) {
    const double v = std::nearbyint(ValeurNumerique(valeur));
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max()) return defaut;
    return int16_t(v);
}

}  // namespace

MessageUDP LireMessageUDP(const QString& message) {
    MessageUDP m;
    m.Do = LireBalise(message, BaliseUDP::Do);
    m.EmissionId = LireBalise(message, BaliseUDP::EmissionId);
    m.ArticleId = LireBalise(message, BaliseUDP::ArticleId);
    m.SongId = LireBalise(message, BaliseUDP::SongId);
    m.SoundFile = LireBalise(message, BaliseUDP::SoundFile);
    m.GIEOnly = LireBalise(message, BaliseUDP::GIEOnly);
    m.NoZone = entier16(LireBalise(message, BaliseUDP::NoZone), 0);
    const QString station = LireBalise(message, BaliseUDP::NoStation);
    m.NoStation = TrimBlancs(station).isEmpty() ? int16_t(-1) : entier16(station, -1);
    return m;
}

bool ReecriturePodcast(const QString& message, QString& nouveau) {
    if (!message.startsWith(QLatin1String(BaliseUDP::POD), Qt::CaseInsensitive)) return false;
    if (!message.contains(QLatin1String("_Podcast.ini"), Qt::CaseInsensitive)) return false;
    EclateRepFicExt(LireBalise(message, BaliseUDP::POD));
    QString id = RepFicExt.Fic;
    id.remove(QStringLiteral("_Podcast"), Qt::CaseInsensitive);
    nouveau = QStringLiteral("<Do:Podcast><SongId:") + id + QLatin1Char('>');
    return true;
}

QString ReplaceBalisePodcast(const QString& path, const QString& idEmission, const QString& libEmission,
                             const QString& idArticle, const QString& libArticle, int16_t zone) {
    Proc p(Cle::FrmSetup_ReplaceBalisePodcast);
    QString resultat = path;
    p(10, [&] {
        EclateRepFicExt(path);
        const QString dossier = RepFicExt.Rep, nom = RepFicExt.Fic, extension = RepFicExt.Ext;
        // Placeholders in their order: a later one also applies to what an earlier one wrote.
        auto date = [](const char* motif) {
            return [motif] { return Date2StringEx(HorlogeSysteme().now(), QString::fromLatin1(motif)); };
        };
        auto valeur = [](const QString& v) { return [v] { return v; }; };
        const std::pair<const char*, std::function<QString()>> table[] = {
            {"YYYY", date("YYYY")},
            {"MMMM", date("MMMM")},
            {"MMM", date("MMM")},
            {"MM", date("MM")},
            {"DDDD", date("DDDD")},
            {"DDD",
             [] { return Date2StringEx(HorlogeSysteme().now(), QStringLiteral("DDD")).remove(QLatin1Char('.')); }},
            {"DD", date("DD")},
            {"HH", date("HH")},
            {"NN", date("NN")},
            {"POD_ID", valeur(idEmission)},
            {"Emission_Id", valeur(idEmission)},
            {"Id_Emission", valeur(idEmission)},
            {"POD_LIB", valeur(libEmission)},
            {"Emission_Lib", valeur(libEmission)},
            {"Lib_Emission", valeur(libEmission)},
            {"ART_ID", valeur(idArticle)},
            {"Article_Id", valeur(idArticle)},
            {"Id_Article", valeur(idArticle)},
            {"ART_LIB", valeur(libArticle)},
            {"Article_Lib", valeur(libArticle)},
            {"Lib_Article", valeur(libArticle)},
            {"ZZ", [zone] { return N2S(double(zone) + 1, 2, 0, QStringLiteral("0")); }},
        };
        // One pass from left to right: each bracket is read once and what replaces it is never
        // read again, so the pass ends whatever the values hold.
        QString sortie;
        qsizetype pos = 0;
        for (;;) {
            const qsizetype p1 = nom.indexOf(QLatin1Char('<'), pos);
            if (p1 < 0) break;
            const qsizetype p2 = nom.indexOf(QLatin1Char('>'), p1);
            if (p2 < 0) break;
            QString t = nom.mid(p1, p2 - p1 + 1);
            t.remove(QLatin1Char('<')).remove(QLatin1Char('>'));
            for (const auto& [motif, remplacement] : table) {
                const QString m = QString::fromLatin1(motif);
                if (t.contains(m, Qt::CaseInsensitive)) t.replace(m, remplacement(), Qt::CaseInsensitive);
            }
            sortie += nom.mid(pos, p1 - pos) + t;
            pos = p2 + 1;
        }
        sortie += nom.mid(pos);
        resultat = dossier + sortie + extension;
    });
    return resultat;
}

// --- log lines -----------------------------------------------------------------------------------------

QString TexteJournalUDP(const QString& texte) {
    QString r;
    r.reserve(std::min<qsizetype>(texte.size(), LongueurMaxTexteJournal) + 32);
    qsizetype k = 0;
    for (; k < texte.size() && r.size() < LongueurMaxTexteJournal; ++k) {
        const QChar c = texte[k];
        switch (c.unicode()) {
            case '\r':
                r += QLatin1String("\\r");
                break;
            case '\n':
                r += QLatin1String("\\n");
                break;
            case '\t':
                r += QLatin1String("\\t");
                break;
            case 0:
                r += QLatin1String("\\0");
                break;
            default:
                if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
                    r += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
                else
                    r += c;
        }
    }
    if (k < texte.size()) r += QStringLiteral("... (%1 caractères de plus)").arg(texte.size() - k);
    return r;
}

// --- socket errors ---------------------------------------------------------------------------------

QString LibSockectErr(int32_t n) {
    Proc p(Cle::FrmSetup_LibSockectErr);
    static const std::pair<int32_t, const char*> noms[] = {
        {7, "OutOfMemory"},
        {380, "InvalidPropertyValue"},
        {383, "SetNotSupported"},
        {394, "GetNotSupported"},
        {10004, "OpCanceled"},
        {10014, "InvalidArgument"},
        {10035, "AddWouldBlock"},
        {10037, "AlreadyComplete"},
        {10038, "NotSocket"},
        {10040, "MsgTooBig"},
        {10043, "PortNotSupported"},
        {10048, "AddressInUse"},
        {10049, "AddressNotAvailable"},
        {10050, "NetworkSubsystemFailed"},
        {10051, "NetworkUnreachable"},
        {10052, "NetReset"},
        {10053, "ConnectAborted"},
        {10054, "ConnectionReset"},
        {10055, "NoBufferSpace"},
        {10056, "AlreadyConnected"},
        {10057, "NotConnected"},
        {10058, "SocketShutdown"},
        {10060, "Timedout"},
        {10061, "ConnectionRefused"},
        {10093, "NotInitialized"},
        {11001, "HostNotFound"},
        {11002, "HostNotFoundTryAgain"},
        {11003, "NonRecoverableError"},
        {11004, "NoData"},
        {40006, "BadState"},
        {40014, "InvalidArgument"},
        {40017, "Success"},
        {40018, "Unsupported"},
        {40020, "InvalidOp"},
        {40021, "OutOfRange"},
        {40026, "WrongProtocol"},
    };
    for (const auto& [numero, nom] : noms)
        if (numero == n) return QString::fromLatin1(nom);
    return QString();
}

namespace {

// What each error of the toolkit's sockets is for the program: its number, a few words for a
// channel's row, and the description of the log and the row's tooltip.
struct LigneErreurSocket {
    QAbstractSocket::SocketError qt;
    int32_t numero;
    const char* court;
    const char* description;
};
constexpr LigneErreurSocket kErreursSocket[] = {
    {QAbstractSocket::SocketAccessError, ErrSocketAccesRefuse, "port réservé à l'administrateur",
     "Accès refusé : un port inférieur à 1024 est réservé à l'administrateur du poste"},
    {QAbstractSocket::AddressInUseError, 10048, "adresse déjà utilisée",
     "Adresse et port déjà utilisés par un autre programme"},
    {QAbstractSocket::SocketAddressNotAvailableError, ErrSocketAdresseNonDisponible, "adresse d'écoute non valide",
     "Adresse non disponible sur ce poste"},
    {QAbstractSocket::DatagramTooLargeError, 10040, "message trop long", "Message trop long"},
    {QAbstractSocket::NetworkError, 10065, "destination injoignable", "Destination injoignable"},
    {QAbstractSocket::HostNotFoundError, 11001, "hôte introuvable", "Hôte introuvable"},
    {QAbstractSocket::SocketResourceError, 10055, "ressources réseau insuffisantes", "Ressources réseau insuffisantes"},
    {QAbstractSocket::SocketTimeoutError, 10060, "délai dépassé", "Délai dépassé"},
    {QAbstractSocket::ConnectionRefusedError, 10061, "connexion refusée", "Connexion refusée"},
    {QAbstractSocket::RemoteHostClosedError, 10054, "connexion interrompue",
     "Connexion interrompue par le poste distant"},
    {QAbstractSocket::UnsupportedSocketOperationError, 40018, "opération non prise en charge",
     "Opération non prise en charge par ce système"},
    {QAbstractSocket::TemporaryError, 10035, "opération à reprendre", "Opération à reprendre plus tard"},
    {QAbstractSocket::OperationError, 40020, "opération impossible", "Opération impossible dans l'état du canal"},
};

}  // namespace

ErreurSocket ErreurDeSocket(QAbstractSocket::SocketError erreur, const QString& texteSysteme) {
    for (const LigneErreurSocket& l : kErreursSocket)
        if (l.qt == erreur) return {l.numero, QString::fromUtf8(l.description)};
    return {-1, texteSysteme.isEmpty() ? QStringLiteral("Erreur réseau inconnue") : texteSysteme};
}

QString NomCourtErreurSocket(int32_t n) {
    for (const LigneErreurSocket& l : kErreursSocket)
        if (l.numero == n) return QString::fromUtf8(l.court);
    if (n == ErrPortNonValide) return QStringLiteral("port non valide");
    return n < 0 ? QStringLiteral("erreur réseau") : QStringLiteral("erreur réseau %1").arg(n);
}
