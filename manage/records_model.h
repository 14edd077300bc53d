#pragma once
// The data grid's model over a recordset: rows are read only when the view
// asks for them, so a large table opens at once.

#include <QAbstractTableModel>

#include "eventdb/recordset.h"

namespace zelkor::manage {

class RecordsModel : public QAbstractTableModel {
  public:
    explicit RecordsModel(eventdb::Recordset& recordset, QObject* parent = nullptr)
        : QAbstractTableModel(parent), recordset_(recordset) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The recordset was reopened.
    void reload();
    // Row `row` was deleted from the recordset.
    void rowDeleted(int row);

  private:
    eventdb::Recordset& recordset_;
};

}  // namespace zelkor::manage
