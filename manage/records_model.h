#pragma once
// The data grid's model over the browsed rows: rows are read only when the view
// asks for them, so a large table opens at once. Every change of the rows
// happens between the model's begin and end signals, so a view never reads
// a row that is gone or misses one that came.

#include <QAbstractTableModel>
#include <functional>

#include "eventdb/event_rows.h"

namespace zelkor::manage {

// The grid and the text boxes show at most this many characters of a value:
// laying out a description of megabytes took the window minutes.
inline constexpr qsizetype kShownCharacters = 4096;

// `value` as shown: its first kShownCharacters characters; empty for Null.
QString ShownText(const eventdb::Value& value);

class RecordsModel : public QAbstractTableModel {
  public:
    explicit RecordsModel(eventdb::EventRows& recordset, QObject* parent = nullptr)
        : QAbstractTableModel(parent), recordset_(recordset) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Runs `change`, which reopens or closes the recordset, between the
    // model's reset signals; returns what `change` returned.
    bool changeRecordset(const std::function<bool()>& change);
    // Deletes the recordset's current row; the removal is signalled around
    // the row leaving the recordset, and not at all when it stays.
    bool deleteCurrent();

  private:
    eventdb::EventRows& recordset_;
};

}  // namespace zelkor::manage
