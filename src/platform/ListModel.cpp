#include "platform/ListModel.h"

#include "platform/ListRows.h"

CListModel::CListModel(const CListRows& rows, QObject* parent) : QAbstractTableModel(parent), m_rows(rows) {}
int CListModel::rowCount(const QModelIndex&) const { return 0; }
int CListModel::columnCount(const QModelIndex&) const { return 0; }
QVariant CListModel::data(const QModelIndex&, int) const { return {}; }
QVariant CListModel::headerData(int, Qt::Orientation, int) const { return {}; }
void CListModel::CellChanged(int, int) {}
