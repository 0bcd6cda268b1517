#include "ui/ModeloGrade.h"

#include <QColor>

#include "core/Grade.h"

static QColor corBgr(uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

int ModeloGrade::rowCount(const QModelIndex &pai) const {
  return pai.isValid() ? 0 : std::max(0, grade_.Rows() - grade_.FixedRows);
}

int ModeloGrade::columnCount(const QModelIndex &pai) const { return pai.isValid() ? 0 : grade_.Cols(); }

QVariant ModeloGrade::data(const QModelIndex &indice, int papel) const {
  const int linha = indice.row() + grade_.FixedRows, coluna = indice.column();
  switch (papel) {
    case Qt::DisplayRole: return grade_.TextMatrix(linha, coluna);
    case Qt::BackgroundRole: return corBgr(grade_.corFundoCelula(linha, coluna));
    case Qt::ForegroundRole: return corBgr(grade_.corFrenteCelula(linha, coluna));
    case Qt::TextAlignmentRole:
      switch (grade_.alinhamento(coluna)) {
        case AlinhamentoColuna::Direita: return int(Qt::AlignRight | Qt::AlignVCenter);
        case AlinhamentoColuna::Centro: return int(Qt::AlignCenter);
        case AlinhamentoColuna::Esquerda: return int(Qt::AlignLeft | Qt::AlignVCenter);
      }
  }
  return {};
}

QVariant ModeloGrade::headerData(int secao, Qt::Orientation orientacao, int papel) const {
  if (papel != Qt::DisplayRole || orientacao != Qt::Horizontal || grade_.FixedRows < 1) return {};
  return grade_.TextMatrix(0, secao);
}
