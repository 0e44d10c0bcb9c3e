#include "framework/ListModel.h"

#include "store/ListRows.h"

namespace {
// LVCFMT_LEFT 0, LVCFMT_RIGHT 1, LVCFMT_CENTER 2; rows are centred vertically, as a report list draws them.
int Alignment(int format) {
    switch (format) {
    case 1: return Qt::AlignRight | Qt::AlignVCenter;
    case 2: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

QString FromBytes(std::string_view text) {
    // Bytes that are not UTF-8 show as U+FFFD; the stored bytes are never touched.
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

CListModel::CListModel(const CListRows& rows, QObject* parent) : QAbstractTableModel(parent), m_rows(rows) {}

int CListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows.GetRowCount(); }

int CListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant CListModel::data(const QModelIndex& index, int role) const {
    // Painting a screen asks for a dozen roles per cell: only these three are answered, and only
    // DisplayRole converts text, the one cell asked for.
    if (!index.isValid()) return {};
    switch (role) {
    case Qt::DisplayRole: {
        const CCellText cell = m_rows.GetText(index.row(), index.column());
        return FromBytes(cell);
    }
    case Qt::TextAlignmentRole: {
        const auto col = static_cast<std::size_t>(index.column());
        return col < m_columns.size() ? Alignment(m_columns[col].format) : Alignment(0);
    }
    case Qt::ToolTipRole: {
        if (!m_toolTip || !index.isValid()) return {};
        const std::string tip = m_toolTip(index.row(), index.column());
        if (tip.empty()) return {};
        return FromBytes(tip);
    }
    default: return {};
    }
}

QVariant CListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || static_cast<std::size_t>(section) >= m_columns.size())
        return {};
    const Column& column = m_columns[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole) return FromBytes(column.heading);
    if (role == Qt::TextAlignmentRole) return Alignment(column.format);
    return {};
}

Qt::ItemFlags CListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void CListModel::CellChanged(int row, int col) {
    const QModelIndex cell = index(row, col);
    if (cell.isValid()) emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::ToolTipRole});
}
