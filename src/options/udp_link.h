#pragma once
// The UDP link of the options window: nine input channels that listen from the window's load on,
// nine output rows that send their text, the receive queue drained by a one-second timer, the
// check replies, and the channel table's settings sections [UDP_IN] and [UDP_OUT] of the program
// settings file. It works on the window's "Réseau" controls, which stay the table's values.
//
// Every datagram the program sends leaves through socket 0, whether channel 0 listens or not.
// Texts travel as Windows-1252 bytes, with nothing around them.
#include "options/udp_messages.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <deque>
#include <functional>
#include <optional>

class FrmSetup;
class QTimer;
class QUdpSocket;

namespace Cle {
inline constexpr const char* FrmSetup_InitUDP = "FrmSetup:InitUDP";
inline constexpr const char* FrmSetup_InitSettingsPeripheriques = "FrmSetup:InitSettingsPeripheriques";
inline constexpr const char* FrmSetup_SaveSettingsPeripheriques = "FrmSetup:SaveSettingsPeripheriques";
inline constexpr const char* FrmSetup_CheckUDPInActif_Click = "FrmSetup:CheckUDPInActif_Click";
inline constexpr const char* FrmSetup_BtnUDPSend_Click = "FrmSetup:BtnUDPSend_Click";
inline constexpr const char* FrmSetup_SendMessageUDP = "FrmSetup:SendMessageUDP";
inline constexpr const char* FrmSetup_CommandTest_Click = "FrmSetup:CommandTest_Click";
inline constexpr const char* FrmSetup_SocketUDP_DataArrival = "FrmSetup:SocketUDP_DataArrival";
inline constexpr const char* FrmSetup_SocketUDP_Error = "FrmSetup:SocketUDP_Error";
inline constexpr const char* FrmSetup_TimerUDP_Timer = "FrmSetup:TimerUDP_Timer";
}  // namespace Cle

inline constexpr int NbCanauxUDP = 9;
// The queue timer's interval, and the pause after each message handled (more than two seconds,
// so that the suite's peers get one message handled about every two seconds).
inline constexpr int IntervalleTimerUDP = 1000;
inline constexpr int PauseTimerUDP = 2001;

// A port as the channel table takes it: digits only, 1 to 65535.
bool PortUDPValide(const QString& texte, quint16* port = nullptr);
// What the user is told of a port box that holds no port; ou names the box ("Emission, ligne 4,
// Port 1").
QString MessagePortNonValide(const QString& ou, const QString& texte);

// The handling of a queued message: the podcast rewrite (logged) and the reading of its tags.
// Nothing else follows from a message.
MessageUDP UDPArrival(const QString& message);

// Host names of the output rows are looked up without holding the window: the lookup answers
// later with the addresses found (none when the name is unknown, with the reason).
using ReponseResolution = std::function<void(const QList<QHostAddress>& adresses, const QString& erreur)>;
using ResolveurNoms = std::function<void(const QString& nom, QObject* contexte, ReponseResolution reponse)>;
// Installs a resolver (tests); an empty one puts the system's back.
void SetResolveurNomsUDP(ResolveurNoms r);
// Tests: the system's resolver back.
void ReinitialiserLienUDP();

class LienUDP : public QObject {
    Q_OBJECT
public:
    explicit LienUDP(FrmSetup& frm);
    ~LienUDP() override;

    enum class EtatCanal { Inactif, EnEcoute, Refuse, Ferme };

    void InitUDP();
    void InitSettingsPeripheriques();
    // Writes both sections whole; false (the change flag kept, the user told) when a value could
    // not be written.
    bool SaveSettingsPeripheriques();

    void CheckUDPInActif_Click(int index);
    void CheckUDPOutActif_Click(int index);
    void BtnUDPSend_Click(int index);
    // Sends the message to the row's first port, then its second; a host name is looked up first,
    // the send following the answer.
    void SendMessageUDP(int index, const QString& message);
    void CommandTest_Click(int index);

    // Reads every datagram waiting on the channel's socket.
    void SocketUDP_DataArrival(int index);
    // A received text: logged, shown, answered when a check request, else queued.
    void TexteRecu(int index, const QString& texte);
    // An error the socket reports on its own (not that of a bind or a send, reported where made).
    void SocketUDP_Error(int index, int32_t numero, const QString& description);
    // One turn of the drain: handles the first queued message, then waits for the pause.
    void TimerUDP_Timer();

    EtatCanal etatCanal(int index) const { return etats_[size_t(index)]; }
    QString texteEtatCanal(int index) const;
    QUdpSocket* SocketUDP(int index) const { return sockets_[size_t(index)]; }
    const std::deque<QString>& fileAttente() const { return file_; }
    QTimer* TimerUDP() const { return timer_; }
    bool bTimerUDPEnCours() const { return enCours_; }
    // Closes every socket and stops the timer (the window's unload).
    void Fermer();

private:
    // Where a port box stands, for the user: "Réception, ligne 3, Port", "Emission, ligne 4, Port 2".
    static QString nomBoitePort(bool emission, int index, int numero);
    // The row's state: a short text in the row, the explanation in its tooltip.
    void etat(int index, EtatCanal e, const QString& detail = QString(), const QString& explication = QString());
    void mettreEnFile(const QString& texte);
    void retirerTete();
    void repondreCheck(const QString& texte);
    // Sends one datagram through socket 0; a failure is raised with its error number.
    void envoyerDatagramme(const QHostAddress& destination, int32_t port, const QString& texte);
    void envoyerVers(int index, const QHostAddress& destination, const QString& adresse, const QString& message);
    void lier(int index, const QString& adresse, const QString& port);

    FrmSetup& frm_;
    std::array<QUdpSocket*, NbCanauxUDP> sockets_{};
    std::array<EtatCanal, NbCanauxUDP> etats_{};
    std::array<QString, NbCanauxUDP> details_{};
    // Socket calls of our own under way: the errors they raise are theirs to report.
    std::array<int, NbCanauxUDP> appelsEnCours_{};
    std::deque<QString> file_;
    QTimer* timer_ = nullptr;
    bool enCours_ = false;  // a drain runs: the queue is being handled
    // When the last message's handling ended (machine milliseconds); none yet.
    std::optional<uint64_t> finDernierTraitement_;
    bool dansTour_ = false;
};
