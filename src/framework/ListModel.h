#pragma once
#include <QAbstractTableModel>
#include <functional>
#include <string>
#include <vector>

class CListRows;

// Thin adapter: shows a CListRows to a QTableView. Texts are bytes; the view shows them as UTF-8,
// with replacement characters where they are not.
class CListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        std::string heading;
        int format = 0;  // LVCFMT_*
    };
    CListModel(const CListRows& rows, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Selectable and enabled, never editable.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    std::vector<Column>& Columns() { return m_columns; }
    std::function<std::string(int row, int col)> m_toolTip;
    // Rows and columns are changed through CListRows; these tell the view.
    using QAbstractTableModel::beginInsertColumns;
    using QAbstractTableModel::beginInsertRows;
    using QAbstractTableModel::beginRemoveRows;
    using QAbstractTableModel::beginResetModel;
    using QAbstractTableModel::endInsertColumns;
    using QAbstractTableModel::endInsertRows;
    using QAbstractTableModel::endRemoveRows;
    using QAbstractTableModel::endResetModel;
    using QAbstractTableModel::layoutAboutToBeChanged;
    using QAbstractTableModel::layoutChanged;
    void CellChanged(int row, int col);

private:
    const CListRows& m_rows;
    std::vector<Column> m_columns;
};
