#pragma once
// A table model over a screen grid: the view asks only for the rows it shows,
// so a grid of a hundred thousand rows costs no widget per cell, and it
// follows the grid change by change (cells, inserted and removed rows).
#include <QAbstractTableModel>
#include <QColor>

#include "core/Grade.h"

// A colour of the screens (0xBBGGRR) as Qt's.
QColor CorQt(uint32_t bgr);

class ModeloGrade : public QAbstractTableModel, private ObservadorGrade {
 public:
  explicit ModeloGrade(Grade &grade, QObject *pai = nullptr);
  ~ModeloGrade() override;
  int rowCount(const QModelIndex &pai = {}) const override;
  int columnCount(const QModelIndex &pai = {}) const override;
  QVariant data(const QModelIndex &indice, int papel) const override;
  QVariant headerData(int secao, Qt::Orientation orientacao, int papel) const override;
  // Counts of what the view was told (a test watches for needless resets).
  int recomposicoes() const { return recomposicoes_; }

 private:
  void celulasMudaram(int primeiraLinha, int ultimaLinha) override;
  void antesDeInserir(int primeira, int ultima) override;
  void inseriu() override { endInsertRows(); }
  void antesDeRemover(int primeira, int ultima) override;
  void removeu() override { endRemoveRows(); }
  void antesDeRefazer() override;
  void refez() override { endResetModel(); }
  Grade &grade_;
  int recomposicoes_ = 0;
};
