#pragma once
// A small property editor over Qt's item views: categories (always shown expanded) holding items
// of a few kinds, each item with a caption, a value, a description shown in the pane under the
// list, a numeric id and a read-only state. A date item edits with a date box, a truth value with
// a check box, a flag set with one check box per choice (its value is the sum of the checked
// choices). A category line may carry one push button.
//
// A date is typed whole: the first character typed replaces the shown date, the text is read at
// Entrée, Tab or when the box is left (20/12/2026, 2/3/2027, 20122026, 201226), and a text that
// is no date is refused with a message while the last good date comes back.
//
// Changes made through the program's calls raise nothing. A change made by the user raises
// ValueChanged with the item's id, and a press of a line's button raises InplaceButtonDown with
// the id of the button's item; both are delivered once the user's event is over, so a handler
// may rebuild the whole grid.
#include <QColor>
#include <QDate>
#include <QFont>
#include <QString>
#include <QVariant>
#include <QWidget>
#include <vector>

class QCalendarWidget;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class PropertyGrid;

enum class PropertyKind { Category, Date, Bool, FlagSet, Choice };

class PropertyGridItem {
public:
    PropertyKind kind() const { return kind_; }
    QString caption() const { return caption_; }
    int id() const { return id_; }
    void setId(int id) { id_ = id; }
    QString description() const { return description_; }
    void setDescription(const QString& d);
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool ro);

    // Date: a QDate; Bool: a bool; FlagSet: the sum of the checked choices (int); Choice: its
    // worth (int). Categories have none.
    QVariant value() const;
    void setValue(const QVariant& v);
    QDate dateValue() const { return value().toDate(); }
    int intValue() const { return value().toInt(); }
    bool boolValue() const { return value().toBool(); }

    // Items of a category, choices of a flag set.
    PropertyGridItem* addChildItem(PropertyKind kind, const QString& caption, const QVariant& value = {});
    // A choice of a flag set: its caption and worth (checked when the set's value holds it).
    PropertyGridItem* addConstraint(const QString& caption, int worth);
    const std::vector<PropertyGridItem*>& children() const { return children_; }
    PropertyGridItem* parent() const { return parent_; }

    // A category line's push button (one per line).
    void addInplaceButton(const QString& caption, const QString& toolTip);
    QPushButton* inplaceButton() const { return button_; }

    void expand();
    bool expanded() const;

    void setCaptionColors(const QColor& text, const QColor& back);
    void setValueColors(const QColor& text, const QColor& back);
    QColor captionBackColor() const;
    QColor valueBackColor() const;

    // The row of the underlying view and, for a date, its editor (tests drive them).
    QTreeWidgetItem* row() const { return row_; }
    QWidget* editor() const { return editor_; }
    // A date's calendar, made on the spot if the user has not opened it yet.
    QCalendarWidget* calendar() const;

private:
    friend class PropertyGrid;
    PropertyGridItem(PropertyGrid* grid, PropertyGridItem* parent, PropertyKind kind, const QString& caption);
    ~PropertyGridItem();
    void showValue();
    void showToolTip();
    // A line whose caption takes both columns (a category without button, a choice).
    bool spanned() const;
    int level() const;

    PropertyGrid* grid_;
    PropertyGridItem* parent_;
    PropertyKind kind_;
    QString caption_;
    int id_ = 0;
    QString description_;
    bool readOnly_ = false;
    QVariant value_;
    std::vector<PropertyGridItem*> children_;
    QTreeWidgetItem* row_ = nullptr;
    QWidget* editor_ = nullptr;
    QPushButton* button_ = nullptr;
    QObject* lien_;  // context of the editors' and button's connections: they end with the item
};

class PropertyGrid : public QWidget {
    Q_OBJECT
public:
    explicit PropertyGrid(QWidget* parent = nullptr);
    ~PropertyGrid() override;

    // Removes every category and item.
    void resetContent();
    PropertyGridItem* addCategory(const QString& caption);
    const std::vector<PropertyGridItem*>& categories() const { return categories_; }
    // The first item (at any depth) with that id; nullptr when none.
    PropertyGridItem* findItem(int id) const;

    // Look.
    void setGridFont(const QFont& f);
    void setCategoryColors(const QColor& text, const QColor& back);
    void setItemColors(const QColor& text, const QColor& back);
    void setHelpColors(const QColor& text, const QColor& back);
    QColor categoryBackColor() const { return categoryBack_; }

    // The one view setting a rebuild keeps: the first line shown (scroll position).
    int topIndex() const;
    void setTopIndex(int line);

    // The description pane's text (the current item's description).
    QString helpText() const;
    QTreeWidget* tree() const { return tree_; }

    // The width at which every caption shows whole beside a date, with the frame and a scroll bar.
    int largeurLisible() const;
    QSize sizeHint() const override;

Q_SIGNALS:
    void ValueChanged(int itemId);
    void InplaceButtonDown(int itemId);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitColumns();
    int captionWidth() const;  // the caption column every line beside a value needs
    int valueWidth() const;    // the value column a date box needs
    int spannedWidth() const;  // what the lines across both columns need
    friend class PropertyGridItem;
    void userChanged(PropertyGridItem* item);
    void onItemChanged(QTreeWidgetItem* row, int column);
    void onCurrentChanged();
    PropertyGridItem* itemOfRow(QTreeWidgetItem* row) const;
    void deleteAll();

    QTreeWidget* tree_ = nullptr;
    QLabel* help_ = nullptr;
    std::vector<PropertyGridItem*> categories_;
    int quiet_ = 0;  // > 0 while the program itself changes rows
    QColor categoryText_{0, 0, 0}, categoryBack_{220, 220, 220};
    QColor itemText_{0, 0, 0}, itemBack_{255, 255, 255};
};
