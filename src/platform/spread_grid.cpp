#include "platform/spread_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QScrollBar>
#include <QSet>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <cmath>
#include <unordered_map>

namespace {

constexpr double kLargeurDefaut = 8;  // width of a column never given one

// The grid lines' colour, carried by the view and drawn by its style. A style sheet of its own
// would make each grid restyle itself and its children, which start-up pays for every grid.
constexpr const char* kCouleurGrille = "couleurGrille";

class StyleGrille : public QProxyStyle {
public:
    explicit StyleGrille(QObject* parent) : QProxyStyle(QString()) { setParent(parent); }
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* retour) const override {
        if (hint == SH_Table_GridLineColor && widget) {
            const QColor c = widget->property(kCouleurGrille).value<QColor>();
            if (c.isValid()) return int(c.rgba());
        }
        return QProxyStyle::styleHint(hint, option, widget, retour);
    }
};

// One for every grid, kept as long as the application.
QStyle* styleGrille() {
    static QPointer<StyleGrille> style;
    if (!style) style = new StyleGrille(QCoreApplication::instance());
    return style;
}

// Header row 0..2 of a row address, -1 when the address is not a header row.
int ligneEntete(int r) {
    if (r == 0 || r == Spread::HeaderRow1) return 0;
    if (r == Spread::HeaderRow2) return 1;
    if (r == Spread::HeaderRow3) return 2;
    return -1;
}

bool estNombre(const QString& t, double& v) {
    bool ok = false;
    QString s = t.trimmed();
    s.replace(QLatin1Char(','), QLatin1Char('.'));
    v = s.toDouble(&ok);
    return ok && !s.isEmpty();
}

// A row's sort key: its cell's text and, read once per row rather than per comparison, its number.
struct CleTri {
    QString texte;
    bool nombre = false;
    double valeur = 0;
};

CleTri cleTri(const QString& t) {
    CleTri k{t};
    k.nombre = estNombre(t, k.valeur);
    return k;
}

// The ordering of a sort: blanks, then numbers by value, then texts without regard to case.
int comparerCles(const CleTri& a, const CleTri& b) {
    // Blank cells first, then numbers, then texts.
    if (a.texte.isEmpty() || b.texte.isEmpty())
        return a.texte.isEmpty() == b.texte.isEmpty() ? 0 : (a.texte.isEmpty() ? -1 : 1);
    if (a.nombre && b.nombre) return a.valeur < b.valeur ? -1 : (a.valeur > b.valeur ? 1 : 0);
    if (a.nombre != b.nombre) return a.nombre ? -1 : 1;
    return QString::compare(a.texte, b.texte, Qt::CaseInsensitive);
}

// Merged block of a cell of sheet f. Header rows are 0..2 in hr (r ignored), data rows use r.
struct Fusion {
    const SpreadStore& st;
    const SpreadStore::Sheet& f;

    const QString& entete(int c, int h) const { return f.cols[size_t(c - 1)].header[size_t(h)]; }
    quint32 idTexte(int c, int r) const {
        const auto& col = f.cols[size_t(c - 1)];
        return col.text.empty() ? 0 : col.text[size_t(r - 1)];
    }
    int nbCols() const { return int(f.cols.size()); }

    // Horizontal run of header row h through column c: [a, b].
    void runEnteteH(int c, int h, int& a, int& b) const {
        a = b = c;
        if (!f.headerMerge[size_t(h)] || entete(c, h).isEmpty()) return;
        while (a > 1 && entete(a - 1, h) == entete(c, h)) --a;
        while (b < nbCols() && entete(b + 1, h) == entete(c, h)) ++b;
    }
    bool dansRunEnteteH(int c, int h) const {
        int a, b;
        runEnteteH(c, h, a, b);
        return b > a;
    }
    SpreadGrid::Bloc blocEntete(int c, int h) const {
        SpreadGrid::Bloc bl{c, h, 1, 1};
        if (c < 1 || c > nbCols() || h < 0 || h >= f.headerRows) return bl;
        int a, b;
        runEnteteH(c, h, a, b);
        if (b > a) return {a, h, b - a + 1, 1};
        const auto& col = f.cols[size_t(c - 1)];
        if (!col.merge || entete(c, h).isEmpty()) return bl;
        int u = h, v = h;
        while (u > 0 && entete(c, u - 1) == entete(c, h) && !dansRunEnteteH(c, u - 1)) --u;
        while (v + 1 < f.headerRows && entete(c, v + 1) == entete(c, h) && !dansRunEnteteH(c, v + 1)) ++v;
        return {c, u, 1, v - u + 1};
    }

    bool fusionLigne(int r) const { return !f.rowFlags.empty() && (f.rowFlags[size_t(r - 1)] & SpreadStore::RowMerge); }
    void runDonneesH(int c, int r, int& a, int& b) const {
        a = b = c;
        const quint32 id = idTexte(c, r);
        if (!fusionLigne(r) || id == 0) return;
        while (a > 1 && idTexte(a - 1, r) == id) --a;
        while (b < nbCols() && idTexte(b + 1, r) == id) ++b;
    }
    bool dansRunDonneesH(int c, int r) const {
        if (!fusionLigne(r)) return false;
        int a, b;
        runDonneesH(c, r, a, b);
        return b > a;
    }
    SpreadGrid::Bloc blocDonnees(int c, int r) const {
        SpreadGrid::Bloc bl{c, r, 1, 1};
        if (c < 1 || c > nbCols() || r < 1 || r > f.rows) return bl;
        int a, b;
        runDonneesH(c, r, a, b);
        if (b > a) return {a, r, b - a + 1, 1};
        const quint32 id = idTexte(c, r);
        if (!f.cols[size_t(c - 1)].merge || id == 0) return bl;
        int u = r, v = r;
        while (u > 1 && idTexte(c, u - 1) == id && !dansRunDonneesH(c, u - 1)) --u;
        while (v < f.rows && idTexte(c, v + 1) == id && !dansRunDonneesH(c, v + 1)) ++v;
        return {c, u, 1, v - u + 1};
    }
};

}  // namespace

