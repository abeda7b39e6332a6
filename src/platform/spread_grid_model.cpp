#include "platform/spread_grid_model.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QLocale>
#include <QPalette>
#include <cmath>

#include "platform/spread_grid.h"

bool SpreadStyle::operator==(const SpreadStyle& o) const {
    return mask == o.mask && kind == o.kind && align == o.align && decimals == o.decimals && bold == o.bold &&
           separator == o.separator && back == o.back && fore == o.fore;
}

size_t qHash(const SpreadStyle& s, size_t seed) {
    return qHashMulti(seed, s.mask, s.kind, s.align, s.decimals, s.bold, s.separator, s.back, s.fore);
}

// Copies the fields named by champs from src into dst.
static void copierChamps(SpreadStyle& dst, const SpreadStyle& src, quint8 champs) {
    if (champs & SpreadStyle::Back) dst.back = src.back;
    if (champs & SpreadStyle::Fore) dst.fore = src.fore;
    if (champs & SpreadStyle::Kind) dst.kind = src.kind;
    if (champs & SpreadStyle::Align) dst.align = src.align;
    if (champs & SpreadStyle::Decimals) dst.decimals = src.decimals;
    if (champs & SpreadStyle::Bold) dst.bold = src.bold;
    if (champs & SpreadStyle::Separator) dst.separator = src.separator;
    dst.mask |= champs;
}

SpreadStyle SpreadStyle::merged(const SpreadStyle& o) const {
    SpreadStyle r = *this;
    copierChamps(r, o, o.mask);
    return r;
}

SpreadStyle SpreadStyle::without(quint8 fields) const {
    SpreadStyle r;
    copierChamps(r, *this, quint8(mask & ~fields));
    return r;
}

SpreadStyle SpreadStyle::un(quint8 champ, qint32 valeur) {
    SpreadStyle v;
    v.back = v.fore = valeur;
    v.kind = v.align = v.decimals = v.bold = v.separator = qint8(valeur);
    SpreadStyle r;
    copierChamps(r, v, champ);
    return r;
}

SpreadStore::SpreadStore() {
    pool_.emplace_back();
    styles_.emplace_back();
    styleIndex_.insert(SpreadStyle{}, 0);
    sheets.emplace_back();
}

quint32 SpreadStore::idTexte(const QString& t) {
    if (t.isEmpty()) return 0;
    auto it = poolIndex_.constFind(t);
    if (it != poolIndex_.constEnd()) return it.value();
    const auto id = quint32(pool_.size());
    pool_.push_back(t);
    poolIndex_.insert(t, id);
    return id;
}

quint32 SpreadStore::idStyle(const SpreadStyle& s) {
    if (s.mask == 0) return 0;
    auto it = styleIndex_.constFind(s);
    if (it != styleIndex_.constEnd()) return it.value();
    const auto id = quint32(styles_.size());
    styles_.push_back(s);
    styleIndex_.insert(s, id);
    return id;
}

void SpreadStore::compacterTextes() {
    std::vector<quint32> nouveau(pool_.size(), 0);
    std::vector<QString> pool;
    QHash<QString, quint32> index;
    pool.emplace_back();
    for (auto& f : sheets)
        for (auto& c : f.cols)
            for (auto& id : c.text) {
                if (id == 0) continue;
                if (nouveau[id] == 0) {
                    nouveau[id] = quint32(pool.size());
                    pool.push_back(pool_[id]);
                    index.insert(pool_[id], nouveau[id]);
                }
                id = nouveau[id];
            }
    pool_ = std::move(pool);
    poolIndex_ = std::move(index);
    ecrituresDepuisCompactage_ = 0;
}

size_t SpreadStore::octets() const {
    size_t n = sizeof(*this) + pool_.capacity() * sizeof(QString) + styles_.capacity() * sizeof(SpreadStyle);
    for (const auto& t : pool_) n += size_t(t.capacity()) * 2 + 32;
    n += size_t(poolIndex_.size()) * (sizeof(QString) + 8 + 16);
    for (const auto& f : sheets) {
        n += sizeof(Sheet) + f.rowStyle.capacity() * 4 + f.rowFlags.capacity();
        for (const auto& c : f.cols) n += sizeof(Column) + (c.text.capacity() + c.style.capacity()) * 4;
    }
    return n;
}

static SpreadStore::Column* colonne(SpreadStore& st, int s, int c, int r) {
    if (s < 1 || s > int(st.sheets.size())) return nullptr;
    auto& f = st.sheets[size_t(s - 1)];
    if (c < 1 || c > int(f.cols.size()) || r < 1 || r > f.rows) return nullptr;
    return &f.cols[size_t(c - 1)];
}

