#include "shell/note_window.h"

#include "foundation/conversions.h"
#include "foundation/file_ops.h"
#include "foundation/globals.h"
#include "foundation/proc.h"
#include "foundation/settings_access.h"
#include "foundation/settings_locations.h"
#include "platform/dialogs.h"
#include "platform/paths.h"
#include "shell/main_window.h"
#include "shell/rtf.h"
#include "shell/startup.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QPointer<FrmNote> g_note;

const QStringList kTailles = {QStringLiteral("8"),  QStringLiteral("9"),  QStringLiteral("10"), QStringLiteral("12"),
                              QStringLiteral("14"), QStringLiteral("16"), QStringLiteral("18"), QStringLiteral("20"),
                              QStringLiteral("22"), QStringLiteral("24"), QStringLiteral("26"), QStringLiteral("28"),
                              QStringLiteral("36"), QStringLiteral("48"), QStringLiteral("72")};
constexpr int kIndexTailleInitiale = 12;  // "36"

// Every byte written and on the disk before the rename; "" when done, else the reason.
QString EcrireParRemplacement(const QString& cible, const QByteArray& contenu) {
    const QByteArray nom = QFile::encodeName(cible);
    const QByteArray temp = nom + ".tmp" + QByteArray::number(::getpid());
    struct stat ancien {};
    const bool existe = ::stat(nom.constData(), &ancien) == 0;
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return QString::fromLocal8Bit(std::strerror(errno));
    int erreur = 0;
    qint64 ecrit = 0;
    while (ecrit < contenu.size()) {
        const ssize_t n = ::write(fd, contenu.constData() + ecrit, size_t(contenu.size() - ecrit));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            erreur = n < 0 ? errno : EIO;
            break;
        }
        ecrit += n;
    }
    if (!erreur && existe) (void)::fchmod(fd, ancien.st_mode & 07777);
    if (!erreur && ::fsync(fd) != 0) erreur = errno;
    if (::close(fd) != 0 && !erreur) erreur = errno;
    if (!erreur && ::rename(temp.constData(), nom.constData()) != 0) erreur = errno;
    if (erreur) {
        ::unlink(temp.constData());
        return QString::fromLocal8Bit(std::strerror(erreur));
    }
    return QString();
}

QString fichierPositions() { return NomFichierSettings(QStringLiteral("_Positions"), QStringLiteral(".Ini")); }

QPushButton* boutonMenu(const char* nom, const QString& texte, QMenu*& menu, const char* nomMenu) {
    auto* b = new QPushButton(texte);
    b->setObjectName(QString::fromLatin1(nom));
    menu = new QMenu(b);
    menu->setObjectName(QString::fromLatin1(nomMenu));
    // A click opens the menu under the button's left edge.
    b->setMenu(menu);
    return b;
}

}  // namespace

