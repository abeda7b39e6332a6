#pragma once
// The competition-code files a program folder holds (the standard workbook and the GIE code
// list), written by tests/support/nomenclature_files.py with /usr/bin/python3 and its xlwt module.
#include <QJsonArray>
#include <QJsonValue>
#include <QString>

// The generator script.
QString ScriptNomenclature();

// A workbook kept in tests/support/classeurs/ (damaged or odd ones the generator cannot write).
QString ClasseurDeTest(const QString& nom);

// Runs the generator with its arguments; false with its error output in erreur.
bool LancerScriptNomenclature(const QStringList& arguments, QString* erreur = nullptr);

// A workbook of the given rows (the first one the header row; a cell is a number, a text or
// null) at chemin. A JSON object {"feuilles": [...]} gives several sheets.
bool EcrireClasseurTest(const QString& chemin, const QJsonValue& lignes, QString* erreur = nullptr);
// A GIE list of [code, label] pairs at chemin.
bool EcrireListeGIETest(const QString& chemin, const QJsonArray& entrees, QString* erreur = nullptr);

// The sample pair (the one the sample site gets) in the folder, under the program's names. The
// generator runs once per test program; later calls copy its files.
bool EcrireNomenclatureExemple(const QString& dossier, QString* erreur = nullptr);
