#include "database/open_close.h"

#include "database/btrieve.h"
#include "database/record_layouts.h"
#include "database/site_helpers.h"
#include "database/zones.h"
#include "foundation/conversions.h"
#include "foundation/file_ops.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/trace_log.h"
#include "foundation/window_helpers.h"
#include "platform/cp1252.h"
#include "platform/paths.h"
#include "platform/record_manager.h"

#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <vector>

QStringList OpenedList;
std::array<bool, 20> FichiersOuverts{};

using site::Element;

namespace {

// The files' full names, per base, the base's table made when one of its names is first asked
// for: a site uses one base or two of the twenty.
using NomsBase = std::array<std::array<QString, NbStationsMax>, NbFichiersBTR>;
using TableNoms = std::array<std::unique_ptr<NomsBase>, 20>;
TableNoms& noms() {
    static TableNoms t;
    return t;
}

bool bCatalogueCharge = false;
std::function<void(int16_t, int16_t, int16_t, int32_t)> temoin;

// The record manager takes a file's path as its key: Windows-1252, at least 255 bytes, zero-padded.
QByteArray CleChemin(const QString& chemin) {
    QByteArray cle = ToCp1252(chemin);
    if (cle.size() < 255) cle.append(QByteArray(255 - cle.size(), '\0'));
    return cle;
}

// Bounds the callers keep to; anything else is the run-time error 9, reported where it is met.
void VerifierFichier(int base, int stationIndex, int fileNo) {
    if (base < 0 || base >= 20 || stationIndex < 0 || stationIndex >= NbStationsMax || fileNo < 0 ||
        fileNo >= NbFichiersBTR)
        Raise(9);
}

// A path known to exist: opened earlier in this run, or a non-empty file now.
bool Existe(const QString& chemin) {
    if (OpenedList.contains(chemin, Qt::CaseInsensitive)) return true;
    return File_Exist(chemin, QString::fromLatin1(Cle::FichierPervasiveOuvrir), true);
}

bool Cree(int16_t fileNo) { return fileNo == 37 || (fileNo >= 40 && fileNo <= 49); }

// The data buffer of an open or a release: the file's record as it is stored.
std::vector<char> Tampon(int16_t fileNo, int32_t dataLen) {
    std::vector<char> t(size_t(std::max<int32_t>(dataLen, 1)), '\0');
    VersImageStockee(fileNo, t.data(), int(t.size()));
    return t;
}

}  // namespace

QString& FileFullName(int base, int fileNo, int stationIndex) {
    VerifierFichier(base, stationIndex, fileNo);
    auto& b = noms()[size_t(base)];
    if (!b) b = std::make_unique<NomsBase>();
    return (*b)[size_t(fileNo)][size_t(stationIndex)];
}

void PervasiveOuvertureFichiers(int16_t NoBase, int16_t NoStationInf, int16_t NoStationSup, int16_t& NoFic) {
    Proc p(Cle::PervasiveOuvertureFichiers);
    p(10, [&] {
        if (bCatalogueCharge) return;
        InitGeneralData();
        bCatalogueCharge = true;
    });
    p(20, [&] {
        if (Element(FichiersOuverts, NoBase)) PervasiveFermetureFichiers(NoBase, NoStationInf, NoStationSup, NoFic);
    });
    int16_t mode = 0;
    if (NoFic == -1) {
        for (int16_t f : FichiersStandard)
            p(30, [&] { FichierPervasiveOuvrir(NoBase, NoStationInf, NoStationSup, f, mode); });
        p(40, [&] { TraceLog(NoBase, -1, -1, QStringLiteral("Pervasive Files: Opened")); });
        p(50, [&] { Element(FichiersOuverts, NoBase) = true; });
    } else {
        p(60, [&] { FichierPervasiveOuvrir(NoBase, NoStationInf, NoStationSup, NoFic, mode); });
        p(70, [&] {
            TraceLog(NoBase, -1, -1,
                     QStringLiteral("Pervasive File: ") + QString::number(NoFic) + QStringLiteral(": Opened"));
        });
    }
}