// The column header: up to three rows, equal neighbours drawn as one cell.
class SpreadHeaderView : public QHeaderView {
public:
    SpreadHeaderView(SpreadGrid* grid) : QHeaderView(Qt::Horizontal), grid_(grid) {
        setSectionsClickable(true);
        setHighlightSections(false);
        setDefaultAlignment(Qt::AlignCenter);
    }
    int hauteurLigne() const { return fontMetrics().height() + 6; }
    int nbLignes() const {
        const auto& st = *grid_->store_;
        const int s = grid_->active_;
        if (s < 1 || s > int(st.sheets.size())) return 1;
        return std::clamp(st.sheets[size_t(s - 1)].headerRows, 1, 3);
    }
    QSize sizeHint() const override {
        QSize t = QHeaderView::sizeHint();
        t.setHeight(hauteurLigne() * nbLignes());
        return t;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(viewport());
        const auto& st = *grid_->store_;
        const int s = grid_->active_;
        if (s < 1 || s > int(st.sheets.size())) return;
        const auto& f = st.sheets[size_t(s - 1)];
        const Fusion fu{st, f};
        const int n = std::min(nbLignes(), f.headerRows);
        const int h = n > 0 ? viewport()->height() / n : viewport()->height();
        QSet<quint64> faits;
        const int premier = visualIndexAt(0), dernier = visualIndexAt(viewport()->width() - 1);
        const int fin = dernier < 0 ? count() - 1 : dernier;
        for (int ligne = 0; ligne < n; ++ligne) {
            for (int v = std::max(0, premier); v <= fin; ++v) {
                const int sec = logicalIndex(v);
                if (isSectionHidden(sec)) continue;
                const auto bl = fu.blocEntete(sec + 1, ligne);
                const quint64 cle = (quint64(bl.col) << 8) | quint64(bl.row);
                if (faits.contains(cle)) continue;
                faits.insert(cle);
                int x1 = INT_MAX, x2 = INT_MIN;
                for (int c = bl.col; c < bl.col + bl.cols; ++c) {
                    if (isSectionHidden(c - 1)) continue;
                    const int pos = sectionViewportPosition(c - 1);
                    x1 = std::min(x1, pos);
                    x2 = std::max(x2, pos + sectionSize(c - 1));
                }
                if (x2 <= x1) continue;
                QStyleOptionHeader opt;
                initStyleOption(&opt);
                opt.rect = QRect(x1, bl.row * h, x2 - x1,
                                 (bl.row + bl.rows == n ? viewport()->height() - bl.row * h : bl.rows * h));
                opt.position = QStyleOptionHeader::Middle;
                opt.section = bl.col - 1;
                style()->drawControl(QStyle::CE_HeaderSection, &opt, &p, this);
                if (x1 <= 0) {
                    // The style draws only the right edge: close the first cell off from the corner.
                    p.setPen(palette().color(QPalette::Mid));
                    p.drawLine(0, opt.rect.top(), 0, opt.rect.bottom());
                }
                // A caption wider than its cell goes on to a second line when the cell has room.
                p.setPen(palette().color(QPalette::ButtonText));
                p.drawText(opt.rect.adjusted(1, 0, -1, 0), Qt::AlignCenter | Qt::TextWordWrap,
                           f.cols[size_t(bl.col - 1)].header[size_t(bl.row)]);
            }
        }
    }

private:
    SpreadGrid* grid_;
};

// ---------------------------------------------------------------------------------------------

SpreadGrid::SpreadGrid(QWidget* parent) : QWidget(parent), store_(std::make_unique<SpreadStore>()) {
    model_ = new SpreadGridModel(*store_, this);
    view_ = new QTableView(this);
    view_->setStyle(styleGrille());
    header_ = new SpreadHeaderView(this);
    view_->setHorizontalHeader(header_);
    view_->setModel(model_);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setWordWrap(false);
    view_->setCornerButtonEnabled(false);
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setMinimumSectionSize(1);
    header_->setMinimumSectionSize(0);
    header_->setSectionResizeMode(QHeaderView::Interactive);
    view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    tabs_ = new QTabBar(this);
    tabs_->setShape(QTabBar::RoundedSouth);
    tabs_->setDrawBase(false);
    tabs_->setExpanding(false);
    tabs_->setVisible(false);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addWidget(view_, 1);
    lay->addWidget(tabs_, 0, Qt::AlignLeft);

    connect(tabs_, &QTabBar::currentChanged, this, [this](int i) {
        if (miseAJourTabs_ || i < 0) return;
        active_ = i + 1;
        refreshView();
    });
    connect(view_, &QTableView::clicked, this,
            [this](const QModelIndex& i) { Q_EMIT clicked(index_, i.column() + 1, i.row() + 1); });
    connect(view_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& i) { Q_EMIT doubleClicked(index_, i.column() + 1, i.row() + 1); });
    connect(header_, &QHeaderView::sectionClicked, this, [this](int s) { Q_EMIT clicked(index_, s + 1, 0); });
    connect(header_, &QHeaderView::sectionDoubleClicked, this,
            [this](int s) { Q_EMIT doubleClicked(index_, s + 1, 0); });
    connect(view_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (active_ < 1 || active_ > int(store_->sheets.size())) return;
        const int r = view_->rowAt(0);
        if (r >= 0) store_->sheets[size_t(active_ - 1)].topRow = r + 1;
    });
    refreshView();
}

