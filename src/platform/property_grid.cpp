#include "platform/property_grid.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace {

constexpr int RoleItem = Qt::UserRole + 1;
constexpr int ColCaption = 0;
constexpr int ColValue = 1;

// Blocks the view's change signals the program's own edits would raise.
struct Silence {
    explicit Silence(int& n) : n_(n) { ++n_; }
    ~Silence() { --n_; }
    int& n_;
};

// The calendar of a date box is made when the user first reaches for it (a press or a key on the
// box), not for every date row while the grid is filled: making it costs more than the rest of
// the grid. Its pick is connected to the row then.
class CalendrierALaDemande : public QObject {
public:
    CalendrierALaDemande(QDateEdit* edit, QObject* contexte, std::function<void()> pris)
        : QObject(edit), edit_(edit), contexte_(contexte), pris_(std::move(pris)) {
        edit->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (o == edit_ && (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::KeyPress)) {
            edit_->removeEventFilter(this);
            if (QCalendarWidget* cal = edit_->calendarWidget())
                QObject::connect(cal, &QCalendarWidget::clicked, contexte_, pris_);
            deleteLater();
        }
        return false;
    }

private:
    QDateEdit* edit_;
    QObject* contexte_;
    std::function<void()> pris_;
};

}  // namespace

// ---- items ---------------------------------------------------------------------------------

PropertyGridItem::PropertyGridItem(PropertyGrid* grid, PropertyGridItem* parent, PropertyKind kind,
                                   const QString& caption)
    : grid_(grid), parent_(parent), kind_(kind), caption_(caption) {
    Silence s(grid_->quiet_);
    row_ = parent ? new QTreeWidgetItem(parent->row_) : new QTreeWidgetItem(grid_->tree_);
    row_->setData(ColCaption, RoleItem, QVariant::fromValue(static_cast<void*>(this)));
    row_->setText(ColCaption, caption);
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (kind == PropertyKind::Choice || kind == PropertyKind::Bool) f |= Qt::ItemIsUserCheckable;
    row_->setFlags(f);
    switch (kind) {
    case PropertyKind::Category: {
        QFont bold = grid_->tree_->font();
        bold.setBold(true);
        row_->setFont(ColCaption, bold);
        for (int c : {ColCaption, ColValue}) {
            row_->setForeground(c, grid_->categoryText_);
            row_->setBackground(c, grid_->categoryBack_);
        }
        break;
    }
    case PropertyKind::Date: {
        auto* edit = new QDateEdit;
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        edit->setFrame(false);
        editor_ = edit;
        grid_->tree_->setItemWidget(row_, ColValue, edit);
        // The user's date is taken when the box is left or a day is picked in the calendar.
        auto commit = [this, edit] {
            if (grid_->quiet_ || readOnly_) return;
            if (edit->date() == value_.toDate()) return;
            value_ = edit->date();
            grid_->userChanged(this);
        };
        QObject::connect(edit, &QDateEdit::editingFinished, grid_, commit);
        new CalendrierALaDemande(edit, grid_, commit);
        break;
    }
    default:
        for (int c : {ColCaption, ColValue}) {
            row_->setForeground(c, grid_->itemText_);
            row_->setBackground(c, grid_->itemBack_);
        }
        break;
    }
}

PropertyGridItem::~PropertyGridItem() {
    for (PropertyGridItem* c : children_) delete c;
}

void PropertyGridItem::setReadOnly(bool ro) {
    readOnly_ = ro;
    Silence s(grid_->quiet_);
    if (kind_ == PropertyKind::Bool || kind_ == PropertyKind::Choice) {
        Qt::ItemFlags f = row_->flags();
        f.setFlag(Qt::ItemIsUserCheckable, !ro);
        row_->setFlags(f);
    }
    if (editor_) editor_->setEnabled(!ro);
    for (PropertyGridItem* c : children_) c->setReadOnly(ro);
}

QVariant PropertyGridItem::value() const { return value_; }

void PropertyGridItem::setValue(const QVariant& v) {
    switch (kind_) {
    case PropertyKind::Date: value_ = v.toDate(); break;
    case PropertyKind::Bool: value_ = v.toBool(); break;
    case PropertyKind::FlagSet:
    case PropertyKind::Choice: value_ = v.toInt(); break;
    case PropertyKind::Category: value_ = v; break;
    }
    showValue();
}

