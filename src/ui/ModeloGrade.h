#pragma once
// A table model over a screen grid: the view asks only for the rows it shows,
// so a grid of a hundred thousand rows costs no widget per cell.
#include <QAbstractTableModel>

class Grade;

class ModeloGrade : public QAbstractTableModel {
 public:
  explicit ModeloGrade(Grade &grade, QObject *pai = nullptr) : QAbstractTableModel(pai), grade_(grade) {}
  int rowCount(const QModelIndex &pai = {}) const override;
  int columnCount(const QModelIndex &pai = {}) const override;
  QVariant data(const QModelIndex &indice, int papel) const override;
  QVariant headerData(int secao, Qt::Orientation orientacao, int papel) const override;
  // The grid changed: reset the view's picture of it.
  void recarrega() { beginResetModel(); endResetModel(); }

 private:
  Grade &grade_;
};
