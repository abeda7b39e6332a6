#pragma once
// The grid's storage, compact enough for a year of ten stations (10 sheets of 3,285 rows and 54
// columns): no object per cell. Each column keeps one 32-bit text number per row (0: empty) into a
// pool of distinct texts shared by the whole grid, and, once any of its cells has a setting of its
// own, one 32-bit style number per row into a pool of distinct style records. Columns, rows and
// sheets keep their own style numbers as defaults.
#include <QAbstractTableModel>
#include <QHash>
#include <QString>
#include <array>
#include <vector>

struct SpreadStyle {
    enum : quint8 { Back = 1, Fore = 2, Kind = 4, Align = 8, Decimals = 16, Bold = 32, Separator = 64 };
    quint8 mask = 0;  // which of the fields below are set
    qint8 kind = 0, align = 0, decimals = 0, bold = 0, separator = 0;
    qint32 back = 0, fore = 0;
    bool operator==(const SpreadStyle& o) const;
    // This style with the fields of o that o sets.
    SpreadStyle merged(const SpreadStyle& o) const;
    SpreadStyle without(quint8 fields) const;
    // A style that sets only one field.
    static SpreadStyle un(quint8 champ, qint32 valeur);
};
size_t qHash(const SpreadStyle& s, size_t seed = 0);

// What a cell shows, every setting resolved.
struct SpreadCellLook {
    qint32 back = 0, fore = 0;
    int kind = 0, align = 0, decimals = 0;
    bool bold = false, separator = false;
    bool backFromCell = false;  // set on the cell, its row or its column (not a sheet default)
};

class SpreadStore {
public:
    struct Column {
        std::vector<quint32> text;   // empty, or one per row
        std::vector<quint32> style;  // empty, or one per row
        std::array<QString, 3> header;
        quint32 colStyle = 0;
        double width = -1;  // < 0: the grid's default
        bool hidden = false;
        quint8 merge = 0;
    };
    struct Sheet {
        QString name;
        QString fontName;
        double fontSize = 0;
        int rows = 0;
        std::vector<Column> cols;       // cols[c - 1]
        std::vector<quint32> rowStyle;  // empty, or one per row
        std::vector<quint8> rowFlags;   // empty, or one per row: RowHidden, RowMerge
        quint32 sheetStyle = 0;
        int headerRows = 1;
        std::array<quint8, 3> headerMerge{};
        double rowHeaderWidth = -1;
        int topRow = 1;
    };
    enum : quint8 { RowHidden = 1, RowMerge = 2 };

    SpreadStore();

    std::vector<Sheet> sheets;                                        // sheets[s - 1]
    qint32 oddBack = -1, oddFore = -1, evenBack = -1, evenFore = -1;  // -1: not set
    qint32 gridColor = -1;
    int borderStyle = 1;

    // Texts
    const QString& texte(quint32 id) const { return pool_[id]; }
    quint32 idTexte(const QString& t);
    // Styles
    const SpreadStyle& style(quint32 id) const { return styles_[id]; }
    quint32 idStyle(const SpreadStyle& s);
    size_t tailleTextes() const { return pool_.size(); }
    size_t tailleStyles() const { return styles_.size(); }
    // Drops the texts no cell uses any more.
    void compacterTextes();
    // Bytes held, roughly (for the benchmark).
    size_t octets() const;

    // Raw access (1-based column and row; no bounds check beyond returning empty values).
    QString texteBrut(int s, int c, int r) const;
    void ecrireTexte(int s, int c, int r, const QString& t);
    SpreadCellLook aspect(int s, int c, int r) const;
    // Style of one level: the cell's own, its row's, its column's, the sheet's.
    quint32 styleCellule(int s, int c, int r) const;
    void poserStyleCellule(int s, int c, int r, quint32 id);
    void redimensionnerLignes(Sheet& f, int n);

private:
    std::vector<QString> pool_;
    QHash<QString, quint32> poolIndex_;
    std::vector<SpreadStyle> styles_;
    QHash<SpreadStyle, quint32> styleIndex_;
    size_t ecrituresDepuisCompactage_ = 0;
};

// Text as a cell of that kind shows it (numbers and percentages rounded to their decimals).
QString SpreadTexteAffiche(const QString& brut, int kind, int decimals, bool separator);

// The view's model: the shown sheet of a store, column i of the model being grid column i + 1.
class SpreadGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    SpreadGridModel(SpreadStore& store, QObject* parent = nullptr);
    void setShownSheet(int s) { sheet_ = s; }
    int shownSheet() const { return sheet_; }
    void recharger();  // whole reset
    void celluleChangee(int c, int r);
    // Rows added or removed at the end of the shown sheet (around the store's change).
    void debutAjout(int premiere, int derniere) { beginInsertRows({}, premiere, derniere); }
    void finAjout() { endInsertRows(); }
    void debutRetrait(int premiere, int derniere) { beginRemoveRows({}, premiere, derniere); }
    void finRetrait() { endRemoveRows(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    SpreadStore& store_;
    int sheet_ = 1;
};