void PropertyGridItem::showValue() {
    Silence s(grid_->quiet_);
    switch (kind_) {
    case PropertyKind::Date:
        if (auto* edit = qobject_cast<QDateEdit*>(editor_)) edit->setDate(value_.toDate());
        break;
    case PropertyKind::Bool:
        row_->setCheckState(ColValue, value_.toBool() ? Qt::Checked : Qt::Unchecked);
        break;
    case PropertyKind::FlagSet: {
        const int v = value_.toInt();
        QStringList noms;
        for (PropertyGridItem* c : children_) {
            const int w = c->value_.toInt();
            const bool coche = w != 0 && (v & w) == w;
            c->row_->setCheckState(ColCaption, coche ? Qt::Checked : Qt::Unchecked);
            if (coche) noms << c->caption_;
        }
        row_->setText(ColValue, noms.join(QStringLiteral(", ")));
        row_->setToolTip(ColValue, noms.join(QLatin1Char('\n')));
        break;
    }
    case PropertyKind::Choice:
        if (parent_) parent_->showValue();
        break;
    case PropertyKind::Category: break;
    }
}

PropertyGridItem* PropertyGridItem::addChildItem(PropertyKind kind, const QString& caption, const QVariant& value) {
    auto* it = new PropertyGridItem(grid_, this, kind, caption);
    children_.push_back(it);
    if (kind != PropertyKind::Category) it->setValue(value);
    return it;
}

PropertyGridItem* PropertyGridItem::addConstraint(const QString& caption, int worth) {
    auto* it = new PropertyGridItem(grid_, this, PropertyKind::Choice, caption);
    children_.push_back(it);
    it->value_ = worth;
    it->readOnly_ = readOnly_;
    showValue();
    return it;
}

void PropertyGridItem::addInplaceButton(const QString& caption, const QString& toolTip) {
    if (button_) return;
    auto* b = new QPushButton(caption);
    b->setToolTip(toolTip);
    b->setAutoDefault(false);
    button_ = b;
    grid_->tree_->setItemWidget(row_, ColValue, b);
    // Taken when pressed: leaving a date box for the button raises its change first, and the
    // rebuild that change brings replaces this button before a release could reach it.
    QObject::connect(b, &QPushButton::pressed, grid_, [g = grid_, this] {
        const int id = id_;
        QMetaObject::invokeMethod(g, [g, id] { Q_EMIT g->InplaceButtonDown(id); }, Qt::QueuedConnection);
    });
}

void PropertyGridItem::expand() { row_->setExpanded(true); }
bool PropertyGridItem::expanded() const { return row_->isExpanded(); }

void PropertyGridItem::setCaptionColors(const QColor& text, const QColor& back) {
    Silence s(grid_->quiet_);
    row_->setForeground(ColCaption, text);
    row_->setBackground(ColCaption, back);
}

void PropertyGridItem::setValueColors(const QColor& text, const QColor& back) {
    Silence s(grid_->quiet_);
    row_->setForeground(ColValue, text);
    row_->setBackground(ColValue, back);
    if (editor_) {
        QPalette pal = editor_->palette();
        pal.setColor(QPalette::Base, back);
        pal.setColor(QPalette::Text, text);
        editor_->setPalette(pal);
    }
}

QColor PropertyGridItem::captionBackColor() const { return row_->background(ColCaption).color(); }
QColor PropertyGridItem::valueBackColor() const { return row_->background(ColValue).color(); }

// ---- grid ----------------------------------------------------------------------------------

PropertyGrid::PropertyGrid(QWidget* parent) : QWidget(parent) {
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    tree_ = new QTreeWidget;
    tree_->setColumnCount(2);
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(true);
    tree_->setIndentation(10);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->header()->setStretchLastSection(true);
    tree_->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    tree_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    help_ = new QLabel;
    help_->setWordWrap(true);
    help_->setMargin(4);
    help_->setMinimumHeight(48);
    help_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    help_->setAutoFillBackground(true);
    v->addWidget(tree_, 1);
    v->addWidget(help_);
    tree_->viewport()->installEventFilter(this);
    connect(tree_, &QTreeWidget::itemChanged, this, &PropertyGrid::onItemChanged);
    connect(tree_, &QTreeWidget::currentItemChanged, this, &PropertyGrid::onCurrentChanged);
}

PropertyGrid::~PropertyGrid() { deleteAll(); }

void PropertyGrid::deleteAll() {
    for (PropertyGridItem* c : categories_) delete c;
    categories_.clear();
}

void PropertyGrid::resetContent() {
    Silence s(quiet_);
    deleteAll();
    tree_->clear();
    help_->clear();
}

PropertyGridItem* PropertyGrid::addCategory(const QString& caption) {
    auto* c = new PropertyGridItem(this, nullptr, PropertyKind::Category, caption);
    categories_.push_back(c);
    return c;
}

PropertyGridItem* PropertyGrid::findItem(int id) const {
    std::vector<PropertyGridItem*> pile(categories_.rbegin(), categories_.rend());
    while (!pile.empty()) {
        PropertyGridItem* it = pile.back();
        pile.pop_back();
        if (it->id() == id) return it;
        for (auto c = it->children().rbegin(); c != it->children().rend(); ++c) pile.push_back(*c);
    }
    return nullptr;
}

