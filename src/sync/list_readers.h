#pragma once
// Lib_XML: turning a web list answer (GetBySynchroWeb, GetByIdWeb) into the entity's grid, its
// reply record, or both. The five entities share one reader, fed with the entity's field table
// (its item tag and, per field tag, a grid column and a record member).
//
// Both targets are cleared before the answer is even opened: whatever goes wrong afterwards, the
// caller never sees a previous list. In the grid every item becomes a new row and every field tag
// the table knows fills its column; tags are matched whatever their case and the rest is
// ignored, so an answer with extra fields still reads. The record, on the other hand, is written
// item after item and so ends up with the latest value of each field. The status text is shown
// as a one-letter code on its colour with a label beside it (StatutListeWeb): 2 "C" Créé,
// 3 "M" Modifié, 0 "S" Supprimé, 1 "O" Synchronisé; an unexpected status is shown as received.
//
// The grid's columns and the record's fields are the entity's field table (grids/web_lists.h).
#include <QString>
#include <cstdint>

#include "grids/web_lists.h"
#include "sync/answer_readers.h"

namespace Cle {
inline constexpr const char* LectureClients = "Lib_XML:LectureFichierXMLRequete_Pub_01_Clt_01_ReadXML";
inline constexpr const char* LectureProduits = "Lib_XML:LectureFichierXMLRequete_Pub_02_Pro_01_ReadXML";
inline constexpr const char* LectureSecteurs = "Lib_XML:LectureFichierXMLRequete_Pub_03_Sec_01_ReadXML";
inline constexpr const char* LectureCommerciaux = "Lib_XML:LectureFichierXMLRequete_Pub_04_Com_01_ReadXML";
inline constexpr const char* LectureCanevas = "Lib_XML:LectureFichierXMLRequete_Pub_05_Cnv_01_ReadXML";
}  // namespace Cle

// The header of the last list answer read.
extern EnteteReponse ReponseLectureXML;

// The reply records (their types are the field tables').
extern ReponseClientT ReponseClient;
extern ReponseProduitT ReponseProduit;
extern ReponseSecteurT ReponseSecteur;
extern ReponseCommercialT ReponseCommercial;
extern ReponseCanevasT ReponseCanevas;

// Err: set when the file is not a readable answer, holds an error answer (shown), or the reader
// failed half-way (an incident; the record then reset).
void LectureFichierXMLRequete_Pub_01_Clt_01_ReadXML(const QString& FileName, const QString& Detail, bool ToGrid,
                                                    bool ToRecord, bool& Err);
void LectureFichierXMLRequete_Pub_02_Pro_01_ReadXML(const QString& FileName, const QString& Detail, bool ToGrid,
                                                    bool ToRecord, bool& Err);
void LectureFichierXMLRequete_Pub_03_Sec_01_ReadXML(const QString& FileName, const QString& Detail, bool ToGrid,
                                                    bool ToRecord, bool& Err);
void LectureFichierXMLRequete_Pub_04_Com_01_ReadXML(const QString& FileName, const QString& Detail, bool ToGrid,
                                                    bool ToRecord, bool& Err);
void LectureFichierXMLRequete_Pub_05_Cnv_01_ReadXML(const QString& FileName, const QString& Detail, bool ToGrid,
                                                    bool ToRecord, bool& Err);

// The reader of a tab of the advertising page (1..5); false for any other tab (nothing read).
bool LectureListeOnglet(int onglet, const QString& FileName, bool ToGrid, bool ToRecord, bool& Err);
// The web id of the reply record of a tab (1..5) after a read with ToRecord.
int32_t IdWebReponseOnglet(int onglet);

// The status letter, background colour and label of a status text; false when the text is none
// of "0".."3" (exactly).
bool StatutListeWeb(const QString& texte, QString& lettre, qint32& couleur, QString& libelle);

// Tests: the records and header cleared.
void ReinitialiserLecteursListes();
