#include "shell/about_window.h"

#include "foundation/file_ops.h"
#include "foundation/proc.h"
#include "foundation/shell_link.h"
#include "foundation/system_info.h"
#include "platform/external_programs.h"
#include "foundation/globals.h"
#include "platform/cp1252.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "shell/look.h"
#include "shell/main_window.h"

#include <QDate>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPointer<FrmAbout> g_about;

// The registry's read buffer: the value and its end mark.
constexpr int kTailleTampon = 1024;

QFrame* separateur() {
    auto* f = new QFrame;
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

}  // namespace

bool GetKeyValue(int32_t KeyRoot, const QString& KeyName, const QString& SubKeyRef, QString& KeyVal) {
    ValeurRegistre v;
    const Registre reg(Registre::dossierParDefaut(DossierApplication));
    if (KeyName.isEmpty() || reg.lireValeur(KeyRoot, KeyName, SubKeyRef, v) != RegErr::Ok ||
        v.data.size() > kTailleTampon) {
        KeyVal.clear();
        return false;
    }
    if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) {
        QByteArray b = v.data;
        if (b.endsWith('\0')) b.chop(1);
        KeyVal = FromCp1252(b);
    } else if (v.type == REG_DWORD && v.data.size() <= 4) {
        uint32_t n = 0;
        for (int i = 0; i < v.data.size(); ++i) n |= uint32_t(uchar(v.data[i])) << (8 * i);
        KeyVal = QString::number(int32_t(n));
    }
    return true;
}

FrmAbout::FrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FrmAbout"));
    setWindowTitle(QStringLiteral("À propos de Ondrune Tools Kirvo"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    picIcon = new QLabel;
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(IconeProgramme().pixmap(48, 48));
    lblTitle = new QLabel(QStringLiteral("Ondrune Tools Kirvo"));
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont grand = lblTitle->font();
    grand.setPointSizeF(grand.pointSizeF() * 1.5);
    grand.setBold(true);
    lblTitle->setFont(grand);
    lblVersion = new QLabel(QStringLiteral("Version"));
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    Label1 =
        new QLabel(QStringLiteral("Synchronisation des données publicitaires de la station avec le service Web, "
                                  "calcul du remplissage et recherche dans la base locale."));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    LabelCopyRight = new QLabel;
    LabelCopyRight->setObjectName(QStringLiteral("LabelCopyRight"));
    lblDisclaimer =
        new QLabel(QStringLiteral("Avertissement : ce programme est protégé par les lois relatives au droit "
                                  "d'auteur. Toute reproduction ou distribution non autorisée est interdite."));
    lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    lblDisclaimer->setWordWrap(true);
    cmdOK = new QPushButton(QStringLiteral("OK"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&Infos système..."));
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));

    auto* haut = new QGridLayout;
    haut->addWidget(picIcon, 0, 0, 3, 1, Qt::AlignTop);
    haut->addWidget(lblTitle, 0, 1);
    haut->addWidget(lblVersion, 1, 1);
    haut->addWidget(Label1, 2, 1);
    haut->setColumnStretch(1, 1);
    auto* boutons = new QVBoxLayout;
    boutons->addWidget(cmdOK);
    boutons->addWidget(cmdSysInfo);
    boutons->addStretch(1);
    auto* bas = new QHBoxLayout;
    bas->addWidget(lblDisclaimer, 1);
    bas->addLayout(boutons);
    auto* v = new QVBoxLayout(this);
    v->addLayout(haut);
    v->addWidget(separateur());
    v->addWidget(LabelCopyRight);
    v->addWidget(separateur());
    v->addLayout(bas);
    setMinimumWidth(440);

    connect(cmdOK, &QPushButton::clicked, this, &FrmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &FrmAbout::cmdSysInfo_Click);
    Form_Load();
}

void FrmAbout::Form_Load() {
    Proc p(Cle::FrmAbout_Form_Load, Trace::None);
    p(10, [&] { LookFenetre(this); });
    p(20, [&] { lblVersion->setText(QStringLiteral("Version ") + VersionApplication()); });
    p(30, [&] {
        LabelCopyRight->setText(QStringLiteral("Copyright © Tessival 2007-") +
                                QString::number(QDate::currentDate().year()) +
                                QStringLiteral(". Tous droits réservés."));
    });
}

void FrmAbout::cmdOK_Click() { close(); }

void FrmAbout::cmdSysInfo_Click() { StartSysInfo(); }

void FrmAbout::StartSysInfo() {
    Proc p(Cle::StartSysInfo, Trace::None);
    QString chemin;
    bool trouve = false;
    p(10, [&] {
        // A blank value names nothing that could start: it counts as missing.
        if (GetKeyValue(HKEY_LOCAL_MACHINE, QString::fromLatin1(CleSysInfoChemin), QStringLiteral("PATH"), chemin) &&
            !chemin.trimmed().isEmpty()) {
            trouve = true;
            return;
        }
        QString dossier;
        if (!GetKeyValue(HKEY_LOCAL_MACHINE, QString::fromLatin1(CleSysInfoDossier), QStringLiteral("MSINFO"),
                         dossier) ||
            dossier.trimmed().isEmpty())
            return;
        const QString fichier = dossier + QLatin1Char('/') + QString::fromLatin1(ProgrammeSysInfo);
        if (File_Exist(fichier, QString::fromLatin1(Cle::StartSysInfo))) {
            chemin = CheminReel(fichier);
            trouve = true;
        }
    });
    bool demarre = false;
    if (trouve) {
        p(20, [&] { demarre = Lanceur().startProgram(chemin, {}, QString()) > 32; });
    }
    if (!demarre) MsgBox(QString::fromUtf8(MessageSysInfoAbsente), Mb::OKOnly | Mb::Information, CaptionFrmMain());
}

FrmAbout* AfficherFrmAbout() {
    if (!g_about) g_about = new FrmAbout(FrmMain());
    g_about->show();
    g_about->raise();
    g_about->activateWindow();
    return g_about;
}

FrmAbout* FrmAboutChargee() { return g_about; }