void PropertyGrid::setGridFont(const QFont& f) {
    tree_->setFont(f);
    help_->setFont(f);
}

void PropertyGrid::setCategoryColors(const QColor& text, const QColor& back) {
    categoryText_ = text;
    categoryBack_ = back;
    Silence s(quiet_);
    for (PropertyGridItem* c : categories_)
        for (int col : {ColCaption, ColValue}) {
            c->row_->setForeground(col, text);
            c->row_->setBackground(col, back);
        }
}

void PropertyGrid::setItemColors(const QColor& text, const QColor& back) {
    itemText_ = text;
    itemBack_ = back;
    QPalette pal = tree_->palette();
    pal.setColor(QPalette::Base, back);
    pal.setColor(QPalette::Text, text);
    tree_->setPalette(pal);
}

void PropertyGrid::setHelpColors(const QColor& text, const QColor& back) {
    QPalette pal = help_->palette();
    pal.setColor(QPalette::Window, back);
    pal.setColor(QPalette::WindowText, text);
    help_->setPalette(pal);
}

int PropertyGrid::topIndex() const { return tree_->verticalScrollBar()->value(); }

void PropertyGrid::setTopIndex(int line) {
    tree_->doItemsLayout();
    fitColumns();
    tree_->verticalScrollBar()->setValue(line);
}

void PropertyGrid::fitColumns() {
    // Captions whole when they fit, but a date stays readable in the values.
    const int largeur = tree_->viewport()->width();
    int voulu = 0;
    const std::function<void(PropertyGridItem*, int)> mesurer = [&](PropertyGridItem* it, int niveau) {
        QFont f = tree_->font();
        f.setBold(it->kind() == PropertyKind::Category);
        const int case_ = it->kind() == PropertyKind::Choice ? 22 : 0;
        voulu = std::max(voulu, QFontMetrics(f).horizontalAdvance(it->caption()) + case_ + tree_->indentation() * (niveau + 1) + 12);
        for (PropertyGridItem* c : it->children()) mesurer(c, niveau + 1);
    };
    for (PropertyGridItem* c : categories_)
        if (c->kind() == PropertyKind::Category && c->inplaceButton() == nullptr) mesurer(c, 0);
        else for (PropertyGridItem* e : c->children()) mesurer(e, 1);
    const int valeurs = QFontMetrics(tree_->font()).horizontalAdvance(QStringLiteral("00/00/0000")) + 40;
    tree_->setColumnWidth(0, std::max(40, std::min(voulu, largeur - valeurs)));
}

bool PropertyGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tree_->viewport() && event->type() == QEvent::Resize) fitColumns();
    return QWidget::eventFilter(watched, event);
}

QString PropertyGrid::helpText() const { return help_->text(); }

PropertyGridItem* PropertyGrid::itemOfRow(QTreeWidgetItem* row) const {
    if (!row) return nullptr;
    return static_cast<PropertyGridItem*>(row->data(ColCaption, RoleItem).value<void*>());
}

void PropertyGrid::userChanged(PropertyGridItem* item) {
    const int id = item->id();
    // Delivered after the user's event: the handler may rebuild the grid, editors included.
    QMetaObject::invokeMethod(this, [this, id] { Q_EMIT ValueChanged(id); }, Qt::QueuedConnection);
}

void PropertyGrid::onItemChanged(QTreeWidgetItem* row, int column) {
    if (quiet_) return;
    PropertyGridItem* it = itemOfRow(row);
    if (!it || it->readOnly()) return;
    if (it->kind() == PropertyKind::Bool && column == ColValue) {
        const bool v = row->checkState(ColValue) == Qt::Checked;
        if (v == it->value_.toBool()) return;
        it->value_ = v;
        userChanged(it);
    } else if (it->kind() == PropertyKind::Choice && column == ColCaption && it->parent()) {
        PropertyGridItem* set = it->parent();
        int somme = 0;
        for (PropertyGridItem* c : set->children_)
            if (c->row_->checkState(ColCaption) == Qt::Checked) somme |= c->value_.toInt();
        if (somme == set->value_.toInt()) return;
        set->value_ = somme;
        set->showValue();
        userChanged(set);
    }
}

void PropertyGrid::onCurrentChanged() {
    PropertyGridItem* it = itemOfRow(tree_->currentItem());
    if (it && it->kind() == PropertyKind::Choice && it->parent()) it = it->parent();
    help_->setText(it ? (it->description().isEmpty() ? it->caption()
                                                     : QStringLiteral("<b>%1</b><br>%2")
                                                           .arg(it->caption().toHtmlEscaped(),
                                                                it->description().toHtmlEscaped()))
                      : QString());
}
