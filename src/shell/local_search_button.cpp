#include "shell/local_search_button.h"

#include "fill/local_search.h"
#include "shell/main_window.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>

void InstallerRechercheLocale(Frm_Main& frm) {
    const QPointer<Frm_Main> f(&frm);
    LiensRechercheLocale& l = LiensRechercheDansLaBase();
    const auto onglet = [f](QTabWidget* Frm_Main::*strip) {
        return [f, strip]() { return f && f->*strip ? (f->*strip)->currentIndex() : -1; };
    };
    l.ongletPrincipal = onglet(&Frm_Main::SftTabsMain);
    l.ongletMusique = onglet(&Frm_Main::SftTabsMusique);
    l.ongletPublicite = onglet(&Frm_Main::SftTabsPublicite);
    l.indexListe = [f](int i) {
        if (!f || i < 0 || i >= int(f->ComboRecherche.size()) || !f->ComboRecherche[size_t(i)]) return -1;
        return f->ComboRecherche[size_t(i)]->currentIndex();
    };
    l.texte = [f]() { return f && f->TexteRecherche ? f->TexteRecherche->text() : QString(); };
    l.legendeBouton = [f](const QString& t) {
        if (f && f->CommandLocalRecherche) f->CommandLocalRecherche->setText(t);
    };
    l.activerBouton = [f](bool on) {
        if (f && f->CommandLocalRecherche) f->CommandLocalRecherche->setEnabled(on);
    };
    l.activerBoutonWeb = [f](bool on) {
        if (f && f->CommandWebRecherche) f->CommandWebRecherche->setEnabled(on);
    };
    if (frm.CommandLocalRecherche)
        QObject::connect(frm.CommandLocalRecherche, &QPushButton::clicked, &frm, [] { RechercherDansLaBase(); });
}
