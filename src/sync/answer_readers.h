#pragma once
// Lib_XML: the answers of the web service and their generic readers.
//
// An answer is an XML document; elements are found anywhere in it by their exact name:
//   Code      the first one is the return code (none: 0); not 0 makes an error answer
//   Error     children Type, Message, ErrorCode (names in any case; the last of each wins)
//   Result    success answers: "True" in any case means done; one is enough
//   Id        CreateXML: the new web id (the last one counts), read only when done
// Before it is read an answer file is checked: missing or empty, larger than the size limit, not
// XML, with a DTD (never processed) or an "html" root element (a proxy or login page) is not an
// answer, and its reader reports a failure. Only a file of other non-XML text is logged
// ("Err: Unable to read the xml file:" + path); an error answer is shown in a message box worded by
// LibRetourErr. Any other error inside a reader is an incident; the reader then ends with the
// failure flag set and its reply record reset.
#include <QDomDocument>
#include <QString>
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
    bool Result = false;   // a Result element reads true
    int32_t Id = 0;        // CreateXML only
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

// Loads an answer file after the checks above. False when it is not an answer: nothing is shown,
// and only non-XML text that is no HTML page is logged.
bool ChargerFichierReponse(const QString& FileName, const QString& cle, QDomDocument& doc);

// The header of an answer: Code, and for an error answer Type, Message and ErrorCode.
struct EnteteReponse {
    int32_t Code = 0;
    QString Type;
    QString Message;
    QString ErrorCode;
};
// Reads the header into e. An error answer (Code not 0) is shown in its message box and gives
// false. Raises on a code beyond 32 bits.
bool LireEnteteReponse(const QDomDocument& doc, const QString& FileName, const QString& Detail, EnteteReponse& e);

// The numeric value of an answer's text: the number it begins with (blanks skipped), rounded to
// the nearest integer, halves to the even one; 0 when it begins with none. Raises Overflow (6)
// beyond 32 bits.
int32_t ValeurNumeriqueReponse(const QString& texte);
// The whole text as a 32-bit integer; raises Type mismatch (13) when it is not one (empty included).
int32_t ValeurEntiereStricte(const QString& texte);

// Tests: the reply records cleared.
void ReinitialiserLecteursReponses();