SpreadGrid::~SpreadGrid() {
    // The view and its model read the storage: they go before it does.
    delete view_;
    delete model_;
}

void SpreadGrid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Q_EMIT resized();
}

SpreadStore::Sheet* SpreadGrid::feuille() const {
    if (sheet_ < 1 || sheet_ > int(store_->sheets.size())) return nullptr;
    return &store_->sheets[size_t(sheet_ - 1)];
}

SpreadStore::Column* SpreadGrid::colonneCourante() const {
    auto* f = feuille();
    if (!f || col_ < 1 || col_ > int(f->cols.size())) return nullptr;
    return &f->cols[size_t(col_ - 1)];
}

// --- painting ---

bool SpreadGrid::redraw() const { return redraw_; }

void SpreadGrid::setRedraw(bool on) {
    if (on == redraw_) return;
    redraw_ = on;
    view_->setUpdatesEnabled(on);
    const int niveau = attente_;
    attente_ = -1;
    if (on && niveau >= 0) changement(niveau);
}

void SpreadGrid::changement(int niveau) {
    if (!redraw_) {
        attente_ = std::max(attente_, niveau);
        return;
    }
    if (niveau >= Structure) {
        refreshView();
    } else if (niveau == Colonnes) {
        appliquerColonnes();
    } else if (sheet_ == active_) {
        calculerFusions();
        header_->viewport()->update();
        view_->viewport()->update();
    }
}

void SpreadGrid::celluleChangee(int c, int r) {
    if (!redraw_) {
        attente_ = std::max(attente_, int(Cellules));
        return;
    }
    if (sheet_ != active_) return;
    model_->celluleChangee(c, r);
    const auto* f = feuille();
    const bool fusion =
        f && ((c >= 1 && c <= int(f->cols.size()) && f->cols[size_t(c - 1)].merge) ||
              (r >= 1 && r <= f->rows && !f->rowFlags.empty() && (f->rowFlags[size_t(r - 1)] & SpreadStore::RowMerge)));
    if (fusion && !fusionsEnAttente_) {
        fusionsEnAttente_ = true;
        QTimer::singleShot(0, this, [this] {
            if (fusionsEnAttente_) calculerFusions();
        });
    }
}

void SpreadGrid::refreshView() {
    auto& st = *store_;
    active_ = std::clamp(active_, 1, int(st.sheets.size()));
    const auto& f = st.sheets[size_t(active_ - 1)];
    model_->setShownSheet(active_);
    model_->recharger();
    // Both ways: a row shown again while painting was off, or hidden on another sheet, shows.
    for (int r = 1; r <= f.rows; ++r) {
        const bool cachee = !f.rowFlags.empty() && (f.rowFlags[size_t(r - 1)] & SpreadStore::RowHidden);
        if (view_->isRowHidden(r - 1) != cachee) view_->setRowHidden(r - 1, cachee);
    }
    appliquerColonnes();
    calculerFusions();
    if (f.topRow > 1 && f.topRow <= f.rows)
        view_->scrollTo(model_->index(f.topRow - 1, 0), QAbstractItemView::PositionAtTop);
}

void SpreadGrid::appliquerColonnes() {
    auto& st = *store_;
    active_ = std::clamp(active_, 1, int(st.sheets.size()));
    // Sheet tabs, only when there is more than one sheet.
    miseAJourTabs_ = true;
    while (tabs_->count() > int(st.sheets.size())) tabs_->removeTab(tabs_->count() - 1);
    while (tabs_->count() < int(st.sheets.size())) tabs_->addTab(QString());
    for (int i = 0; i < tabs_->count(); ++i) {
        const QString& nom = st.sheets[size_t(i)].name;
        tabs_->setTabText(i, nom.isEmpty() ? QStringLiteral("Feuille %1").arg(i + 1) : nom);
    }
    tabs_->setCurrentIndex(active_ - 1);
    tabs_->setVisible(st.sheets.size() > 1);
    miseAJourTabs_ = false;

    const auto& f = st.sheets[size_t(active_ - 1)];
    if (model_->columnCount() != int(f.cols.size())) {
        refreshView();
        return;
    }
    for (int c = 1; c <= int(f.cols.size()); ++c) {
        const auto& col = f.cols[size_t(c - 1)];
        const int px = pixels(col.width < 0 ? kLargeurDefaut : col.width);
        if (header_->isSectionHidden(c - 1) != col.hidden) header_->setSectionHidden(c - 1, col.hidden);
        if (!col.hidden && header_->sectionSize(c - 1) != px) header_->resizeSection(c - 1, px);
    }
    auto* vh = view_->verticalHeader();
    // Rows as high as the sheet's font needs.
    QFont police = view_->font();
    if (!f.fontName.isEmpty()) police.setFamily(f.fontName);
    if (f.fontSize > 0) police.setPointSizeF(f.fontSize);
    const int hauteur = QFontMetrics(police).height() + 4;
    if (vh->defaultSectionSize() != hauteur) vh->setDefaultSectionSize(hauteur);
    if (f.rowHeaderWidth == 0) {
        vh->setVisible(false);
    } else {
        vh->setVisible(true);
        if (f.rowHeaderWidth > 0)
            vh->setFixedWidth(pixels(f.rowHeaderWidth));
        else
            vh->setMinimumWidth(0), vh->setMaximumWidth(QWIDGETSIZE_MAX);
    }
    if (st.gridColor >= 0) {
        const QColor couleur(st.gridColor & 0xFF, (st.gridColor >> 8) & 0xFF, (st.gridColor >> 16) & 0xFF);
        if (view_->property(kCouleurGrille).value<QColor>() != couleur) {
            view_->setProperty(kCouleurGrille, couleur);
            view_->viewport()->update();
        }
    }
    view_->setFrameShape(st.borderStyle == 0 ? QFrame::NoFrame : QFrame::StyledPanel);
    // A hidden grid is laid out when it is shown; laying it out now only costs (start-up sets
    // up every grid before the window appears).
    if (view_->isVisible()) view_->doItemsLayout();
    header_->viewport()->update();
    view_->viewport()->update();
}

