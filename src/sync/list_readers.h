#pragma once
// Lib_XML: turning a web list answer (GetBySynchroWeb, GetByIdWeb) into the entity's grid, its
// reply record, or both. The five entities share one reader, fed with a description of the entity
// (its item tag and, per field tag, a grid column and/or a record member).
//
// Both targets are cleared before the answer is even opened: whatever goes wrong afterwards, the
// caller never sees a previous list. In the grid every item becomes a new row and every field tag
// the description knows fills its column; tags are matched whatever their case and the rest is
// ignored, so an answer with extra fields still reads. The record, on the other hand, is written
// item after item and so ends up with the latest value of each field. The status text is shown
// as a one-letter code on its colour with a label beside it (StatutListeWeb): 2 "C" Créé,
// 3 "M" Modifié, 0 "S" Supprimé, 1 "O" Synchronisé; an unexpected status is shown as received.
//
// Grid columns (ListeWeb), column c of a row:
//   clients      1 CltIdQD 2 CltIdWeb 3 CltNom 4 CltAdresse 5 CltAdresseSuite 6 CltCodePostal
//                7 CltVille 8 CltContact 9 CltContactTel1 10 CltContactTel2 11 CltContactEmail
//                12 status letter 13 status label
//   products     1 PdtIdQD 2 PdtIdWeb 3 PdtLibelle 4 PdtNature 5 PdtFamille 6 PdtClasse
//                7 PdtSecteur 8 PdtVariete 9 PdtNomenclatureLib 10 letter 11 label
//   sectors      1 SecIdQD 2 SecIdWeb 3 SecLibelle 4 letter 5 label
//   salespeople  1 CmlIdQD 2 CmlIdWeb 3 CmlUserId 4 CmlUserPassword 5 CmlNom 6 CmlPrenom
//                7 CmlTel1 8 CmlTel2 9 CmlEmail 10 letter 11 label
//   canvases     the sector element names ("SecteurActiviteBO"), the sector columns
#include <QString>
#include <cstdint>

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

struct ReponseClientT {
    int32_t CltIdWeb = 0;
    QString CltIdQD, CltNom, CltAdresse, CltAdresseSuite, CltCodePostal, CltVille, CltContact, CltContactTel1,
        CltContactTel2, CltContactEmail, CltSynchroWeb;
};
struct ReponseProduitT {
    int32_t PdtIdWeb = 0;
    QString PdtIdQD, PdtLibelle, PdtNature, PdtFamille, PdtClasse, PdtSecteur, PdtVariete, PdtNomenclatureLib,
        PdtSynchroWeb;
};
struct ReponseSecteurT {
    int32_t SecIdWeb = 0;
    QString SecIdQD, SecLibelle, SecSynchroWeb;
};
struct ReponseCommercialT {
    int32_t CmlIdWeb = 0;
    QString CmlIdQD, CmlUserId, CmlUserPassword, CmlNom, CmlPrenom, CmlTel1, CmlTel2, CmlEmail, CmlSynchroWeb;
};
struct ReponseCanevasT {
    int32_t TmpIdWeb = 0;   // from SecIdWeb
    QString TmpIdQD, TmpLibelle, TmpSynchroWeb;
};
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