QString SpreadStore::texteBrut(int s, int c, int r) const {
    auto* col = colonne(const_cast<SpreadStore&>(*this), s, c, r);
    if (!col || col->text.empty()) return {};
    return pool_[col->text[size_t(r - 1)]];
}

void SpreadStore::ecrireTexte(int s, int c, int r, const QString& t) {
    auto* col = colonne(*this, s, c, r);
    if (!col) return;
    if (col->text.empty()) {
        if (t.isEmpty()) return;
        col->text.assign(size_t(sheets[size_t(s - 1)].rows), 0);
    }
    col->text[size_t(r - 1)] = idTexte(t);
    // Texts that are overwritten stay in the pool; drop them once they are many.
    if (++ecrituresDepuisCompactage_ > 200000 && pool_.size() > 100000) compacterTextes();
}

quint32 SpreadStore::styleCellule(int s, int c, int r) const {
    auto* col = colonne(const_cast<SpreadStore&>(*this), s, c, r);
    if (!col || col->style.empty()) return 0;
    return col->style[size_t(r - 1)];
}

void SpreadStore::poserStyleCellule(int s, int c, int r, quint32 id) {
    auto* col = colonne(*this, s, c, r);
    if (!col) return;
    if (col->style.empty()) {
        if (id == 0) return;
        col->style.assign(size_t(sheets[size_t(s - 1)].rows), 0);
    }
    col->style[size_t(r - 1)] = id;
}

void SpreadStore::redimensionnerLignes(Sheet& f, int n) {
    n = std::max(0, n);
    for (auto& c : f.cols) {
        if (!c.text.empty()) c.text.resize(size_t(n), 0);
        if (!c.style.empty()) c.style.resize(size_t(n), 0);
        if (n == 0) {
            std::vector<quint32>().swap(c.text);
            std::vector<quint32>().swap(c.style);
        }
    }
    if (!f.rowStyle.empty()) f.rowStyle.resize(size_t(n), 0);
    if (!f.rowFlags.empty()) f.rowFlags.resize(size_t(n), 0);
    f.rows = n;
    if (f.topRow > std::max(1, n)) f.topRow = std::max(1, n);
}

SpreadCellLook SpreadStore::aspect(int s, int c, int r) const {
    SpreadCellLook a;
    a.back = RGB(255, 255, 255);
    a.fore = Spread::WindowText;
    a.kind = Spread::Edit;
    a.decimals = 2;
    a.align = -1;
    if (s < 1 || s > int(sheets.size())) return a;
    const auto& f = sheets[size_t(s - 1)];
    SpreadStyle local;
    if (c >= 1 && c <= int(f.cols.size())) {
        const auto& col = f.cols[size_t(c - 1)];
        local = styles_[col.colStyle];
        if (r >= 1 && r <= f.rows) {
            if (!f.rowStyle.empty()) local = local.merged(styles_[f.rowStyle[size_t(r - 1)]]);
            if (!col.style.empty()) local = local.merged(styles_[col.style[size_t(r - 1)]]);
        }
    }
    a.backFromCell = (local.mask & SpreadStyle::Back) != 0;
    const SpreadStyle st = styles_[f.sheetStyle].merged(local);
    if (st.mask & SpreadStyle::Back) a.back = st.back;
    if (st.mask & SpreadStyle::Fore) a.fore = st.fore;
    if (st.mask & SpreadStyle::Kind) a.kind = st.kind;
    if (st.mask & SpreadStyle::Decimals) a.decimals = st.decimals;
    if (st.mask & SpreadStyle::Bold) a.bold = st.bold;
    if (st.mask & SpreadStyle::Separator) a.separator = st.separator;
    if (st.mask & SpreadStyle::Align) a.align = st.align;
    if (a.align < 0) a.align = (a.kind == Spread::Number || a.kind == Spread::Percent) ? Spread::Right : Spread::Left;
    return a;
}

// Leading number of a text, "," read as ".": false when there is none.
static bool nombreEnTete(const QString& t, double& v) {
    QString s = t.trimmed();
    s.replace(QLatin1Char(','), QLatin1Char('.'));
    int i = 0;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) ++i;
    const int debutChiffres = i;
    while (i < s.size() && s[i].isDigit()) ++i;
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        ++i;
        while (i < s.size() && s[i].isDigit()) ++i;
    }
    if (i == debutChiffres || (i == debutChiffres + 1 && s[debutChiffres] == QLatin1Char('.'))) return false;
    bool ok = false;
    v = s.left(i).toDouble(&ok);
    return ok;
}

