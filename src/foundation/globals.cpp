#include "foundation/globals.h"

bool bFermetureEnCours = false;
bool bFrmSetupChargee = false;
bool bTraceLogDebug = false;
bool bTraceDebugEcran = false;

int16_t NbZones = 0;
QString CheminLog;

QString DossierApplication;
int16_t NoInstance = 0;
QString LigneCommande;
QString FormatDate = QStringLiteral("dd/MM/yyyy");
QString FormatHeure = QStringLiteral("HH:MM:SS");
int16_t NoBaseCourante = 0;
std::array<int32_t, 20> StationCourante{};
float FacteurEchelle = 0.0f;

ErreurInfo DerniereErreur;
