#pragma once
// Lib_XML: what every answer of the web service has in common, and the readers of the answers
// that carry no list (create, update, delete and their kin).
//
// The service does not nest its answers the same way from one operation to the next, so the
// readers look the elements up by name wherever they are: the first Code decides between success
// (0 or no Code) and an error, whose Error element tells the type, message and error code; a
// success is confirmed by a Result reading "True" (any case), and a creation brings the new web id
// in Id. A file is refused before it is parsed when it is missing, empty, too large, not XML, has a
// DTD, or is an HTML page (what a proxy or a login screen sends back), and as it is parsed when it
// nests too deep, its tags carry far too many attributes, or a byte of it is not valid in its
// encoding (nothing is taken from such an answer: a damaged text would go back to the web): the
// caller gets a failure either way, but only plain garbage is worth a log line ("Err: Unable to
// read the xml file:" and the path). An error answer is put to the user in the words of
// LibRetourErr; any other fault in a reader becomes an incident and leaves the reply record empty
// with the failure flag up.
#include "foundation/conversions.h"

#include <QString>
#include <QXmlStreamAttributes>
#include <cstdint>

namespace Cle {
inline constexpr const char* LectureCreateXML = "Lib_XML:LectureFichierXMLRequete_00_Generique_01_CreateXML";
inline constexpr const char* LectureUpdateXML = "Lib_XML:LectureFichierXMLRequete_00_Generique_01_UpdateXML";
inline constexpr const char* LectureDeleteXML = "Lib_XML:LectureFichierXMLRequete_00_Generique_01_DeleteXML";
inline constexpr const char* LibRetourErr = "Lib_XML:LibRetourErr";
}  // namespace Cle

// The reply record of a generic reader.
struct ReponseXML {
    int32_t Code = 0;
    QString Type;
    QString Message;
    QString ErrorCode;
    bool Result = false;  // a Result element reads true
    int32_t Id = 0;       // CreateXML only
};
extern ReponseXML ReponseCreateXML;
extern ReponseXML ReponseUpdateXML;
extern ReponseXML ReponseDeleteXML;

// Err: true when the file is not a readable answer or holds an error answer; false otherwise
// (also for a success answer whose Result is not true). Detail words the error message when the
// answer gives no ErrorCode.
void LectureFichierXMLRequete_00_Generique_01_CreateXML(const QString& FileName, const QString& Detail, bool& Err);
void LectureFichierXMLRequete_00_Generique_01_UpdateXML(const QString& FileName, const QString& Detail, bool& Err);
// Also the answers of EmptyXML and CreateDetailXML.
void LectureFichierXMLRequete_00_Generique_01_DeleteXML(const QString& FileName, const QString& Detail, bool& Err);

// The message of an error answer.
QString LibRetourErr(const QString& FileName, int32_t Code, const QString& Detail);

// --- shared with the list readers ---

// What an answer file is handed to as it is read: its elements (their names whole, prefix
// included) and the texts in them, blank runs between elements left out.
class VisiteurReponse {
public:
    virtual ~VisiteurReponse() = default;
    virtual void debut(QStringView nom, const QXmlStreamAttributes& attributs) = 0;
    virtual void fin() = 0;
    virtual void texte(QStringView texte, bool cdata) = 0;
};
// Reads an answer file through the checks above, handing it to visiteur as it goes. False when
// it is not an answer (the visitor may have seen part of it): nothing is shown, and only non-XML
// text that is no HTML page is logged.
bool ParcourirFichierReponse(const QString& FileName, const QString& cle, VisiteurReponse& visiteur);

// The header of an answer: Code, and for an error answer Type, Message and ErrorCode.
struct EnteteReponse {
    int32_t Code = 0;
    QString Type;
    QString Message;
    QString ErrorCode;
};
// The header's texts as an answer holds them: the text of the first Code, and the last Type,
// Message and ErrorCode found in an Error element (names of these three in any case). The text of
// one of these leaves out that of the others nested in it, so that each text is kept once.
struct TextesEntete {
    bool codeVu = false;
    QString code;
    QString type;
    QString message;
    QString errorCode;
};
// Reads the header's texts of an answer file, through the checks above (the same result); aussi,
// when given, sees the same pass.
bool ChargerEnteteReponse(const QString& FileName, const QString& cle, TextesEntete& t,
                          VisiteurReponse* aussi = nullptr);
// Reads the header from its texts into e. An error answer (Code not 0) is shown in its message box
// and gives false. Raises on a code beyond 32 bits.
bool LireEnteteReponse(const TextesEntete& t, const QString& FileName, const QString& Detail, EnteteReponse& e);
// Reads, without any box, an answer's return code (0 when it has none) and whether its Result reads
// true, as the generic readers read them. False when the file is no answer. Raises as
// ChargerEnteteReponse does.
bool LireCodeEtResultat(const QString& FileName, const QString& cle, int32_t& code, bool& resultat);

// Tests: the reply records cleared.
void ReinitialiserLecteursReponses();