FrmNote::FrmNote() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("FrmNote"));
    setWindowTitle(QStringLiteral("Note"));
    setAttribute(Qt::WA_DeleteOnClose);

    PushButtonCouleur = boutonMenu("PushButtonCouleur", QStringLiteral("Couleur"), MnuCouleurMain, "MnuCouleurMain");
    PushButtonMiseEnForme =
        boutonMenu("PushButtonMiseEnForme", QStringLiteral("Mise en forme"), MnuMiseEnFormeMain, "MnuMiseEnFormeMain");
    PushButtonStyle = boutonMenu("PushButtonStyle", QStringLiteral("Style"), MnuStyleMain, "MnuStyleMain");
    const QStringList couleurs = {QStringLiteral("Noir"), QStringLiteral("Rouge"), QStringLiteral("Bleu")};
    for (int k = 0; k < 3; ++k) {
        MnuCouleur[size_t(k)] = MnuCouleurMain->addAction(couleurs[k]);
        MnuCouleur[size_t(k)]->setObjectName(QStringLiteral("MnuCouleur"));
        connect(MnuCouleur[size_t(k)], &QAction::triggered, this, [this, k] { MnuCouleur_Click(k); });
    }
    const QStringList formes = {QStringLiteral("Aligné à gauche"), QStringLiteral("Centré"),
                                QStringLiteral("Aligné à droite")};
    for (int k = 0; k < 3; ++k) {
        MnuMiseEnForme[size_t(k)] = MnuMiseEnFormeMain->addAction(formes[k]);
        MnuMiseEnForme[size_t(k)]->setObjectName(QStringLiteral("MnuMiseEnForme"));
        connect(MnuMiseEnForme[size_t(k)], &QAction::triggered, this, [this, k] { MnuMiseEnForme_Click(k); });
    }
    const QStringList styles = {QStringLiteral("Gras"), QStringLiteral("Italique"), QStringLiteral("Souligné"),
                                QStringLiteral("Barré")};
    for (int k = 0; k < 4; ++k) {
        MnuStyle[size_t(k)] = MnuStyleMain->addAction(styles[k]);
        MnuStyle[size_t(k)]->setObjectName(QStringLiteral("MnuStyle"));
        connect(MnuStyle[size_t(k)], &QAction::triggered, this, [this, k] { MnuStyle_Click(k); });
    }

    Label = new QLabel(QStringLiteral("Taille"));
    Label->setObjectName(QStringLiteral("Label"));
    ComboFontSize = new QComboBox;
    ComboFontSize->setObjectName(QStringLiteral("ComboFontSize"));
    ComboFontSize->setMinimumWidth(57);

    RTFData = new QTextEdit;
    RTFData->setObjectName(QStringLiteral("RTFData"));
    RTFData->setAcceptRichText(true);
    QFont arial(QStringLiteral("Arial"));
    RTFData->setFont(arial);
    RTFData->document()->setDefaultFont(arial);

    CommandFermer[0] = new QPushButton(QStringLiteral("Enregistrer"));
    CommandFermer[0]->setObjectName(QStringLiteral("CommandFermer0"));
    CommandFermer[1] = new QPushButton(QStringLiteral("Fermer"));
    CommandFermer[1]->setObjectName(QStringLiteral("CommandFermer1"));
    LabelFichierRTF = new QLabel(this);
    LabelFichierRTF->setObjectName(QStringLiteral("LabelFichierRTF"));
    LabelFichierRTF->hide();
    LabelArtisteId = new QLabel(this);
    LabelArtisteId->setObjectName(QStringLiteral("LabelArtisteId"));
    LabelArtisteId->hide();
    LabelMorceauId = new QLabel(this);
    LabelMorceauId->setObjectName(QStringLiteral("LabelMorceauId"));
    LabelMorceauId->hide();

    auto* haut = new QHBoxLayout;
    haut->addWidget(PushButtonCouleur);
    haut->addWidget(PushButtonMiseEnForme);
    haut->addWidget(PushButtonStyle);
    haut->addSpacing(6);
    haut->addWidget(Label);
    haut->addWidget(ComboFontSize);
    haut->addStretch(1);
    auto* bas = new QHBoxLayout;
    bas->addStretch(1);
    bas->addWidget(CommandFermer[1]);
    bas->addWidget(CommandFermer[0]);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(4, 4, 4, 4);
    // The stored size is the user's: the layout must not raise it to what its controls would like.
    v->setSizeConstraint(QLayout::SetNoConstraint);
    v->addLayout(haut);
    v->addWidget(RTFData, 1);
    v->addLayout(bas);

    connect(ComboFontSize, &QComboBox::activated, this, [this] { ComboFontSize_Click(); });
    connect(CommandFermer[0], &QPushButton::clicked, this, [this] { CommandFermer_Click(0); });
    connect(CommandFermer[1], &QPushButton::clicked, this, [this] { CommandFermer_Click(1); });
    connect(RTFData, &QTextEdit::textChanged, this, [this] { bNoteModifiee = true; });
    Form_Load();
}

