#include "platform/property_grid.h"

#include "platform/dialogs.h"

#include <QCalendarWidget>
#include <QCoreApplication>
#include <QDateEdit>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <utility>

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

// A typed date: day, month and year with "/", "." or "-" between them (20/12/2026, 2/3/2027), or
// the digits alone (20122026); a year of two digits is in the 2000s. False when it is no date of
// the calendar.
bool lireDateSaisie(const QString& saisie, QDate& date) {
    static const QRegularExpression separee(QStringLiteral("^(\\d{1,2})[/.-](\\d{1,2})[/.-](\\d{4}|\\d{2})$"));
    static const QRegularExpression collee(QStringLiteral("^(\\d{2})(\\d{2})(\\d{4}|\\d{2})$"));
    const QString t = saisie.trimmed();
    QRegularExpressionMatch m = separee.match(t);
    if (!m.hasMatch()) m = collee.match(t);
    if (!m.hasMatch()) return false;
    int annee = m.captured(3).toInt();
    if (m.captured(3).size() == 2) annee += 2000;
    date = QDate(annee, m.captured(2).toInt(), m.captured(1).toInt());
    return date.isValid();
}

// A date box whose calendar is made when the user may first open it (a press or a key in the
// box): the calendar is most of a box's cost, every rebuild makes the boxes again, and most are
// never opened.
//
// What the user types is taken whole: the first character typed replaces the whole date, whatever
// part of it was selected, and the text is edited freely (the box's own parts would keep the day
// or the year of the old date) until Entrée, Tab, the focus leaving or the calendar's arrow reads
// it. A text that is no date is handed to surRefus and the last good date comes back.
class BoiteDate : public QDateEdit {
public:
    std::function<void(QCalendarWidget*)> surCalendrier;
    std::function<void(const QString& saisie)> surRefus;
    QCalendarWidget* calendrier() {
        QCalendarWidget* cal = calendarWidget();
        if (cal && surCalendrier) std::exchange(surCalendrier, nullptr)(cal);
        return cal;
    }
    // The program's date: a typing under way is dropped.
    void montrer(const QDate& d) {
        finSaisie();
        setDate(d);
    }

protected:
    QValidator::State validate(QString& texte, int& pos) const override {
        // The typed text is read as a whole when it is taken.
        if (saisie_) return QValidator::Intermediate;
        return QDateEdit::validate(texte, pos);
    }
    void mousePressEvent(QMouseEvent* e) override {
        calendrier();
        prendreSaisie();
        QDateEdit::mousePressEvent(e);
    }
    void keyPressEvent(QKeyEvent* e) override {
        calendrier();
        const int k = e->key();
        if (k == Qt::Key_Return || k == Qt::Key_Enter) {
            prendreSaisie();
            QDateEdit::keyPressEvent(e);
            return;
        }
        if (saisie_ && k == Qt::Key_Escape) {
            montrer(date());
            return;
        }
        if (!saisie_) {
            const bool texte = !e->text().isEmpty() && e->text().at(0).isPrint() &&
                               !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
            const bool remplace = texte || e->matches(QKeySequence::Paste);
            if (!remplace && k != Qt::Key_Backspace && k != Qt::Key_Delete) {
                QDateEdit::keyPressEvent(e);
                return;
            }
            // The box's own handling would not hear of the text: it goes straight to the line.
            saisie_ = true;
            lineEdit()->blockSignals(true);
            if (remplace) lineEdit()->clear();
        }
        if (k == Qt::Key_Up || k == Qt::Key_Down || k == Qt::Key_PageUp || k == Qt::Key_PageDown) {
            prendreSaisie();
            QDateEdit::keyPressEvent(e);
            return;
        }
        QCoreApplication::sendEvent(lineEdit(), e);
    }
    void focusOutEvent(QFocusEvent* e) override {
        prendreSaisie();
        QDateEdit::focusOutEvent(e);
    }
    // Tab leaves the box as it leaves any field, instead of going from the day to the month.
    bool focusNextPrevChild(bool suivant) override {
        prendreSaisie();
        const bool r = QWidget::focusNextPrevChild(suivant);
        if (hasFocus()) Q_EMIT editingFinished();  // nowhere else to go: the date is taken all the same
        return r;
    }
    void stepBy(int pas) override {
        prendreSaisie();
        QDateEdit::stepBy(pas);
    }

private:
    void finSaisie() {
        if (!saisie_) return;
        saisie_ = false;
        lineEdit()->blockSignals(false);
    }
    // The typed text becomes the box's date, or is refused; nothing typed: the date stays.
    void prendreSaisie() {
        if (!saisie_) return;
        const QString saisie = lineEdit()->text();
        QDate d;
        const bool lue = lireDateSaisie(saisie, d) && d >= minimumDate() && d <= maximumDate();
        montrer(lue ? d : date());
        if (!lue && !saisie.trimmed().isEmpty() && surRefus) surRefus(saisie);
    }

