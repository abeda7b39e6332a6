#include "database/change_journal.h"

#include "database/btrieve.h"
#include "database/record_layouts.h"
#include "foundation/conversions.h"
#include "foundation/proc.h"
#include "foundation/trace_log.h"
#include "platform/clock.h"
#include "platform/cp1252.h"

#include <algorithm>
#include <cstring>
#include <vector>

bool bForcerEnvoiWeb = false;

namespace {

constexpr int kNoJournal = 8;
constexpr int kLongueurPartieCode = 10;
constexpr int kLongueurTamponCle = 255;

template <class L>
ChampsSynchro champs(L& e) {
    return {e.Etat, e.IdWeb, nullptr};
}
template <class L>
ChampsSynchro champsAvecFlag(L& e) {
    return {e.Etat, e.IdWeb, e.FlagWeb};
}

QString NN(int n) { return ChiffresZero(n, 2); }

// A code of blanks or of the codes 0 of a buffer never filled names no record.
bool codeVide(const QString& code) {
    for (QChar c : code)
        if (c != QLatin1Char(' ') && c != QChar(0)) return false;
    return true;
}

// One direct call of the record manager on the journal file with the entry in JournalSynchro.
int16_t ecrireEntree(int base, int stationIndex, uint16_t op, const QString& cle) {
    const int32_t lng = LongueurEnregistrement(kNoJournal);
    RecLen[size_t(kNoJournal)] = lng;
    std::vector<char> donnees(size_t(std::max<int32_t>(lng, int32_t(sizeof JournalSynchro))), 0);
    VersImageStockee(kNoJournal, donnees.data(), lng);
    std::array<char, kLongueurTamponCle> tamponCle{};
    const QByteArray octets = ToCp1252(op == BtrOp::Insert ? QString(15, QLatin1Char(' ')) : cle);
    std::memcpy(tamponCle.data(), octets.constData(),
                size_t(std::min<qsizetype>(octets.size(), kLongueurTamponCle - 1)));
    uint32_t dataLen = uint32_t(lng);
    PositionBlock& bloc = PosBlk(base, stationIndex, kNoJournal);
    return AppelGestionnaire(op, bloc.data(), donnees.data(), &dataLen, tamponCle.data(), kLongueurTamponCle, 0);
}

int16_t transaction(uint16_t op) {
    char rien[1] = {0};
    uint32_t zero = 0;
    return AppelGestionnaire(op, nullptr, nullptr, &zero, rien, 0, 0);
}

}  // namespace

bool FichierJournalise(int fileNo) { return (fileNo >= 1 && fileNo <= 6) || fileNo == 20 || fileNo == 22; }

ChampsSynchro ChampsSynchroFichier(int fileNo) {
    switch (fileNo) {
        case 1:
            return champsAvecFlag(EnregCommercial);
        case 2:
            return champsAvecFlag(EnregSecteur);
        case 3:
            return champsAvecFlag(EnregClient);
        case 4:
            return champsAvecFlag(EnregProduit);
        case 5:
            return champs(EnregEnteteContrat);
        case 6:
            return champsAvecFlag(EnregEnteteSpot);
        case 20:
            return champs(EnregArtiste);
        case 22:
            return champs(EnregMorceau);
        default:
            return {};
    }
}

QString CodeJournal(int fileNo) {
    switch (fileNo) {
        case 1:
            return LireTexte(EnregCommercial.Code);
        case 2:
            return LireTexte(EnregSecteur.Code);
        case 3:
            return LireTexte(EnregClient.Code);
        case 4:
            return LireTexte(EnregProduit.Code);
        case 5:
            return LireTexte(EnregEnteteContrat.Code);
        case 6:
            return LireTexte(EnregEnteteSpot.Code) + LireTexte(EnregEnteteSpot.Sequence);
        case 20:
            return LireTexte(EnregArtiste.Code);
        case 22:
            return LireTexte(EnregMorceau.Code);
        default:
            return QString();
    }
}

