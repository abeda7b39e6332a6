#include "fill/fill_planned.h"

#include "database/btrieve.h"
#include "database/record_layouts.h"
#include "foundation/conversions.h"
#include "foundation/globals.h"
#include "platform/record_manager.h"

#include <cmath>
#include <cstddef>
#include <type_traits>

namespace {

constexpr int16_t FicContrat = 5;
constexpr int16_t FicPassage = 7;
constexpr int16_t FicElement = 26;
constexpr int16_t FicConducteur = 27;

static_assert(offsetof(Layout::EnregDatePassage, Duree) == 60);
static_assert(std::is_same_v<decltype(Layout::EnregDatePassage::Duree), float>);

// Hour number and label of a stored 2-character hour field (blanks read as nothing).
void heure(const char (&champ)[2], PassagePlanifie& p) {
    int h = 0;
    for (char c : champ)
        if (c >= '0' && c <= '9')
            h = h * 10 + (c - '0');
        else if (c != ' ')
            break;
    p.heure = int16_t(h);
    p.libelleHeure = QLatin1Char('H') + LireTexte(champ);
}

// One key-range walk: from the lower bound, entries whose key starts with the prefix. Returns
// false when a read failed (reported by the wrapper). With suivantSurEchec a failed read moves on
// to the entry after the last one read, once: a second failure in a row, or a failure before any
// entry was read, ends the walk (a damaged record would fail the same way for ever). Without it
// the first failure ends the walk. The callback gets the key.
bool parcourir(int16_t base, int16_t station, int16_t fichier, int16_t noCle, const QString& prefixe, int octetsNuls,
               const QString& source, bool suivantSurEchec, const std::function<bool()>& entree) {
    QString cle = prefixe + QString(octetsNuls, QChar(0));
    QString derniere;
    int16_t op = BtrOp::GetGreaterOrEqual;
    bool complet = true;
    bool positionne = false;
    int echecsDeSuite = 0;
    for (;;) {
        if (bFermetureEnCours) return false;
        BTRieve(base, op, cle, noCle, fichier, station, source);
        if (BtrStatus == BtrStat::EndOfFile) return complet;
        if (BtrStatus != 0) {
            // The wrapper has reported it (a second call is silent).
            ErreurBTrieve(base, fichier, cle, source);
            complet = false;
            if (!suivantSurEchec || !positionne || ++echecsDeSuite > 1) return false;
            cle = derniere;
            op = BtrOp::GetNext;
            continue;
        }
        echecsDeSuite = 0;
        positionne = true;
        // The bound is the prefix itself: every byte after it is inside the range.
        if (!cle.startsWith(prefixe)) return complet;
        derniere = cle;
        if (!entree()) return false;
        cle = derniere;
        op = BtrOp::GetNext;
    }
}

}  // namespace

bool LirePublicitePlanifiee(int16_t base, int16_t station, const QDate& jour, const QString& source,
                            const std::function<void(const PassagePlanifie&)>& f) {
    const QString date = D2S(jour);
    bool trouve = false;
    PassagePlanifie p;
    const bool ok = parcourir(base, station, FicConducteur, 0, date, 6, source, true, [&] {
        trouve = true;
        heure(EnregConducteurPub.Heure, p);
        QString element = LireTexte(EnregConducteurPub.CodeElement);
        BTRieve(base, BtrOp::GetEqual, element, 0, FicElement, station, source);
        // An item that is not there is skipped without a word of its own.
        if (BtrStatus != 0) return true;
        p.duree = float(EnregMagnetophone.Duree) / 1000.0f;
        p.national = false;
        p.niveau = 5;
        QString contrat = LireTexte(EnregMagnetophone.ReferenceContrat, 6);
        BTRieve(base, BtrOp::GetEqual, contrat, 2, FicContrat, station, source);
        if (BtrStatus == 0 && EnregEnteteContrat.National[0] == 'O') p.national = true;
        f(p);
        return true;
    });
    // A running order that could not be read through leaves the day incomplete: what it read
    // counts, and the booked passages are not read (they may not be the day's source).
    if (!ok) return false;
    // One running-order entry, even one whose item is gone, stands for the whole day.
    if (trouve) return true;

    for (int niveau = 5; niveau >= 1; --niveau) {
        const bool lu = parcourir(base, station, FicPassage, 1, date + QString::number(niveau), 4, source, false, [&] {
            heure(EnregDatePassage.Heure, p);
            // A damaged duration (not a number, or infinite) counts for nothing rather than
            // turning every sum of the day into nonsense.
            p.duree = std::isfinite(EnregDatePassage.Duree) ? EnregDatePassage.Duree : 0.0f;
            const char nat = EnregDatePassage.National[0];
            p.national = nat == 'O' || nat == 'o' || nat == 'Y' || nat == 'y';
            p.niveau = int16_t(niveau);
            f(p);
            return true;
        });
        if (!lu) return false;
    }
    return true;
}