void SpreadGrid::calculerFusions() {
    fusionsEnAttente_ = false;
    view_->clearSpans();
    const auto& st = *store_;
    const auto& f = st.sheets[size_t(active_ - 1)];
    const Fusion fu{st, f};
    bool lignes = false;
    for (auto fl : f.rowFlags) lignes |= (fl & SpreadStore::RowMerge) != 0;
    bool colonnes = false;
    for (const auto& c : f.cols) colonnes |= c.merge != 0;
    if (!lignes && !colonnes) return;
    for (int c = 1; c <= int(f.cols.size()); ++c) {
        if (!f.cols[size_t(c - 1)].merge && !lignes) continue;
        for (int r = 1; r <= f.rows;) {
            const auto bl = fu.blocDonnees(c, r);
            if (bl.col == c && bl.row == r && (bl.rows > 1 || bl.cols > 1))
                view_->setSpan(r - 1, c - 1, bl.rows, bl.cols);
            r = (bl.col == c && bl.cols == 1) ? bl.row + bl.rows : r + 1;
        }
    }
}

// --- sheets ---

int SpreadGrid::sheetCount() const { return int(store_->sheets.size()); }

void SpreadGrid::setSheetCount(int n) {
    n = std::clamp(n, 1, 32767);
    if (n == sheetCount()) return;
    store_->sheets.resize(size_t(n));
    sheet_ = std::min(sheet_, n);
    active_ = std::min(active_, n);
    store_->compacterTextes();
    changement(Structure);
}

int SpreadGrid::sheet() const { return sheet_; }
void SpreadGrid::setSheet(int s) {
    if (s >= 1 && s <= sheetCount()) sheet_ = s;
}
int SpreadGrid::activeSheet() const { return active_; }
void SpreadGrid::setActiveSheet(int s) {
    if (s < 1 || s > sheetCount() || s == active_) return;
    active_ = s;
    changement(Structure);
}

QString SpreadGrid::sheetName() const { return sheetName(sheet_); }
QString SpreadGrid::sheetName(int s) const {
    return (s >= 1 && s <= sheetCount()) ? store_->sheets[size_t(s - 1)].name : QString();
}
void SpreadGrid::setSheetName(const QString& name) {
    if (auto* f = feuille()) {
        f->name = name;
        changement(Colonnes);
    }
}
void SpreadGrid::setFontName(const QString& name) {
    if (auto* f = feuille()) {
        f->fontName = name;
        changement(Colonnes);
    }
}
void SpreadGrid::setFontSize(double points) {
    if (auto* f = feuille()) {
        f->fontSize = points;
        changement(Colonnes);
    }
}

// --- size ---

int SpreadGrid::maxRows() const { return feuille() ? feuille()->rows : 0; }
void SpreadGrid::setMaxRows(int n) {
    auto* f = feuille();
    if (!f || n < 0 || n == f->rows) return;
    const int avant = f->rows;
    // Rows added or dropped at the end of the shown sheet: the view follows without a reset, so
    // a list read row by row stays quick and keeps its scroll position.
    const bool suivi = redraw_ && sheet_ == active_ && n > 0 && model_->rowCount() == avant;
    if (suivi) n > avant ? model_->debutAjout(avant, n - 1) : model_->debutRetrait(n, avant - 1);
    store_->redimensionnerLignes(*f, n);
    if (n == 0 && store_->tailleTextes() > 4096) store_->compacterTextes();
    if (suivi) {
        n > avant ? model_->finAjout() : model_->finRetrait();
        calculerFusions();
    } else {
        changement(Structure);
    }
}

int SpreadGrid::maxCols() const { return feuille() ? int(feuille()->cols.size()) : 0; }
void SpreadGrid::setMaxCols(int n) {
    auto* f = feuille();
    if (!f || n < 0 || n == int(f->cols.size())) return;
    f->cols.resize(size_t(n));
    changement(Structure);
}