void CreateRecord(int16_t Base, int16_t Station, int16_t FileNo, int16_t Op) {
    Proc p(Cle::CreateRecord);
    QString code;
    int32_t idWeb = 0;
    p(10, [&] {
        code = CodeJournal(FileNo);
        if (const ChampsSynchro c = ChampsSynchroFichier(FileNo); c.IdWeb) idWeb = CVLOctets(c.IdWeb);
    });
    if (!FichierJournalise(FileNo) || codeVide(code)) return;
    // The wrapper refuses the write itself; an entry would name a station that does not exist.
    if (Station > NbStationsMax) return;

    // Station 0 runs as station 1 in the wrapper: its entry and position block are those of 1.
    const int16_t station = std::max<int16_t>(1, Station);
    const int stationIndex = station - 1;
    const QString source = QString::fromLatin1(Cle::CreateRecord);
    const QString suite = NN(FileNo) + NN(station) + Calibre(code, QStringLiteral(" "), kLongueurPartieCode);
    const bool force = bForcerEnvoiWeb;
    int16_t resultat = 0;
    bool transactionOuverte = false;
    QString type = QStringLiteral("S");

    if (force) {
        // The normal entry gives way to the forced one: both changes or neither.
        p(20, [&] {
            if (!TransactionActive) transactionOuverte = transaction(BtrOp::BeginTransaction) == 0;
        });
        p(30, [&] {
            QString cleS = QStringLiteral("S") + suite;
            BTRieve(Base, BtrOp::GetEqual, cleS, 0, kNoJournal, station, source);
            if (BtrStatus != 0) return;
            BTRieve(Base, BtrOp::Delete, cleS, 0, kNoJournal, station, source);
            if (BtrStatus != 0) resultat = BtrStatus;
        });
        type = FileNo <= 19 ? QStringLiteral("P") : QStringLiteral("M");
    }

    const QString cle = type + suite;
    const auto remplir = [&] {
        const QDateTime maintenant = HorlogeSysteme().now();
        EcrireTexte(JournalSynchro.Type, cle.mid(0, 1));
        EcrireTexte(JournalSynchro.NoFichier, cle.mid(1, 2));
        EcrireTexte(JournalSynchro.NoStation, cle.mid(3, 2));
        EcrireTexte(JournalSynchro.Code, cle.mid(5, 10));
        EcrireTexte(JournalSynchro.Date, D2S(maintenant.date()));
        EcrireTexte(JournalSynchro.Heure,
                    NN(maintenant.time().hour()) + NN(maintenant.time().minute()) + NN(maintenant.time().second()));
        EcrireTexte(JournalSynchro.Sequence, QStringLiteral("01"));
        EcrireTexte(JournalSynchro.Etat, force ? QStringLiteral("M") : QStringLiteral("O"));
        // The journal keeps the web id as a plain integer, lowest byte first.
        JournalSynchro.IdWeb = idWeb;
    };

    if (resultat == 0) {
        p(40, [&] {
            QString cleLue = cle;
            BTRieve(Base, BtrOp::GetEqual, cleLue, 0, kNoJournal, station, source);
            const bool nouvelle = BtrStatus != 0;
            // A new entry starts blank, not from the entry read last.
            if (nouvelle) Vider(JournalSynchro);
            remplir();
            if (nouvelle) {
                resultat = ecrireEntree(Base, stationIndex, BtrOp::Insert, cle);
            } else {
                // The entry is on disk already and names the record: a power cut that took only
                // its refresh (date, web id) would lose no change, so it does not wait for the disk.
                const BtrSansAttente rafraichissement;
                resultat = ecrireEntree(Base, stationIndex, BtrOp::Update, cle);
            }
            if (nouvelle && resultat == BtrStat::DuplicateKey) {
                // Written meanwhile by another station: refresh that entry.
                cleLue = cle;
                BTRieve(Base, BtrOp::GetEqual, cleLue, 0, kNoJournal, station, source);
                if (BtrStatus != 0) return;
                remplir();
                const BtrSansAttente rafraichissement;
                resultat = ecrireEntree(Base, stationIndex, BtrOp::Update, cle);
            }
        });
    }
    if (p.failed() && resultat == 0) resultat = -1;

    if (transactionOuverte) {
        p(50, [&] {
            const int16_t fin = transaction(resultat == 0 ? BtrOp::EndTransaction : BtrOp::AbortTransaction);
            if (resultat == 0) resultat = fin;
        });
    }
    if (resultat != 0) {
        p(60, [&] {
            TraceLog(-1, -1, -1,
                     QStringLiteral("Err: Journal entry not written: Status: ") + QString::number(resultat) +
                         QStringLiteral(" Key: [") + cle + QLatin1Char(']'),
                     true);
        });
    }
    // The data write goes on whatever the journal gave.
    BtrStatus = 0;
}