QString SpreadTexteAffiche(const QString& brut, int kind, int decimals, bool separator) {
    if (brut.isEmpty() || (kind != Spread::Number && kind != Spread::Percent)) return brut;
    double v = 0;
    if (!nombreEnTete(brut, v)) return brut;  // not a number: kept as written
    decimals = std::clamp(decimals, 0, 8);
    // Halves to the even neighbour, as the program's own conversions round.
    const double p = std::pow(10.0, decimals);
    v = std::nearbyint(v * p) / p;
    if (v == 0) v = 0;  // no "-0"
    QString t = QString::number(v, 'f', decimals);
    if (separator && kind == Spread::Number) {
        const int point = t.indexOf(QLatin1Char('.'));
        int fin = point < 0 ? int(t.size()) : point;
        const int debut = t.startsWith(QLatin1Char('-')) ? 1 : 0;
        for (int i = fin - 3; i > debut; i -= 3) t.insert(i, QLatin1Char(' '));
    }
    // A percentage shows its number alone: the fill-rate upload reads the shown text back.
    return t;
}

// ---------------------------------------------------------------------------------------------

SpreadGridModel::SpreadGridModel(SpreadStore& store, QObject* parent) : QAbstractTableModel(parent), store_(store) {}

void SpreadGridModel::recharger() {
    beginResetModel();
    endResetModel();
}

void SpreadGridModel::celluleChangee(int c, int r) {
    const QModelIndex i = index(r - 1, c - 1);
    if (i.isValid()) Q_EMIT dataChanged(i, i);
}

int SpreadGridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || sheet_ < 1 || sheet_ > int(store_.sheets.size())) return 0;
    return store_.sheets[size_t(sheet_ - 1)].rows;
}

int SpreadGridModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid() || sheet_ < 1 || sheet_ > int(store_.sheets.size())) return 0;
    return int(store_.sheets[size_t(sheet_ - 1)].cols.size());
}

static QColor couleur(qint32 v, QPalette::ColorRole systeme) {
    if (v == Spread::WindowText || v < 0) return QGuiApplication::palette().color(systeme);
    return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

QVariant SpreadGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || sheet_ < 1 || sheet_ > int(store_.sheets.size())) return {};
    const int c = index.column() + 1, r = index.row() + 1;
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole: {
            const auto a = store_.aspect(sheet_, c, r);
            return SpreadTexteAffiche(store_.texteBrut(sheet_, c, r), a.kind, a.decimals, a.separator);
        }
        case Qt::BackgroundRole: {
            const auto a = store_.aspect(sheet_, c, r);
            if (!a.backFromCell) {
                // Odd and even rows take their own colours over the sheet's default.
                const bool impaire = (r % 2) == 1;
                const qint32 v = impaire ? store_.oddBack : store_.evenBack;
                if (v != -1) return couleur(v, QPalette::Base);
            }
            return couleur(a.back, QPalette::Base);
        }
        case Qt::ForegroundRole: {
            const auto a = store_.aspect(sheet_, c, r);
            qint32 v = a.fore;
            if (!a.backFromCell && v == Spread::WindowText) {
                const qint32 rang = (r % 2) == 1 ? store_.oddFore : store_.evenFore;
                if (rang != -1) v = rang;
            }
            return couleur(v, QPalette::WindowText);
        }
        case Qt::TextAlignmentRole: {
            const auto a = store_.aspect(sheet_, c, r);
            const Qt::Alignment h = a.align == Spread::Right    ? Qt::AlignRight
                                    : a.align == Spread::Center ? Qt::AlignHCenter
                                                                : Qt::AlignLeft;
            return QVariant::fromValue(h | Qt::AlignVCenter);
        }
        case Qt::FontRole: {
            const auto& f = store_.sheets[size_t(sheet_ - 1)];
            const auto a = store_.aspect(sheet_, c, r);
            if (!a.bold && f.fontName.isEmpty() && f.fontSize <= 0) return {};
            QFont font;
            if (!f.fontName.isEmpty()) font.setFamily(f.fontName);
            if (f.fontSize > 0) font.setPointSizeF(f.fontSize);
            font.setBold(a.bold);
            return font;
        }
        default:
            return {};
    }
}

QVariant SpreadGridModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (o == Qt::Vertical) return section + 1;
    if (sheet_ < 1 || sheet_ > int(store_.sheets.size())) return {};
    const auto& f = store_.sheets[size_t(sheet_ - 1)];
    if (section < 0 || section >= int(f.cols.size())) return {};
    return f.cols[size_t(section)].header[0];
}

Qt::ItemFlags SpreadGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
