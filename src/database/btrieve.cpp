#include "database/btrieve.h"

#include "database/change_journal.h"
#include "database/key_check.h"
#include "database/open_close.h"
#include "database/record_layouts.h"
#include "foundation/conversions.h"
#include "foundation/daily_log.h"
#include "foundation/globals.h"
#include "foundation/log_lists.h"
#include "foundation/messages.h"
#include "foundation/proc.h"
#include "foundation/trace_log.h"
#include "platform/clock.h"
#include "platform/cp1252.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

int16_t BtrOp = 0;
QString BtrKey;
int16_t BtrKeyNum = 0;
int16_t BtrFileNo = 0;
int16_t BtrStatus = 0;

std::array<int32_t, NbFichiersBTR> RecLen{};
bool TransactionActive = false;
bool BtrGaveUp = false;
std::array<std::array<QString, 6>, NbBasesMax> BtrHistory;

namespace {

// The files of one station of one base; a site uses a few stations of one base, so a station's
// files are laid out when one of them is first asked for, not all twenty bases' at start-up.
struct FichiersStation {
    std::array<bool, NbFichiersBTR> ouvert;
    std::array<PositionBlock, NbFichiersBTR> blocs;
    FichiersStation() { reinitialiser(); }
    void reinitialiser() {
        ouvert.fill(false);
        for (auto& b : blocs) b.fill(' ');
    }
};

struct EtatFichiers {
    std::array<std::unique_ptr<FichiersStation>, size_t(NbBasesMax) * NbStationsMax> stations;
    FichiersStation& station(int base, int stationIndex, int fileNo) {
        if (base < 0 || base >= NbBasesMax || stationIndex < 0 || stationIndex >= NbStationsMax || fileNo < 0 ||
            fileNo >= NbFichiersBTR)
            Raise(9);
        auto& s = stations[size_t(base) * NbStationsMax + size_t(stationIndex)];
        if (!s) s = std::make_unique<FichiersStation>();
        return *s;
    }
    // In place: what callers hold stays valid.
    void reinitialiser() {
        for (auto& s : stations)
            if (s) s->reinitialiser();
    }
};

EtatFichiers& etat() {
    static EtatFichiers e;
    return e;
}

BtrCallFn& crochet() {
    static BtrCallFn f;
    return f;
}

// The status the wrapper has reported for the last call, if any.
struct StatutSignale {
    bool actif = false;
    int16_t status = 0;
};
StatutSignale& signale() {
    static StatutSignale s;
    return s;
}

constexpr int kLongueurTamponCle = 255;
constexpr int kLongueurCleVide = 100;

bool estVerrou(int16_t st) {
    switch (st) {
        case 81:
        case 84:
        case 85:
        case 36:
        case 37:
        case 38:
        case 39:
        case 83:
        case 92:
            return true;
        default:
            return false;
    }
}

// How an attempt treats the record buffer and the position block.
enum class Mode {
    Normal,          // the record buffer goes out and comes back; the key too
    RelectureCopie,  // a key-number re-read: buffer and key refreshed, the position thrown away
};

// One call of the record manager with the file's record buffer in its stored form.
int16_t BTRieve_Reel(int base, int stationIndex, int16_t fileNo, int16_t op, QString& key, int16_t keyNum, Mode mode) {
    Proc p(Cle::BTRieve_Reel, Trace::DebugOnly);
    int16_t st = 0;
    p(10, [&] {
        if (EnregFichier(fileNo)) return;
        // Nothing to send or receive: the call cannot be made, and saying 0 would pass a
        // write that never happened for a success.
        st = BtrStat::InvalidOperation;
        TraceLog(int16_t(base), -1, -1,
                 QStringLiteral("Err: BTRieve: No record buffer for file: ") + QString::number(fileNo) +
                     QStringLiteral(" OP: ") + QString::number(op),
                 true);
    });
    if (st != 0) return st;
    // A call that could not be made must not read as a success.
    st = BtrStat::InvalidOperation;
    p(20, [&] {
        if (key.isEmpty()) key = QString(kLongueurCleVide, QLatin1Char(' '));
        const int32_t lng = LongueurEnregistrement(fileNo);
        RecLen[size_t(fileNo)] = lng;
        const TamponEnreg* t = EnregFichier(fileNo);
        std::vector<char> donnees(size_t(std::max(lng, t->Taille)), 0);
        VersImageStockee(fileNo, donnees.data(), lng);

        const QByteArray octetsCle = ToCp1252(key);
        const int nCle = std::min<int>(int(octetsCle.size()), kLongueurTamponCle - 1);
        std::array<char, kLongueurTamponCle> tamponCle{};
        std::memcpy(tamponCle.data(), octetsCle.constData(), size_t(nCle));

        PositionBlock& officiel = PosBlk(base, stationIndex, fileNo);
        PositionBlock bloc = officiel;
        uint32_t dataLen = uint32_t(lng);
        st = AppelGestionnaire(uint16_t(op), bloc.data(), donnees.data(), &dataLen, tamponCle.data(),
                               kLongueurTamponCle, keyNum);
        if (mode != Mode::RelectureCopie) officiel = bloc;
        DepuisImageStockee(fileNo, donnees.data(), lng);
        key = FromCp1252(tamponCle.data(), nCle);
    });
    return st;
}

// A conflict's re-read: the record the position names, read again by its own position (Get
// Position, then Get Direct on the call's key number), so that it works whatever the key, among
// duplicates too. Only the position is refreshed: the caller's record buffer keeps what it wants
// written, and the key buffer is the re-read's own.
void RelirePosition(int base, int stationIndex, int16_t fileNo, int16_t keyNum) {
    Proc p(Cle::BTRieve_Reel, Trace::DebugOnly);
    p(10, [&] {
        PositionBlock& officiel = PosBlk(base, stationIndex, fileNo);
        PositionBlock bloc = officiel;
        std::vector<char> donnees(size_t(std::max<int32_t>(LongueurEnregistrement(fileNo), 4)), 0);
        std::array<char, kLongueurTamponCle> cle{};
        for (const uint16_t op : {uint16_t(BtrOp::GetPosition), uint16_t(BtrOp::GetDirect)}) {
            uint32_t n = uint32_t(donnees.size());
            if (AppelGestionnaire(op, bloc.data(), donnees.data(), &n, cle.data(), kLongueurTamponCle, keyNum) != 0)
                return;
        }
        officiel = bloc;
    });
}

// The synchronisation fields after a read: an unknown state is "not synchronised" with no web
// id; the flag defaults to "keep on the web", for clients to "not on the web".
void NormaliserChampsSynchro(int16_t fileNo) {
    if (fileNo < 1 || fileNo > 6) return;
    const ChampsSynchro c = ChampsSynchroFichier(fileNo);
    if (!c.Etat) return;
    if (!std::strchr("CMSON", *c.Etat) || *c.Etat == 0) {
        *c.Etat = 'N';
        MKLOctets(0, c.IdWeb);
    }
    if (!c.FlagWeb) return;
    if (fileNo == 3) {
        if (*c.FlagWeb != 'O') *c.FlagWeb = 'N';
    } else if (fileNo != 5 && fileNo != 6) {
        if (*c.FlagWeb != 'N') *c.FlagWeb = 'O';
    }
}

}  // namespace