int SpreadGrid::dataRowCount() const {
    const auto* f = feuille();
    if (!f) return 0;
    int dernier = 0;
    for (const auto& c : f->cols)
        for (int r = int(c.text.size()); r > dernier; --r)
            if (c.text[size_t(r - 1)] != 0) {
                dernier = r;
                break;
            }
    return dernier;
}

// --- addressing ---

int SpreadGrid::col() const { return col_; }
void SpreadGrid::setCol(int c) { col_ = c; }
int SpreadGrid::row() const { return row_; }
void SpreadGrid::setRow(int r) { row_ = r; }

// --- current cell ---

QString SpreadGrid::text() const {
    const int h = ligneEntete(row_);
    if (h >= 0) return headerText(col_, h + 1);
    return textAt(col_, row_);
}

void SpreadGrid::setText(const QString& t) {
    auto* f = feuille();
    if (!f) return;
    const int h = ligneEntete(row_);
    if (h >= 0) {
        if (col_ == Spread::All)
            for (int c = 1; c <= int(f->cols.size()); ++c) f->cols[size_t(c - 1)].header[size_t(h)] = t;
        else
            setHeaderText(col_, h + 1, t);
        changement(Colonnes);
        return;
    }
    if (col_ != Spread::All && row_ != Spread::All) {
        setTextAt(col_, row_, t);
        return;
    }
    const int c1 = col_ == Spread::All ? 1 : col_, c2 = col_ == Spread::All ? int(f->cols.size()) : col_;
    const int r1 = row_ == Spread::All ? 1 : row_, r2 = row_ == Spread::All ? f->rows : row_;
    for (int c = c1; c <= c2; ++c)
        for (int r = r1; r <= r2; ++r) store_->ecrireTexte(sheet_, c, r, t);
    changement(Cellules);
}

void SpreadGrid::appliquerStyle(const SpreadStyle& valeur) {
    auto* f = feuille();
    if (!f || ligneEntete(row_) >= 0) return;
    auto& st = *store_;
    const quint8 champs = valeur.mask;
    auto poser = [&](quint32& id) { id = st.idStyle(st.style(id).merged(valeur)); };
    if (col_ == Spread::All && row_ == Spread::All) {
        poser(f->sheetStyle);
        for (auto& c : f->cols) {
            c.colStyle = st.idStyle(st.style(c.colStyle).without(champs));
            retirerChamps(c.style, champs);
        }
        retirerChamps(f->rowStyle, champs);
        changement(Cellules);
    } else if (col_ == Spread::All) {
        if (row_ < 1 || row_ > f->rows) return;
        if (f->rowStyle.empty()) f->rowStyle.assign(size_t(f->rows), 0);
        poser(f->rowStyle[size_t(row_ - 1)]);
        for (int c = 1; c <= int(f->cols.size()); ++c) {
            const quint32 id = st.styleCellule(sheet_, c, row_);
            if (id) st.poserStyleCellule(sheet_, c, row_, st.idStyle(st.style(id).without(champs)));
        }
        changement(Cellules);
    } else if (row_ == Spread::All) {
        auto* col = colonneCourante();
        if (!col) return;
        poser(col->colStyle);
        retirerChamps(col->style, champs);
        changement(Cellules);
    } else {
        if (!colonneCourante() || row_ < 1 || row_ > f->rows) return;
        quint32 id = st.styleCellule(sheet_, col_, row_);
        poser(id);
        st.poserStyleCellule(sheet_, col_, row_, id);
        celluleChangee(col_, row_);
    }
}

void SpreadGrid::retirerChamps(std::vector<quint32>& styles, quint8 champs) {
    std::unordered_map<quint32, quint32> vus;
    for (auto& id : styles) {
        if (id == 0) continue;
        auto it = vus.find(id);
        if (it == vus.end()) it = vus.emplace(id, store_->idStyle(store_->style(id).without(champs))).first;
        id = it->second;
    }
}

qint32 SpreadGrid::backColor() const { return backColorAt(col_, row_); }
void SpreadGrid::setBackColor(qint32 c) { appliquerStyle(SpreadStyle::un(SpreadStyle::Back, c)); }
qint32 SpreadGrid::foreColor() const { return foreColorAt(col_, row_); }
void SpreadGrid::setForeColor(qint32 c) { appliquerStyle(SpreadStyle::un(SpreadStyle::Fore, c)); }
bool SpreadGrid::fontBold() const { return boldAt(col_, row_); }
void SpreadGrid::setFontBold(bool b) { appliquerStyle(SpreadStyle::un(SpreadStyle::Bold, b)); }
int SpreadGrid::cellType() const { return cellTypeAt(col_, row_); }
void SpreadGrid::setCellType(int kind) { appliquerStyle(SpreadStyle::un(SpreadStyle::Kind, kind)); }
int SpreadGrid::typeDecimals() const { return store_->aspect(sheet_, col_, row_).decimals; }
void SpreadGrid::setTypeDecimals(int d) { appliquerStyle(SpreadStyle::un(SpreadStyle::Decimals, std::clamp(d, 0, 8))); }
void SpreadGrid::setTypeSeparator(bool thousands) {
    appliquerStyle(SpreadStyle::un(SpreadStyle::Separator, thousands));
}
int SpreadGrid::typeHAlign() const { return hAlignAt(col_, row_); }
void SpreadGrid::setTypeHAlign(int align) {
    appliquerStyle(SpreadStyle::un(SpreadStyle::Align, std::clamp(align, 0, 2)));
}