void FrmNote::Form_Load() {
    Proc p(Cle::FrmNote_Form_Load, Trace::None);
    p(10, [&] {
        const QString F = fichierPositions();
        const QString nom = objectName();
        // The stored size is taken as it is, whatever today's screens (it may have been set across
        // two of them); only a side no window can have (a damaged file, a text that is no
        // number) is taken as missing: the default size.
        const auto lire = [&](const char* cle, double defaut) {
            const std::optional<int> px = PixelsDeTwips(NombreEnTete(
                LectureIni(F, QStringLiteral("FrmPos"), nom + QString::fromLatin1(cle), QString::number(defaut))));
            return px && *px >= 1 ? *px : *PixelsDeTwips(defaut);
        };
        resize(lire("_Width", 7365), lire("_Height", 5850));
    });
    p(20, [&] { PositionFeuille(this, QString()); });
    p(30, [&] {
        ComboFontSize->clear();
        ComboFontSize->addItems(kTailles);
    });
    p(40, [&] {
        ComboFontSize->setCurrentIndex(kIndexTailleInitiale);
        ComboFontSize_Click();
    });
    bNoteModifiee = false;
}

void FrmNote::Form_Unload() {
    Proc p(Cle::FrmNote_Form_Unload, Trace::None);
    decharge_ = true;
    p(10, [&] { PositionFeuilleSauvegarde(this, QString()); });
    p(20, [&] {
        const QString F = fichierPositions();
        EcritureIni(F, QStringLiteral("FrmPos"), objectName() + QStringLiteral("_Width"),
                    QString::number(qint64(width()) * TwipsParPixel));
        EcritureIni(F, QStringLiteral("FrmPos"), objectName() + QStringLiteral("_Height"),
                    QString::number(qint64(height()) * TwipsParPixel));
    });
}

void FrmNote::closeEvent(QCloseEvent* e) {
    // The close box neither asks nor saves.
    if (!decharge_) Form_Unload();
    QWidget::closeEvent(e);
}

void FrmNote::InitGeneral() {
    Proc p(Cle::FrmNote_InitGeneral);
    bNoteModifiee = false;
}

void FrmNote::retourFocus() {
    if (isVisible() && RTFData->isEnabled()) RTFData->setFocus();
}

void FrmNote::ComboFontSize_Click() {
    Proc p(Cle::FrmNote_ComboFontSize_Click);
    p(10, [&] {
        const double taille = NombreEnTete(ComboFontSize->currentText());
        if (taille <= 0 || !std::isfinite(taille)) return;
        QTextCharFormat f;
        f.setFontPointSize(taille);
        QTextCursor c = RTFData->textCursor();
        if (c.hasSelection()) {
            c.mergeCharFormat(f);
        } else {
            // The whole note, and what is typed next.
            QFont defaut = RTFData->document()->defaultFont();
            defaut.setPointSizeF(taille);
            RTFData->document()->setDefaultFont(defaut);
            QTextCursor tout(RTFData->document());
            tout.select(QTextCursor::Document);
            tout.mergeCharFormat(f);
            RTFData->mergeCurrentCharFormat(f);
        }
    });
    retourFocus();
}

void FrmNote::MnuCouleur_Click(int Index) {
    Proc p(Cle::FrmNote_MnuCouleur_Click);
    p(10, [&] {
        static const QColor couleurs[3] = {QColor(0, 0, 0), QColor(255, 0, 0), QColor(0, 0, 255)};
        if (Index < 0 || Index > 2) return;
        RTFData->setTextColor(couleurs[Index]);
    });
    retourFocus();
}

void FrmNote::MnuMiseEnForme_Click(int Index) {
    Proc p(Cle::FrmNote_MnuMiseEnForme_Click);
    p(10, [&] {
        static const Qt::Alignment alignements[3] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
        if (Index < 0 || Index > 2) return;
        RTFData->setAlignment(alignements[Index]);
    });
    retourFocus();
}

void FrmNote::MnuStyle_Click(int Index) {
    Proc p(Cle::FrmNote_MnuStyle_Click);
    p(10, [&] {
        // Each command sets its attribute to the opposite of what the selection shows.
        const QTextCharFormat actuel = RTFData->textCursor().charFormat();
        QTextCharFormat f;
        switch (Index) {
            case 0:
                f.setFontWeight(actuel.fontWeight() >= QFont::DemiBold ? QFont::Normal : QFont::Bold);
                break;
            case 1:
                f.setFontItalic(!actuel.fontItalic());
                break;
            case 2:
                f.setFontUnderline(!actuel.fontUnderline());
                break;
            case 3:
                f.setFontStrikeOut(!actuel.fontStrikeOut());
                break;
            default:
                return;
        }
        RTFData->mergeCurrentCharFormat(f);
    });
    retourFocus();
}