bool& FileOpen(int base, int stationIndex, int fileNo) {
    return etat().station(base, stationIndex, fileNo).ouvert[size_t(fileNo)];
}

PositionBlock& PosBlk(int base, int stationIndex, int fileNo) {
    return etat().station(base, stationIndex, fileNo).blocs[size_t(fileNo)];
}

int32_t LongueurEnregistrement(int fileNo) {
    const int32_t n = CatalogueFichier(fileNo).RecordLength;
    if (n > 0) return n;
    const TamponEnreg* t = EnregFichier(fileNo);
    return t ? t->Taille : 0;
}

static QString DeuxChiffres(int v) { return ChiffresZero(v, 2); }

void AjouterHistorique(int base, const QString& ligne) {
    if (base < 0 || base >= NbBasesMax) Raise(9);
    auto& h = BtrHistory[size_t(base)];
    for (size_t i = h.size() - 1; i > 0; --i) h[i] = h[i - 1];
    h[0] = ligne;
}

void PrefixerHistorique(int base, int16_t status) {
    if (base < 0 || base >= NbBasesMax) Raise(9);
    QString& l = BtrHistory[size_t(base)][0];
    if (l.startsWith(QLatin1String("S:"))) return;
    l = QStringLiteral("S:") + ChiffresZero(status, 5) + QLatin1Char(' ') + l;
}

void MarquerStatutSignale(int16_t status) { signale() = {true, status}; }

