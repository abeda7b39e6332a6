#include "platform/text_list.h"

void TextList::append(const QString& line) {
    const int n = count();
    beginInsertRows({}, n, n);
    lines_.append(line);
    endInsertRows();
}

void TextList::append(const QStringList& lines) {
    if (lines.isEmpty()) return;
    const int n = count();
    beginInsertRows({}, n, n + int(lines.size()) - 1);
    lines_.append(lines);
    endInsertRows();
}

void TextList::insertTop(const QString& line) {
    beginInsertRows({}, 0, 0);
    lines_.prepend(line);
    endInsertRows();
}

void TextList::clear() {
    if (lines_.isEmpty()) return;
    beginResetModel();
    lines_.clear();
    endResetModel();
}

void TextList::removeFirst(int n) {
    n = std::min(n, count());
    if (n <= 0) return;
    beginRemoveRows({}, 0, n - 1);
    lines_.remove(0, n);
    endRemoveRows();
}

QVariant TextList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) return {};
    if (role == Qt::DisplayRole) return lines_.at(index.row());
    return {};
}