    bool saisie_ = false;
};

}  // namespace

// ---- items ---------------------------------------------------------------------------------

PropertyGridItem::PropertyGridItem(PropertyGrid* grid, PropertyGridItem* parent, PropertyKind kind,
                                   const QString& caption)
    : grid_(grid), parent_(parent), kind_(kind), caption_(caption), lien_(new QObject) {
    Silence s(grid_->quiet_);
    row_ = parent ? new QTreeWidgetItem(parent->row_) : new QTreeWidgetItem(grid_->tree_);
    row_->setData(ColCaption, RoleItem, QVariant::fromValue(static_cast<void*>(this)));
    row_->setText(ColCaption, caption);
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (kind == PropertyKind::Choice || kind == PropertyKind::Bool) f |= Qt::ItemIsUserCheckable;
    row_->setFlags(f);
    if (spanned()) row_->setFirstColumnSpanned(true);
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
            auto* edit = new BoiteDate;
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
            // The view hides and deletes an editor later than its item: a box that had the focus
            // is left once more then. Tied to the item's lifetime, the commit dies with it.
            QObject::connect(edit, &QDateEdit::editingFinished, lien_, commit);
            edit->surCalendrier = [lien = QPointer<QObject>(lien_), commit](QCalendarWidget* cal) {
                if (lien) QObject::connect(cal, &QCalendarWidget::clicked, lien.data(), commit);
            };
            // A typed text that is no date: the user is told, unless the item has gone or the program
            // itself is rebuilding the grid (the box then loses the focus on its way out).
            edit->surRefus = [lien = QPointer<QObject>(lien_), this](const QString& saisie) {
                if (!lien || grid_->quiet_) return;
                MsgBox(QStringLiteral("%1 : « %2 » n'est pas une date.\r\n\r\nTapez le jour, le mois et l'année, par "
                                      "exemple 20/12/2026 ou 20122026. La date précédente est conservée.")
                           .arg(caption_, saisie.trimmed()),
                       Mb::Exclamation, grid_->window()->windowTitle());
            };
            break;
        }
        default:
            for (int c : {ColCaption, ColValue}) {
                row_->setForeground(c, grid_->itemText_);
                row_->setBackground(c, grid_->itemBack_);
            }
            break;
    }
    showToolTip();
}

bool PropertyGridItem::spanned() const {
    return kind_ == PropertyKind::Choice || (kind_ == PropertyKind::Category && !button_);
}

int PropertyGridItem::level() const {
    int n = 0;
    for (PropertyGridItem* p = parent_; p; p = p->parent_) ++n;
    return n;
}

void PropertyGridItem::setDescription(const QString& d) {
    description_ = d;
    showToolTip();
}

void PropertyGridItem::showToolTip() {
    // The whole caption even when the column cuts it, and what the item is for.
    const QString texte = description_.isEmpty() ? caption_ : caption_ + QLatin1Char('\n') + description_;
    Silence s(grid_->quiet_);
    row_->setToolTip(ColCaption, texte);
    // A flag set's value cell lists its ticked choices.
    if (kind_ != PropertyKind::FlagSet) row_->setToolTip(ColValue, texte);
    if (editor_) editor_->setToolTip(texte);
}