void PervasiveFermetureFichiers(int16_t NoBase, int16_t NoStationInf, int16_t NoStationSup, int16_t NoFic) {
    Proc p(Cle::PervasiveFermetureFichiers, Trace::None);
    if (bFermetureEnCours) p.silent();
    if (NoFic == -1) {
        for (auto it = FichiersStandard.rbegin(); it != FichiersStandard.rend(); ++it)
            p(10, [&] { FichierPervasiveFermer(NoBase, NoStationInf, NoStationSup, *it); });
        p(20, [&] { TraceLog(NoBase, -1, -1, QStringLiteral("Pervasive Files: Closed")); });
        p(30, [&] { Element(FichiersOuverts, NoBase) = false; });
    } else {
        p(40, [&] { FichierPervasiveFermer(NoBase, NoStationInf, NoStationSup, NoFic); });
        p(50, [&] {
            TraceLog(NoBase, -1, -1,
                     QStringLiteral("Pervasive File: ") + QString::number(NoFic) + QStringLiteral(": Closed"));
        });
    }
}

void FichierPervasiveOuvrir(int16_t Base, int16_t FirstStation, int16_t LastStation, int16_t FileNo,
                            int16_t& OpenMode) {
    Proc p(Cle::FichierPervasiveOuvrir, Trace::DebugOnly);
    p(10, [&] { InitStructureFichierBTR(FileNo, true); });
    for (int s = FirstStation; s <= LastStation; ++s) {
        const int i = s - 1;
        QString chemin;
        bool present = false;
        p(20, [&] {
            QString& nom = FileFullName(Base, FileNo, i);
            nom = CheckRep(Element(DossierData, Base)) + NomFichierBTR(FileNo, int16_t(i));
            chemin = nom;
        });
        if (chemin.isEmpty()) continue;
        p(30, [&] { FileOpen(Base, i, FileNo) = false; });
        p(40, [&] { present = Existe(chemin); });
        if (!present && Cree(FileNo)) {
            p(50, [&] {
                TraceLog(Base, -1, -1,
                         QStringLiteral("File: ") + chemin + QStringLiteral(" not found |Create empty structure"));
                CreationStructureVide(chemin);
            });
            p(60, [&] { present = Existe(chemin); });
        }
        if (!present) {
            // Left closed: a later read of it would end the program, so the missing file is named now.
            p(70, [&] {
                TraceLog(Base, -1, -1,
                         QStringLiteral("Err: File: ") + chemin + QStringLiteral(" not found |Not opened"), true, Base);
            });
            continue;
        }
        p(80, [&] {
            int32_t dataLen = BtrFileSpec.RecordLength;
            if (OuvertureFichierBTrieve(Base, FileNo, chemin, dataLen, s, OpenMode)) {
                FileOpen(Base, i, FileNo) = true;
                if (!OpenedList.contains(chemin, Qt::CaseInsensitive)) OpenedList.append(chemin);
            }
        });
    }
}

void FichierPervasiveFermer(int16_t Base, int16_t FirstStation, int16_t LastStation, int16_t FileNo) {
    Proc p(Cle::FichierPervasiveFermer, Trace::DebugOnly);
    for (int s = FirstStation; s <= LastStation; ++s) {
        const int i = s - 1;
        bool ouvert = false;
        p(10, [&] { ouvert = FileOpen(Base, i, FileNo); });
        if (!ouvert) continue;
        p(20, [&] {
            QString chemin = FileFullName(Base, FileNo, i);
            int32_t dataLen = CatalogueFichier(FileNo).RecordLength;
            if (FermetureFichierBTrieve(Base, FileNo, chemin, dataLen, s))
                FileOpen(Base, i, FileNo) = false;
            else
                TraceLog(Base, -1, -1, QStringLiteral("Unable to close: ") + chemin);
        });
    }
}