void OublierStatutSignale() { signale() = {}; }

bool StatutDejaSignale(int16_t status) { return signale().actif && signale().status == status; }

int16_t AppelGestionnaire(uint16_t op, void* posBlock, void* dataBuf, uint32_t* dataLen, void* keyBuf, uint16_t keyLen,
                          int16_t keyNum) {
    // A new call, a new outcome: what was reported belongs to the call before.
    OublierStatutSignale();
    if (crochet()) return crochet()(op, posBlock, dataBuf, dataLen, keyBuf, keyLen, keyNum);
    return BTRCALL(op, posBlock, dataBuf, dataLen, keyBuf, keyLen, keyNum);
}

void SetBtrCallHook(BtrCallFn hook) { crochet() = std::move(hook); }

void TerminerProgrammeBTrieve(int code) {
    Proc p(Cle::BTRieve, Trace::None);
    p(10, [] { TraceLogForce(Listes().ListeLog, QString(), false, false, QString::fromLatin1(Cle::BTRieve)); });
    p(20, [] {
        if (bFermetureEnCours) return;  // the orderly shutdown has released them
        // Stop without a block or a name releases every file of the program.
        AppelGestionnaire(BtrOp::Stop, nullptr, nullptr, nullptr, nullptr, 0, 0);
    });
    FinProgramme(code);
}

