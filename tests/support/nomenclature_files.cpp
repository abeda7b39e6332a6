#include "support/nomenclature_files.h"

#include "fill/nomenclature.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr const char* kPython = "/usr/bin/python3";
// The program's names; the generator writes its sample pair under the same ones.
const char* const kNoms[] = {NomClasseurNomenclature, NomListeGIE};

bool ecrireJson(const QJsonDocument& doc, const QString& chemin, QString* erreur) {
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(doc.toJson()) < 0) {
        if (erreur) *erreur = QStringLiteral("cannot write ") + chemin;
        return false;
    }
    return true;
}

bool avecDonnees(const char* commande, const QString& chemin, const QJsonDocument& doc, QString* erreur) {
    QTemporaryDir tmp;
    const QString json = tmp.filePath(QStringLiteral("donnees.json"));
    return ecrireJson(doc, json, erreur) &&
           LancerScriptNomenclature({QString::fromLatin1(commande), chemin, json}, erreur);
}

}  // namespace

QString ScriptNomenclature() {
    return QStringLiteral(KIRVO_SOURCE_DIR) + QStringLiteral("/tests/support/nomenclature_files.py");
}

QString ClasseurDeTest(const QString& nom) {
    return QStringLiteral(KIRVO_SOURCE_DIR) + QStringLiteral("/tests/support/classeurs/") + nom;
}

bool LancerScriptNomenclature(const QStringList& arguments, QString* erreur) {
    QProcess p;
    p.start(QString::fromLatin1(kPython), QStringList{ScriptNomenclature()} + arguments);
    const bool fini = p.waitForFinished(60000);
    if (fini && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0) return true;
    if (erreur)
        *erreur = QStringLiteral("nomenclature_files.py ") + arguments.join(QLatin1Char(' ')) + QStringLiteral(": ") +
                  QString::fromLocal8Bit(p.readAllStandardError()) + p.errorString();
    return false;
}

bool EcrireClasseurTest(const QString& chemin, const QJsonValue& lignes, QString* erreur) {
    const QJsonDocument doc = lignes.isObject() ? QJsonDocument(lignes.toObject()) : QJsonDocument(lignes.toArray());
    return avecDonnees("classeur", chemin, doc, erreur);
}

bool EcrireListeGIETest(const QString& chemin, const QJsonArray& entrees, QString* erreur) {
    return avecDonnees("gie", chemin, QJsonDocument(entrees), erreur);
}

bool EcrireNomenclatureExemple(const QString& dossier, QString* erreur) {
    static std::unique_ptr<QTemporaryDir> modele;
    if (!modele) {
        auto d = std::make_unique<QTemporaryDir>();
        if (!d->isValid() || !LancerScriptNomenclature({QStringLiteral("exemple"), d->path()}, erreur)) return false;
        modele = std::move(d);
    }
    QDir().mkpath(dossier);
    for (const char* nom : kNoms) {
        const QString cible = QDir(dossier).filePath(QString::fromLatin1(nom));
        QFile::remove(cible);
        if (!QFile::copy(QDir(modele->path()).filePath(QString::fromLatin1(nom)), cible)) {
            if (erreur)
                *erreur = QStringLiteral("cannot copy ") + QString::fromLatin1(nom) + QStringLiteral(" to ") + dossier;
            return false;
        }
    }
    return true;
}
