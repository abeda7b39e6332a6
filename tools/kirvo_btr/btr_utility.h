#pragma once
// The record manager's maintenance utility (tools/kirvo_btr): create a base's files from the
// catalogue, list a base's files, dump a file's records as text, load such a dump.
//
// Text dump: a comment line ("# ..."), then one block per record, a blank line between blocks.
// A layout's record is written one "field=value" line per field (an element of a text array as
// "field[i]=value"). Text values are written as stored, without their trailing blanks (trailing
// codes 0 for web ids and plain images), in UTF-8, with "\\" for a backslash and "\xHH" for the
// byte HH of a control character or of a byte the code page leaves unassigned. Numbers are
// decimal. The raw form writes the stored record in hexadecimal, 32 bytes a line, each line
// starting with its offset ("0020: ..."). Loading either form and dumping again gives the same text.
#include <QString>
#include <QStringList>

class QTextStream;
struct TamponEnreg;

// Runs one command (arguments without the program name). Returns the exit code: 0 success,
// 1 failure, 2 wrong usage.
int KirvoBtr(const QStringList& args, QTextStream& out, QTextStream& err);

// Catalogue number of a physical file name ("FRAD003.bt6", "FRADB27.bt6", any letter case, any
// folder), -1 when the name is not one the catalogue forms. station gets the station index
// (0..9) of a per-station file, -1 otherwise.
int NoFichierDepuisNom(const QString& chemin, int* station = nullptr);

// One record of a layout as "field=value" lines, from its layout image.
QString TexteEnreg(const TamponEnreg& t, const char* image);
// Fills a layout image (reset first) from "field=value" lines; false with a message on an unknown
// or repeated field, a value too long for its field or for the part of it the record stores
// (longueurStockee, the file's record length; -1 for the whole layout), a character outside the
// code page, a bad escape or a number not written as the dump writes it. premiereLigne numbers
// the lines in messages.
bool LireTexteEnreg(const TamponEnreg& t, const QStringList& lignes, int premiereLigne, char* image, QString* erreur,
                    int longueurStockee = -1);

QString EchapperValeur(const QString& valeur);
bool DeschapperValeur(const QString& texte, QString* valeur);