// --- cells by address ---

bool SpreadGrid::getText(int col, int row, QString& text) const {
    const auto* f = feuille();
    if (!f || col < 1 || col > int(f->cols.size()) || row < 1 || row > f->rows) {
        text.clear();
        return false;
    }
    text = textAt(col, row);
    return true;
}

QString SpreadGrid::textAt(int col, int row) const {
    const QString brut = store_->texteBrut(sheet_, col, row);
    if (brut.isEmpty()) return brut;
    const auto a = store_->aspect(sheet_, col, row);
    return SpreadTexteAffiche(brut, a.kind, a.decimals, a.separator);
}

void SpreadGrid::setTextAt(int col, int row, const QString& t) {
    const auto* f = feuille();
    if (!f || col < 1 || col > int(f->cols.size()) || row < 1 || row > f->rows) return;
    store_->ecrireTexte(sheet_, col, row, t);
    celluleChangee(col, row);
}

qint32 SpreadGrid::backColorAt(int col, int row) const { return store_->aspect(sheet_, col, row).back; }
qint32 SpreadGrid::foreColorAt(int col, int row) const { return store_->aspect(sheet_, col, row).fore; }
int SpreadGrid::cellTypeAt(int col, int row) const { return store_->aspect(sheet_, col, row).kind; }
int SpreadGrid::hAlignAt(int col, int row) const { return store_->aspect(sheet_, col, row).align; }
bool SpreadGrid::boldAt(int col, int row) const { return store_->aspect(sheet_, col, row).bold; }

void SpreadGrid::setBackColorRange(int c1, int r1, int c2, int r2, qint32 c) {
    const auto* f = feuille();
    if (!f) return;
    const bool redraw = redraw_;
    redraw_ = false;
    const int sc = col_, sr = row_;
    if (c1 == Spread::All || r1 == Spread::All) {
        col_ = c1;
        row_ = r1;
        setBackColor(c);
    } else {
        for (int col = std::max(1, c1); col <= std::min(c2, int(f->cols.size())); ++col)
            for (int row = std::max(1, r1); row <= std::min(r2, f->rows); ++row) {
                col_ = col;
                row_ = row;
                setBackColor(c);
            }
    }
    col_ = sc;
    row_ = sr;
    redraw_ = redraw;
    changement(Structure);
}

// --- header rows ---

int SpreadGrid::headerRowCount() const { return feuille() ? feuille()->headerRows : 1; }
void SpreadGrid::setHeaderRowCount(int n) {
    if (auto* f = feuille()) {
        f->headerRows = std::clamp(n, 1, 3);
        changement(Colonnes);
    }
}

QString SpreadGrid::headerText(int col, int headerRow) const {
    const auto* f = feuille();
    if (!f || col < 1 || col > int(f->cols.size()) || headerRow < 1 || headerRow > 3) return {};
    return f->cols[size_t(col - 1)].header[size_t(headerRow - 1)];
}

void SpreadGrid::setHeaderText(int col, int headerRow, const QString& t) {
    auto* f = feuille();
    if (!f || col < 1 || col > int(f->cols.size()) || headerRow < 1 || headerRow > 3) return;
    f->cols[size_t(col - 1)].header[size_t(headerRow - 1)] = t;
    changement(Colonnes);
}

// --- merging ---

void SpreadGrid::setRowMerge(int mode) {
    auto* f = feuille();
    if (!f) return;
    const int h = ligneEntete(row_);
    const bool on = mode != 0;
    if (h >= 0) {
        f->headerMerge[size_t(h)] = on;
    } else {
        if (row_ != Spread::All && (row_ < 1 || row_ > f->rows)) return;
        if (f->rowFlags.empty()) {
            if (!on) return;
            f->rowFlags.assign(size_t(f->rows), 0);
        }
        const int r1 = row_ == Spread::All ? 1 : row_, r2 = row_ == Spread::All ? f->rows : row_;
        for (int r = r1; r <= r2; ++r) {
            auto& fl = f->rowFlags[size_t(r - 1)];
            fl = on ? (fl | SpreadStore::RowMerge) : (fl & ~SpreadStore::RowMerge);
        }
    }
    changement(Cellules);
}

void SpreadGrid::setColMerge(int mode) {
    auto* f = feuille();
    if (!f) return;
    if (col_ == Spread::All) {
        for (auto& c : f->cols) c.merge = mode != 0;
    } else if (auto* c = colonneCourante()) {
        c->merge = mode != 0;
    } else {
        return;
    }
    changement(Cellules);
}

int SpreadGrid::rowMerge(int row) const {
    const auto* f = feuille();
    if (!f) return 0;
    const int h = ligneEntete(row);
    if (h >= 0) return f->headerMerge[size_t(h)];
    if (row < 1 || row > f->rows || f->rowFlags.empty()) return 0;
    return (f->rowFlags[size_t(row - 1)] & SpreadStore::RowMerge) ? 1 : 0;
}

int SpreadGrid::colMerge(int col) const {
    const auto* f = feuille();
    if (!f || col < 1 || col > int(f->cols.size())) return 0;
    return f->cols[size_t(col - 1)].merge;
}

SpreadGrid::Bloc SpreadGrid::mergedBlock(int col, int row) const {
    const auto* f = feuille();
    if (!f) return {col, row, 1, 1};
    const Fusion fu{*store_, *f};
    const int h = ligneEntete(row);
    if (h >= 0) {
        auto bl = fu.blocEntete(col, h);
        bl.row = Spread::HeaderRow1 + bl.row;
        return bl;
    }
    return fu.blocDonnees(col, row);
}

