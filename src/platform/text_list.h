#pragma once
// A list of text lines as the windows' list boxes held them: append at the end, insert at the
// top, count, read by position, empty. It is a list model, so a window shows it as it is.
#include <QAbstractListModel>
#include <QStringList>

class TextList : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    void append(const QString& line);
    // Several lines at once: the windows showing the list hear of them once.
    void append(const QStringList& lines);
    void insertTop(const QString& line);
    int count() const { return int(lines_.size()); }
    QString at(int i) const { return (i >= 0 && i < lines_.size()) ? lines_.at(i) : QString(); }
    const QStringList& lines() const { return lines_; }
    void clear();
    // Removes the first n lines (a writer that has saved them).
    void removeFirst(int n);

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : count(); }
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QStringList lines_;
};
