#include "ui/ModeloGrade.h"

QColor CorQt(uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

ModeloGrade::ModeloGrade(Grade &grade, QObject *pai) : QAbstractTableModel(pai), grade_(grade) {
  grade_.setObservador(this);
}

ModeloGrade::~ModeloGrade() {
  if (grade_.observador() == this) grade_.setObservador(nullptr);
}

int ModeloGrade::rowCount(const QModelIndex &pai) const {
  return pai.isValid() ? 0 : std::max(0, grade_.Rows() - grade_.FixedRows);
}

int ModeloGrade::columnCount(const QModelIndex &pai) const { return pai.isValid() ? 0 : grade_.Cols(); }

QVariant ModeloGrade::data(const QModelIndex &indice, int papel) const {
  const int linha = indice.row() + grade_.FixedRows, coluna = indice.column();
  switch (papel) {
    case Qt::DisplayRole: return grade_.TextMatrix(linha, coluna);
    case Qt::BackgroundRole: {
      const uint32_t cor = grade_.corFundoCelula(linha, coluna);
      return cor == CorFundoGrade ? QVariant() : QVariant(CorQt(cor));
    }
    case Qt::ForegroundRole: {
      const uint32_t cor = grade_.corFrenteCelula(linha, coluna);
      return cor == CorFrenteGrade ? QVariant() : QVariant(CorQt(cor));
    }
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
  if (orientacao != Qt::Horizontal || grade_.FixedRows < 1) return {};
  if (papel == Qt::DisplayRole) return grade_.TextMatrix(0, secao);
  if (papel == Qt::TextAlignmentRole) return data(index(0, secao), papel);
  return {};
}

void ModeloGrade::celulasMudaram(int primeira, int ultima) {
  const int f = grade_.FixedRows;
  if (primeira < f) emit headerDataChanged(Qt::Horizontal, 0, std::max(0, grade_.Cols() - 1));
  primeira = std::max(primeira, f);
  if (ultima < primeira || grade_.Cols() == 0) return;
  emit dataChanged(index(primeira - f, 0), index(ultima - f, grade_.Cols() - 1));
}

void ModeloGrade::antesDeInserir(int primeira, int ultima) {
  beginInsertRows({}, primeira - grade_.FixedRows, ultima - grade_.FixedRows);
}

void ModeloGrade::antesDeRemover(int primeira, int ultima) {
  beginRemoveRows({}, primeira - grade_.FixedRows, ultima - grade_.FixedRows);
}

void ModeloGrade::antesDeRefazer() {
  ++recomposicoes_;
  beginResetModel();
}