bool OuvertureFichierBTrieve(int16_t Base, int16_t FileNo, QString& FileName, int32_t& DataLen, int32_t Station,
                             int16_t OpenMode) {
    Proc p(Cle::OuvertureFichierBTrieve, Trace::DebugOnly);
    // The status this routine sets is its own, never one the wrapper has already reported.
    OublierStatutSignale();
    bool resultat = false;
    bool present = false;
    p(10, [&] {
        // Hidden files are not listed, so they are not found.
        const QFileInfo fi(CheminReel(FileName));
        present = fi.isFile() && !fi.fileName().startsWith(QLatin1Char('.'));
        if (!present) BtrStatus = BtrStat::FileNotFound;
    });
    if (present && !EnregFichier(FileNo)) {
        // A file without a record buffer is never read through the wrapper: nothing to open.
        p(20, [&] {
            AfficherBarreDeTache(true);
            AfficherBureau(true);
            TraceLog(
                Base, -1, -1,
                QStringLiteral("File: ") + QString::number(FileNo) + QStringLiteral(": no record buffer |Not opened"));
        });
        return false;
    }
    if (present) {
        p(30, [&] {
            VerifierFichier(Base, int(Station) - 1, FileNo);
            PositionBlock bloc;
            bloc.fill(' ');
            std::vector<char> tampon = Tampon(FileNo, DataLen);
            QByteArray cle = CleChemin(FileName);
            uint32_t lng = uint32_t(std::max<int32_t>(DataLen, 0));
            if (temoin) temoin(BtrOp::Open, Base, FileNo, Station);
            BtrStatus =
                BTRCALL(BtrOp::Open, bloc.data(), tampon.data(), &lng, cle.data(), uint16_t(cle.size()), OpenMode);
            if (BtrStatus != BtrStat::Ok) return;
            PosBlk(Base, int(Station) - 1, FileNo) = bloc;
            RecLen[size_t(FileNo)] = int32_t(lng);
            DataLen = int32_t(lng);
            resultat = true;
        });
    }
    if (resultat) return true;
    p(40, [&] {
        if (BtrStatus == BtrStat::Ok) return;
        QString ligne = QStringLiteral("File:") + N2S(double(FileNo), 2, 0, QStringLiteral("0"));
        if (BtrStatus == BtrStat::FileNotFound) ligne += QStringLiteral(" (") + FileName + QStringLiteral(")");
        ligne += QStringLiteral(" Station:") + QString::number(Station) + QStringLiteral(" OP:00 K:00 [") +
                 ClearChaine(FileName) + QStringLiteral("]");
        AjouterHistorique(Base, ligne);
        ErreurBTrieve(Base, FileNo, FileName, QString::fromLatin1(Cle::OuvertureFichierBTrieve));
    });
    return false;
}

bool FermetureFichierBTrieve(int16_t Base, int16_t FileNo, QString& FileName, int32_t& DataLen, int32_t Station) {
    Proc p(Cle::FermetureFichierBTrieve, Trace::DebugOnly);
    bool resultat = false;
    if (!EnregFichier(FileNo)) {
        // Never opened (see the open): nothing to release.
        p(10, [&] {
            AfficherBarreDeTache(true);
            AfficherBureau(true);
        });
        return false;
    }
    bool appele = false;
    p(20, [&] {
        VerifierFichier(Base, int(Station) - 1, FileNo);
        // The station's own block goes with the name: each open of a file kept per base is a
        // station's, and releasing by name alone would end another station's open (its block
        // then answers "not open"). A blank block, for a station never opened, releases by name.
        PositionBlock bloc = PosBlk(Base, int(Station) - 1, FileNo);
        std::vector<char> tampon = Tampon(FileNo, DataLen);
        QByteArray cle = CleChemin(FileName);
        uint32_t lng = uint32_t(std::max<int32_t>(DataLen, 0));
        if (temoin) temoin(BtrOp::Stop, Base, FileNo, Station);
        OublierStatutSignale();
        BtrStatus = BTRCALL(BtrOp::Stop, bloc.data(), tampon.data(), &lng, cle.data(), uint16_t(cle.size()), 0);
        appele = true;
        if (BtrStatus != BtrStat::Ok) return;
        PosBlk(Base, int(Station) - 1, FileNo) = bloc;
        RecLen[size_t(FileNo)] = int32_t(lng);
        DataLen = int32_t(lng);
        resultat = true;
    });
    if (resultat || !appele) return resultat;
    p(30, [&] { ErreurBTrieve(Base, FileNo, FileName, QString::fromLatin1(Cle::FermetureFichierBTrieve)); });
    return false;
}

int16_t CreationStructureVide(const QString& FileName) {
    PositionBlock bloc;
    bloc.fill(' ');
    QByteArray cle = ToCp1252(FileName);
    uint32_t lng = sizeof(BtrFileSpec);
    OublierStatutSignale();
    BtrStatus = BTRCALL(BtrOp::Create, bloc.data(), &BtrFileSpec, &lng, cle.data(), uint16_t(cle.size()), 0);
    return BtrStatus;
}

void SetTemoinFichiers(std::function<void(int16_t, int16_t, int16_t, int32_t)> t) { temoin = std::move(t); }

void ReinitialiserOuvertureFichiers() {
    bCatalogueCharge = false;
    OpenedList.clear();
    FichiersOuverts.fill(false);
    for (auto& b : noms()) b.reset();
    temoin = nullptr;
}