// --- widths and visibility ---

double SpreadGrid::colWidth(int col) const {
    const auto* f = feuille();
    if (!f) return 0;
    if (col == 0) return f->rowHeaderWidth < 0 ? kLargeurDefaut / 2 : f->rowHeaderWidth;
    if (col < 1 || col > int(f->cols.size())) return 0;
    const double w = f->cols[size_t(col - 1)].width;
    return w < 0 ? kLargeurDefaut : w;
}

void SpreadGrid::setColWidth(int col, double width) {
    auto* f = feuille();
    if (!f) return;
    width = std::max(0.0, width);
    if (col == 0) {
        f->rowHeaderWidth = width;
    } else if (col == Spread::All) {
        for (auto& c : f->cols) c.width = width;
    } else if (col >= 1 && col <= int(f->cols.size())) {
        f->cols[size_t(col - 1)].width = width;
    } else {
        return;
    }
    changement(Colonnes);
}

double SpreadGrid::twipsParPixel() const {
    const int dpi = logicalDpiX();
    return 1440.0 / (dpi > 0 ? dpi : 96);
}

// Pixels of a cell besides its text: the margins the view leaves on both sides of it and the
// grid line.
int SpreadGrid::marge() const {
    return 2 * (view_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view_) + 1) + 1;
}

// A width unit is the width of a digit of the grid's font, and at least the 120 twips that the
// program's own width computations count; a cell of width n holds n digits.
double SpreadGrid::pixelsParUnite() const {
    const double chiffre = QFontMetricsF(view_->font()).horizontalAdvance(QLatin1Char('0'));
    return std::max(chiffre, Spread::TwipsParUnite / twipsParPixel());
}

int SpreadGrid::pixels(double largeur) const {
    if (largeur <= 0) return 0;
    const double chiffre = pixelsParUnite();
    return int(std::lround(largeur * chiffre)) + marge();
}

int SpreadGrid::colWidthToTwips(double width) const { return int(std::lround(pixels(width) * twipsParPixel())); }

double SpreadGrid::twipsToColWidth(int twips) const {
    const double chiffre = pixelsParUnite();
    const double px = twips / twipsParPixel() - marge();
    return px <= 0 ? 0 : px / chiffre;
}

int SpreadGrid::widthTwips() const { return int(std::lround(width() * twipsParPixel())); }

bool SpreadGrid::colHidden() const { return colHiddenAt(col_); }
void SpreadGrid::setColHidden(bool h) {
    auto* f = feuille();
    if (!f) return;
    if (col_ == Spread::All) {
        for (auto& c : f->cols) c.hidden = h;
    } else if (auto* c = colonneCourante()) {
        if (c->hidden == h) return;
        c->hidden = h;
    } else {
        return;
    }
    changement(Colonnes);
}

bool SpreadGrid::rowHidden() const { return rowHiddenAt(row_); }
void SpreadGrid::setRowHidden(bool h) {
    auto* f = feuille();
    if (!f) return;
    if (row_ != Spread::All && (row_ < 1 || row_ > f->rows)) return;
    if (f->rowFlags.empty()) {
        if (!h) return;
        f->rowFlags.assign(size_t(f->rows), 0);
    }
    const int r1 = row_ == Spread::All ? 1 : row_, r2 = row_ == Spread::All ? f->rows : row_;
    for (int r = r1; r <= r2; ++r) {
        auto& fl = f->rowFlags[size_t(r - 1)];
        fl = h ? (fl | SpreadStore::RowHidden) : (fl & ~SpreadStore::RowHidden);
    }
    if (!redraw_) {
        attente_ = std::max(attente_, int(Structure));
    } else if (sheet_ == active_) {
        for (int r = r1; r <= r2; ++r) view_->setRowHidden(r - 1, h);
    }
}

bool SpreadGrid::colHiddenAt(int col) const {
    const auto* f = feuille();
    if (!f) return false;
    if (col == 0) return f->rowHeaderWidth == 0;
    return col >= 1 && col <= int(f->cols.size()) && f->cols[size_t(col - 1)].hidden;
}

bool SpreadGrid::rowHiddenAt(int row) const {
    const auto* f = feuille();
    if (!f || row < 1 || row > f->rows || f->rowFlags.empty()) return false;
    return (f->rowFlags[size_t(row - 1)] & SpreadStore::RowHidden) != 0;
}

int SpreadGrid::topRow() const { return feuille() ? feuille()->topRow : 1; }
void SpreadGrid::setTopRow(int row) {
    auto* f = feuille();
    if (!f || row < 1 || row > std::max(1, f->rows)) return;
    f->topRow = row;
    if (redraw_ && sheet_ == active_ && row <= f->rows)
        view_->scrollTo(model_->index(row - 1, 0), QAbstractItemView::PositionAtTop);
}

// --- rows and blocks ---

namespace {
template <class T>
void decalerBas(std::vector<T>& v, int row, int count) {
    if (v.empty() || row > int(v.size())) return;
    const size_t n = v.size();
    v.insert(v.begin() + (row - 1), size_t(count), T{});
    v.resize(n);
}
template <class T>
void decalerHaut(std::vector<T>& v, int row, int count) {
    if (v.empty() || row > int(v.size())) return;
    const size_t n = v.size();
    const size_t fin = std::min(n, size_t(row - 1 + count));
    v.erase(v.begin() + (row - 1), v.begin() + fin);
    v.resize(n, T{});
}
}  // namespace