void BTRieve(int16_t base, int16_t op, QString& key, int16_t keyNum, int16_t fileNo, int32_t station,
             const QString& source) {
    Proc p(Cle::BTRieve, Trace::DebugOnly);
    const QString cleRapport = QString::fromLatin1(Cle::BTRieve);

    // Outside the tables nothing can be called; the caller learns it by the status.
    if (base < 0 || base >= NbBasesMax || fileNo < 0 || fileNo >= NbFichiersBTR) {
        BtrStatus = BtrStat::InvalidOperation;
        p(5, [&] {
            TraceLog(-1, -1, -1,
                     QStringLiteral("Err: BTRieve: Base: ") + QString::number(base) + QStringLiteral(" File: ") +
                         QString::number(fileNo) + QStringLiteral(" out of range [") + source + QLatin1Char(']'),
                     true);
        });
        return;
    }

    // The journal entry exists whatever the write's outcome.
    p(10, [&] {
        if ((op == BtrOp::Insert || op == BtrOp::Update) && FichierJournalise(fileNo))
            CreateRecord(base, int16_t(station), fileNo, op);
    });
    if ((op == BtrOp::EndTransaction || op == BtrOp::AbortTransaction) && !TransactionActive) return;
    // From here BtrStatus is this call's: a mark of the call before no longer holds.
    OublierStatutSignale();
    p(30, [&] {
        if (op == BtrOp::GetLessThan || op == BtrOp::GetLessOrEqual) key.replace(Chr(255), QLatin1Char('z'));
    });
    if (station < 1) station = 1;
    p(50, [&] {
        if (TrimBlancs(source).isEmpty()) return;
        AjouterHistorique(base, QStringLiteral("File:") + DeuxChiffres(fileNo) + QStringLiteral(" Station:") +
                                    QString::number(station) + QStringLiteral(" OP:") + DeuxChiffres(op) +
                                    QStringLiteral(" K:") + DeuxChiffres(keyNum) + QStringLiteral(" [") +
                                    ClearChaine(QString(key)) + QStringLiteral("] [") + source + QLatin1Char(']'));
    });
    p(60, [&] { BTrieveTestCle(op, key, keyNum, fileNo, source); });
    BtrGaveUp = false;

    const auto normaliser = [&] {
        p(130, [&] {
            if (op < BtrOp::Open || op > BtrOp::Delete) NormaliserChampsSynchro(fileNo);
        });
    };

    if (station > NbStationsMax) {
        p(90, [&] {
            GestErrLangue(9, QString::number(station), QStringLiteral("BTrieve (Source:") + source + QLatin1Char(')'),
                          false, QString());
        });
        // Read loops of the callers end on these.
        BtrStatus = op == BtrOp::GetEqual ? BtrStat::KeyNotFound : BtrStat::EndOfFile;
        normaliser();
        return;
    }

    bool ouvert = false;
    p(100, [&] { ouvert = FileOpen(base, station - 1, fileNo); });
    if (!ouvert) {
        if (!bFermetureEnCours) {
            // The end comes after the boxes: the log says why first, whatever the user does then.
            p(101, [&] {
                QString fichier = QString::number(fileNo);
                if (const QString libelle = LibelleFichierBTR(fileNo); !libelle.isEmpty())
                    fichier += QLatin1Char(' ') + libelle;
                fichier += QStringLiteral(" not open");
                if (const QString chemin = FileFullName(base, fileNo, station - 1); !chemin.isEmpty())
                    fichier += QStringLiteral(" (") + chemin + QLatin1Char(')');
                TraceLog(base, -1, -1,
                         QStringLiteral("Err: BTRieve: Base: ") + QString::number(base) + QStringLiteral(" Station: ") +
                             QString::number(station) + QStringLiteral(" File: ") + fichier + QStringLiteral(" [") +
                             source + QStringLiteral("]: the program ends"),
                         true, -1, true);
            });
            p(102, [&] {
                GestErrLangue(2003, QStringLiteral("#: ") + QString::number(fileNo),
                              QStringLiteral("(Source:") + source + QLatin1Char(')'), false, QString());
            });
            BtrStatus = 20;
            OublierStatutSignale();
            p(103, [&] { ErreurBTrieve(base, fileNo, key, cleRapport); });
            TerminerProgrammeBTrieve();
        }
    } else {
        p(110, [&] {
            const auto signaler = [&](int16_t st) {
                BtrStatus = st;
                OublierStatutSignale();
                ErreurBTrieve(base, fileNo, key, cleRapport);
                BtrStatus = st;  // whatever ran while the box was open
            };
            int compteur = 0;
            for (;;) {
                int16_t st = BTRieve_Reel(base, station - 1, fileNo, op, key, keyNum, Mode::Normal);
                BtrStatus = st;
                if (st == 0) {
                    if (op == BtrOp::BeginTransaction || op == BtrOp::BeginConcurrentTransaction)
                        TransactionActive = true;
                    else if (op == BtrOp::EndTransaction || op == BtrOp::AbortTransaction)
                        TransactionActive = false;
                    return;
                }
                if (bFermetureEnCours) return;
                if (st == BtrStat::Conflict) {
                    if (++compteur > NbRepetitionsMax) {
                        // The record was not written: the caller must know.
                        BtrGaveUp = true;
                        signaler(st);
                        return;
                    }
                    HorlogeSysteme().sleepMs(500);
                    if (op == BtrOp::Update || op == BtrOp::Delete) RelirePosition(base, station - 1, fileNo, keyNum);
                    continue;
                }
                if (estVerrou(st)) {
                    if (++compteur > NbRepetitionsMax) {
                        signaler(st);
                        return;
                    }
                    HorlogeSysteme().sleepMs(1000);
                    continue;
                }
                if (st == BtrStat::DifferentKeyNumber) {
                    if (op == BtrOp::Update && fileNo == 35) return;
                    if ((op == BtrOp::GetNext || op == BtrOp::GetPrevious) && fileNo == 34) return;
                    if (op == BtrOp::GetNext || op == BtrOp::GetPrevious) {
                        const int16_t relu =
                            BTRieve_Reel(base, station - 1, fileNo, BtrOp::GetEqual, key, keyNum, Mode::RelectureCopie);
                        BtrStatus = st;
                        if (relu == 0) return;
                    }
                    signaler(st);
                    return;
                }
                if (st == 54) {
                    if (op == BtrOp::Update && fileNo == 35) {
                        BtrStatus = 0;
                        return;
                    }
                    signaler(st);
                    return;
                }
                if (op == BtrOp::Insert || op == BtrOp::Update) {
                    if (st != BtrStat::DuplicateKey) signaler(st);
                    return;
                }
                if (st != BtrStat::KeyNotFound && st != BtrStat::DuplicateKey && st != BtrStat::EndOfFile) signaler(st);
                return;
            }
        });
    }
    p(120, [&] { PrefixerHistorique(base, BtrStatus); });
    normaliser();
}

void ReinitialiserEtatBTrieve() {
    etat().reinitialiser();
    RecLen.fill(0);
    TransactionActive = false;
    BtrGaveUp = false;
    for (auto& h : BtrHistory) h.fill(QString());
    BtrOp = 0;
    BtrKey.clear();
    BtrKeyNum = 0;
    BtrFileNo = 0;
    BtrStatus = 0;
    bForcerEnvoiWeb = false;
    SetBtrCallHook({});
    OublierStatutSignale();
}
