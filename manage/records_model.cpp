#include "manage/records_model.h"

#include <algorithm>
#include <climits>

namespace zelkor::manage {

QString ShownText(const eventdb::Value& value) {
    if (!value) {
        return {};
    }
    // A character takes at most 4 bytes, so this many bytes hold all the
    // characters shown; the rest is never converted.
    constexpr qsizetype kShownBytes = 4 * kShownCharacters;
    const auto bytes = static_cast<qsizetype>(value->size());
    QString text = QString::fromUtf8(value->data(), std::min(bytes, kShownBytes));
    qsizetype end = 0;
    for (qsizetype shown = 0; shown < kShownCharacters && end < text.size(); ++shown) {
        end += text[end].isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
    }
    text.truncate(end);
    return text;
}

int RecordsModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !recordset_.isOpen()) {
        return 0;
    }
    const int64_t count = recordset_.recordCount();
    return count > INT_MAX ? INT_MAX : static_cast<int>(count);
}

int RecordsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(recordset_.columns().size());
}

QVariant RecordsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) {
        return {};
    }
    eventdb::Value value;
    if (!recordset_.fieldAt(index.row(), index.column(), &value) || !value) {
        return {};
    }
    return ShownText(value);
}

QVariant RecordsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        static_cast<size_t>(section) >= recordset_.columns().size()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return QString::fromStdString(recordset_.columns()[static_cast<size_t>(section)]);
}

bool RecordsModel::changeRecordset(const std::function<bool()>& change) {
    beginResetModel();
    const bool ok = change();
    endResetModel();
    return ok;
}

bool RecordsModel::deleteCurrent() {
    eventdb::RowRemoval removal;
    removal.aboutToRemove = [this](int64_t row) {
        beginRemoveRows({}, static_cast<int>(row), static_cast<int>(row));
    };
    removal.removed = [this] { endRemoveRows(); };
    return recordset_.deleteCurrent(removal);
}

}  // namespace zelkor::manage