// Every per-row vector of the addressed sheet shifted at row by count, down or up.
void SpreadGrid::decalerLignes(int row, int count, bool bas) {
    auto* f = feuille();
    if (!f || row < 1 || row > f->rows || count < 1) return;
    auto decaler = [&](auto& v) { bas ? decalerBas(v, row, count) : decalerHaut(v, row, count); };
    for (auto& c : f->cols) {
        decaler(c.text);
        decaler(c.style);
    }
    decaler(f->rowStyle);
    decaler(f->rowFlags);
    changement(Structure);
}

void SpreadGrid::insertRows(int row, int count) { decalerLignes(row, count, true); }
void SpreadGrid::deleteRows(int row, int count) { decalerLignes(row, count, false); }

// A block within the addressed sheet ("all" widened to the sheet); false when nothing is left.
static bool bornerBloc(const SpreadStore::Sheet& f, int& c1, int& r1, int& c2, int& r2) {
    const int nc = int(f.cols.size());
    if (c1 == Spread::All) c1 = 1, c2 = nc;
    if (r1 == Spread::All) r1 = 1, r2 = f.rows;
    c1 = std::max(1, c1);
    r1 = std::max(1, r1);
    c2 = std::min(c2, nc);
    r2 = std::min(r2, f.rows);
    return c1 <= c2 && r1 <= r2;
}

void SpreadGrid::clearRange(int c1, int r1, int c2, int r2, bool dataOnly) {
    auto* f = feuille();
    if (!f || !bornerBloc(*f, c1, r1, c2, r2)) return;
    const int nc = int(f->cols.size());
    for (int c = c1; c <= c2; ++c) {
        auto& col = f->cols[size_t(c - 1)];
        if (!col.text.empty()) std::fill(col.text.begin() + (r1 - 1), col.text.begin() + r2, 0u);
        if (!dataOnly && !col.style.empty()) std::fill(col.style.begin() + (r1 - 1), col.style.begin() + r2, 0u);
    }
    if (!dataOnly && c1 == 1 && c2 == nc && !f->rowStyle.empty())
        std::fill(f->rowStyle.begin() + (r1 - 1), f->rowStyle.begin() + r2, 0u);
    if (store_->tailleTextes() > 65536) store_->compacterTextes();
    changement(Cellules);
}

void SpreadGrid::sortRows(int c1, int r1, int c2, int r2, int keyCol, bool ascending) {
    auto* f = feuille();
    if (!f || !bornerBloc(*f, c1, r1, c2, r2)) return;
    const int nc = int(f->cols.size());
    if (r1 == r2 || keyCol < 1 || keyCol > nc) return;
    std::vector<int> ordre(size_t(r2 - r1 + 1));
    for (size_t i = 0; i < ordre.size(); ++i) ordre[i] = r1 + int(i);
    std::vector<CleTri> cles(ordre.size());
    for (size_t i = 0; i < ordre.size(); ++i) cles[i] = cleTri(store_->texteBrut(sheet_, keyCol, ordre[i]));
    std::stable_sort(ordre.begin(), ordre.end(), [&](int a, int b) {
        const int k = comparerCles(cles[size_t(a - r1)], cles[size_t(b - r1)]);
        return ascending ? k < 0 : k > 0;
    });
    auto permuter = [&](auto& v) {
        if (v.empty()) return;
        auto copie = v;
        for (size_t i = 0; i < ordre.size(); ++i) v[size_t(r1 - 1) + i] = copie[size_t(ordre[i] - 1)];
    };
    for (int c = c1; c <= c2; ++c) {
        permuter(f->cols[size_t(c - 1)].text);
        permuter(f->cols[size_t(c - 1)].style);
    }
    if (c1 == 1 && c2 == nc) {
        permuter(f->rowStyle);
        permuter(f->rowFlags);
    }
    changement(Structure);
}

void SpreadGrid::setSelection(int c1, int r1, int c2, int r2) {
    if (sheet_ != active_ || c1 < 1 || r1 < 1) return;
    view_->clearSelection();
    const QModelIndex a = model_->index(r1 - 1, c1 - 1), b = model_->index(r2 - 1, c2 - 1);
    if (a.isValid() && b.isValid()) {
        view_->selectionModel()->select(QItemSelection(a, b), QItemSelectionModel::ClearAndSelect);
        view_->setCurrentIndex(a);
    }
}

void SpreadGrid::lockRange(int, int, int, int, bool) {
    // Every cell of this grid is read-only already.
}

// --- appearance ---

void SpreadGrid::setOddEvenRowColor(qint32 oddBack, qint32 oddFore, qint32 evenBack, qint32 evenFore) {
    store_->oddBack = oddBack;
    store_->oddFore = oddFore;
    store_->evenBack = evenBack;
    store_->evenFore = evenFore;
    changement(Cellules);
}

void SpreadGrid::setGridColor(qint32 c) {
    store_->gridColor = c;
    changement(Colonnes);
}

void SpreadGrid::setBorderStyle(int style) {
    store_->borderStyle = style;
    changement(Colonnes);
}

void SpreadGrid::setDragCursor(const QPixmap& picture) { dragCursor_ = picture; }