bool FrmNote::Enregistrer() {
    Proc p(Cle::FrmNote_CommandFermer_Click, Trace::None);
    const QString chemin = LabelFichierRTF->text();
    const bool sansChemin = TrimBlancs(chemin).isEmpty();
    QString echec;
    if (RTFData->document()->toPlainText().isEmpty()) {
        p(10, [&] {
            if (sansChemin || !File_Exist(chemin, QString::fromLatin1(Cle::FrmNote_CommandFermer_Click))) return;
            if (!File_Delete(chemin, 0)) echec = QStringLiteral("Le fichier ne peut pas être supprimé.");
        });
    } else if (!sansChemin) {
        p(20, [&] {
            // Written beside the note and renamed over it: the old note stays whole until the new one is.
            QByteArray contenu = EcrireRtf(*RTFData->document());
            contenu += "\r\n";
            const QString reel = CheminReel(chemin);
            QDir().mkpath(QFileInfo(reel).absolutePath());  // a note's first save creates its folder
            echec = EcrireParRemplacement(reel, contenu);
        });
    } else {
        return false;  // text but nowhere to keep it: the mark stays
    }
    if (p.failed() && echec.isEmpty()) echec = DerniereErreur.Description;
    if (!echec.isEmpty()) {
        MsgBox(QStringLiteral("Le Bloc-Note n'a pas pu être enregistré dans le fichier:\r\n") + chemin +
                   QStringLiteral("\r\n\r\n") + echec,
               Mb::OKOnly | Mb::Exclamation, windowTitle());
        return false;
    }
    bNoteModifiee = false;
    return true;
}

void FrmNote::CommandFermer_Click(int Index) {
    Proc p(Cle::FrmNote_CommandFermer_Click);
    if (Index == 0) {
        Enregistrer();
        return;
    }
    if (Index != 1 || !bNoteModifiee) return;
    int reponse = Mb::Cancel;
    p(10, [&] {
        reponse = MsgBox(QStringLiteral("Voulez-vous enregistrer le Bloc-Note ?"), Mb::YesNoCancel | Mb::Question,
                         windowTitle());
    });
    if (reponse == Mb::Yes) {
        // A note that could not be saved stays open with its changes.
        if (!Enregistrer()) return;
        close();
    } else if (reponse == Mb::No) {
        close();
    }
}

FrmNote* FrmNoteChargee() { return g_note; }

// --- Frm_Main ---------------------------------------------------------------------------------------

void Frm_Main::AfficherNote(const QString& Titre, const QString& Fichier, bool OuvrirMemeSiPasDeFichier,
                            const QString& ArtisteId, const QString& MorceauId) {
    Proc p(Cle::AfficherNote);
    if (TrimBlancs(Fichier).isEmpty()) return;
    const QString cle = QString::fromLatin1(Cle::AfficherNote);
    if (!File_Exist(Fichier, cle) && !OuvrirMemeSiPasDeFichier) return;
    if (!g_note) {
        g_note = new FrmNote;
        PosseeParFrmMain(g_note);
    }
    FrmNote* note = g_note;
    p(10, [&] { note->setWindowTitle(Titre); });
    p(20, [&] {
        note->LabelArtisteId->setText(ArtisteId);
        note->LabelMorceauId->setText(MorceauId);
        note->LabelFichierRTF->setText(Fichier);
    });
    p(30, [&] {
        if (!File_Exist(Fichier, cle)) {
            note->RTFData->clear();
            return;
        }
        QFile f(CheminReel(Fichier));
        if (!f.open(QIODevice::ReadOnly)) Raise(75, QStringLiteral("Erreur d'accès au chemin/fichier: ") + Fichier);
        const QByteArray contenu = f.readAll();
        if (f.error() != QFileDevice::NoError) Raise(57, QStringLiteral("Erreur d'entrée/sortie: ") + Fichier);
        LireRtf(contenu, *note->RTFData->document());
    });
    p(40, [&] { note->InitGeneral(); });
    p(50, [&] {
        note->show();
        note->raise();
        note->activateWindow();
    });
}