PropertyGridItem::~PropertyGridItem() {
    delete lien_;
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

QCalendarWidget* PropertyGridItem::calendar() const {
    auto* boite = dynamic_cast<BoiteDate*>(editor_);
    return boite ? boite->calendrier() : nullptr;
}

void PropertyGridItem::setValue(const QVariant& v) {
    switch (kind_) {
        case PropertyKind::Date:
            value_ = v.toDate();
            break;
        case PropertyKind::Bool:
            value_ = v.toBool();
            break;
        case PropertyKind::FlagSet:
        case PropertyKind::Choice:
            value_ = v.toInt();
            break;
        case PropertyKind::Category:
            value_ = v;
            break;
    }
    showValue();
}

void PropertyGridItem::showValue() {
    Silence s(grid_->quiet_);
    switch (kind_) {
        case PropertyKind::Date:
            if (auto* edit = dynamic_cast<BoiteDate*>(editor_)) edit->montrer(value_.toDate());
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
        case PropertyKind::Category:
            break;
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
    row_->setFirstColumnSpanned(false);
    grid_->tree_->setItemWidget(row_, ColValue, b);
    // Taken when pressed: leaving a date box for the button raises its change first, and the
    // rebuild that change brings replaces this button before a release could reach it.
    QObject::connect(b, &QPushButton::pressed, lien_, [g = grid_, this] {
        const int id = id_;
        QMetaObject::invokeMethod(
            g, [g, id] { Q_EMIT g->InplaceButtonDown(id); }, Qt::QueuedConnection);
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

PropertyGrid::~PropertyGrid() {
    // The view outlives this part of the grid: it must not call back into it on its way out.
    QObject::disconnect(tree_, nullptr, this, nullptr);
    tree_->viewport()->removeEventFilter(this);
    resetContent();
}

void PropertyGrid::deleteAll() {
    for (PropertyGridItem* c : categories_) delete c;
    categories_.clear();
}

void PropertyGrid::resetContent() {
    Silence s(quiet_);
    // Rows first, while their items still stand: the focus leaving an editor on its way out
    // finds a live item and a quiet grid.
    tree_->clear();
    deleteAll();
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

namespace {

// Every item under the categories, with its depth (categories are at 0).
void pourChaque(const std::vector<PropertyGridItem*>& items, const std::function<void(PropertyGridItem*)>& f) {
    for (PropertyGridItem* it : items) {
        f(it);
        pourChaque(it->children(), f);
    }
}

}  // namespace

int PropertyGrid::captionWidth() const {
    const int marge = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree_) + 1) + 6;
    int voulu = 0;
    pourChaque(categories_, [&](PropertyGridItem* it) {
        if (it->spanned()) return;
        QFont f = tree_->font();
        f.setBold(it->kind() == PropertyKind::Category);
        voulu = std::max(
            voulu, QFontMetrics(f).horizontalAdvance(it->caption()) + marge + tree_->indentation() * (it->level() + 1));
    });
    return voulu;
}

int PropertyGrid::spannedWidth() const {
    const int marge = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree_) + 1) + 6;
    const int coche = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, tree_) +
                      style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, tree_) + 4;
    int voulu = 0;
    pourChaque(categories_, [&](PropertyGridItem* it) {
        if (!it->spanned()) return;
        QFont f = tree_->font();
        f.setBold(it->kind() == PropertyKind::Category);
        voulu = std::max(voulu, QFontMetrics(f).horizontalAdvance(it->caption()) + marge +
                                    (it->kind() == PropertyKind::Choice ? coche : 0) +
                                    tree_->indentation() * (it->level() + 1));
    });
    return voulu;
}

int PropertyGrid::valueWidth() const {
    int voulu = QFontMetrics(tree_->font()).horizontalAdvance(QStringLiteral("00/00/0000")) + 40;
    pourChaque(categories_, [&](PropertyGridItem* it) {
        if (it->editor()) voulu = std::max(voulu, it->editor()->sizeHint().width());
    });
    return voulu;
}

int PropertyGrid::largeurLisible() const {
    const int cadre = 2 * tree_->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, tree_);
    return std::max(captionWidth() + valueWidth(), spannedWidth()) + cadre;
}

QSize PropertyGrid::sizeHint() const { return QSize(largeurLisible(), QWidget::sizeHint().height()); }

void PropertyGrid::fitColumns() {
    // Captions whole when they fit, but a date stays readable in the values.
    const int largeur = tree_->viewport()->width();
    tree_->setColumnWidth(0, std::max(40, std::min(captionWidth(), largeur - valueWidth())));
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
    QMetaObject::invokeMethod(
        this, [this, id] { Q_EMIT ValueChanged(id); }, Qt::QueuedConnection);
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
    if (quiet_) return;
    PropertyGridItem* it = itemOfRow(tree_->currentItem());
    if (it && it->kind() == PropertyKind::Choice && it->parent()) it = it->parent();
    help_->setText(it ? (it->description().isEmpty()
                             ? it->caption()
                             : QStringLiteral("<b>%1</b><br>%2")
                                   .arg(it->caption().toHtmlEscaped(), it->description().toHtmlEscaped()))
                      : QString());
}
