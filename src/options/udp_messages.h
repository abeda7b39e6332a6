#pragma once
// The texts of the UDP link: the tags of a message, the check request and its reply, the podcast
// rewrite, the file-name placeholders, what a received text looks like in a log line, and the
// names of the socket errors. Nothing here touches a socket or a window.
//
// A message is made of tags "<" name ":" value ">" in any order. A tag is looked up with its "<",
// so that "<Id:" is not found inside "<SongId:".
#include <QAbstractSocket>
#include <QHostAddress>
#include <QString>
#include <cstdint>

namespace Cle {
inline constexpr const char* FrmSetup_UDPArrival = "FrmSetup:UDPArrival";
inline constexpr const char* FrmSetup_ReplaceBalisePodcast = "FrmSetup:ReplaceBalisePodcast";
inline constexpr const char* FrmSetup_LibSockectErr = "FrmSetup:LibSockectErr";
}  // namespace Cle

// A datagram longer than this is refused (logged, never shown nor queued).
inline constexpr qsizetype TailleMaxDatagramme = 8192;
// Messages waiting in the receive queue at most; beyond, the oldest is dropped.
inline constexpr int NbMaxMessagesEnAttente = 1000;
// Characters of a received text shown in one log line; the rest is cut.
inline constexpr qsizetype LongueurMaxTexteJournal = 400;

namespace BaliseUDP {
inline constexpr const char* DoCheck = "<Do:Check>";
inline constexpr const char* Id = "<Id:";
inline constexpr const char* Address = "<Address:";
inline constexpr const char* NoPort = "<NoPort:";
inline constexpr const char* Check = "<Check:";
inline constexpr const char* POD = "<POD:";
inline constexpr const char* Do = "<Do:";
inline constexpr const char* EmissionId = "<EmissionId:";
inline constexpr const char* ArticleId = "<ArticleId:";
inline constexpr const char* SongId = "<SongId:";
inline constexpr const char* SoundFile = "<SoundFile:";
inline constexpr const char* GIEOnly = "<GIEOnly:";
inline constexpr const char* NoZone = "<NoZone:";
inline constexpr const char* NoStation = "<NoStation:";
}  // namespace BaliseUDP

// The value of a tag (the tag text given with its "<"), "" when absent.
QString LireBalise(const QString& message, const char* balise);

// The number at the start of a box or tag text (blanks skipped, a sign allowed), 0 when none.
double ValeurNumerique(const QString& texte);
// The same rounded (halves to even) and held within 32 bits.
int32_t ValeurEntiere(const QString& texte);

// --- check requests ----------------------------------------------------------------------------------

// The message begins with "<Do:Check>" (letter case ignored).
bool EstDemandeCheck(const QString& message);

struct DemandeCheck {
    QString id;        // echoed in the reply
    QString adresse;   // where the reply goes, as written in the request
    int64_t port = 0;  // its port, 0 when not a number
};
DemandeCheck LireDemandeCheck(const QString& message);
// "<Check:" + id + ">".
QString ReponseCheck(const QString& id);

// Why a check reply may not be sent to a destination. The reply goes only to a literal unicast
// address: a request names its reply's address, and nothing must make the program send to a host
// name it would have to look up, to a broadcast or to a multicast group.
enum class RefusReponse {
    Aucun,
    AdresseVide,
    AdresseNonLitterale,
    AdresseNulle,
    Diffusion,
    Multidiffusion,
    PortInvalide
};
// Checks the destination; on success fills the address to send to.
RefusReponse ControleDestinationReponse(const QString& adresse, int64_t port, QHostAddress* destination = nullptr);
QString TexteRefusReponse(RefusReponse r);

// A literal IPv4 or IPv6 address; never a name to look up.
bool AdresseLitterale(const QString& texte, QHostAddress* adresse = nullptr);

// --- queued messages ---------------------------------------------------------------------------------

// The fields of a queued message.
struct MessageUDP {
    QString Do;
    QString EmissionId;
    QString ArticleId;
    QString SongId;
    QString SoundFile;
    QString GIEOnly;
    int16_t NoZone = 0;      // 0 when absent
    int16_t NoStation = -1;  // -1 when absent or blank
};
MessageUDP LireMessageUDP(const QString& message);

// A message "<POD:" + path of a "..._Podcast.ini" file becomes "<Do:Podcast><SongId:" + the file
// name less "_Podcast" + ">". False (and nouveau untouched) for any other message.
bool ReecriturePodcast(const QString& message, QString& nouveau);

// The placeholders written between "<" and ">" in the file name of a path, replaced by the date,
// the programme and article ids and labels, and the zone. Each bracket of the name is read once,
// so a value that holds brackets is never read again as a placeholder.
QString ReplaceBalisePodcast(const QString& path, const QString& idEmission, const QString& libEmission,
                             const QString& idArticle, const QString& libArticle, int16_t zone);

// --- log lines -----------------------------------------------------------------------------------------

// A received text as it goes into a log line: control characters written as \r, \n, \t, \0 or
// \xNN (so that a datagram cannot start a log line of its own), and a long text cut with the
// count of characters left out.
QString TexteJournalUDP(const QString& texte);

// --- socket errors ---------------------------------------------------------------------------------

// The name of a socket error number; "" for a number not in the table.
QString LibSockectErr(int32_t n);

// The error numbers the link reports (the names table's numbers, and 10013 for a port the system
// keeps for the administrator) with a French description.
struct ErreurSocket {
    int32_t numero = 0;
    QString description;
};
inline constexpr int32_t ErrSocketAccesRefuse = 10013;
inline constexpr int32_t ErrSocketAdresseNonDisponible = 10049;
// A port text that names no port (InvalidPropertyValue).
inline constexpr int32_t ErrPortNonValide = 380;
ErreurSocket ErreurDeSocket(QAbstractSocket::SocketError erreur, const QString& texteSysteme);
// A few words in French for a channel's row, else the number.
QString NomCourtErreurSocket(int32_t n);
