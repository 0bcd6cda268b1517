#include "core/Grade.h"

#include <algorithm>

void Grade::setRows(int n) {
  n = std::max(0, n);
  while (celulas_.size() > n) celulas_.removeLast();
  while (celulas_.size() < n) celulas_.append(QStringList(QList<QString>(cols_)));
  Row = std::min(Row, std::max(0, n - 1));
  avisa();
}

void Grade::setCols(int n) {
  cols_ = std::max(0, n);
  for (QStringList &l : celulas_) {
    while (l.size() > cols_) l.removeLast();
    while (l.size() < cols_) l.append(QString());
  }
  avisa();
}

void Grade::setTopRow(int r) {
  topRow_ = std::clamp(r, FixedRows, std::max(FixedRows, Rows() - 1));
  avisa();
}

QString Grade::TextMatrix(int r, int c) const {
  if (r < 0 || r >= celulas_.size() || c < 0 || c >= cols_) return {};
  return celulas_[r][c];
}

void Grade::setTextMatrix(int r, int c, const QString &texto) {
  if (r < 0 || r >= celulas_.size() || c < 0 || c >= cols_) return;
  celulas_[r][c] = texto;
  avisa();
}

void Grade::AddItem(const QString &linha, int antes) {
  QStringList celulas = linha.split('\t');
  while (celulas.size() < cols_) celulas.append(QString());
  while (celulas.size() > cols_) celulas.removeLast();
  if (antes < 0 || antes >= celulas_.size()) celulas_.append(celulas);
  else celulas_.insert(antes, celulas);
  avisa();
}

void Grade::RemoveItem(int linha) {
  if (linha < 0 || linha >= celulas_.size()) return;
  celulas_.removeAt(linha);
  Row = std::min(Row, std::max(0, static_cast<int>(celulas_.size()) - 1));
  avisa();
}

void Grade::LimpaLinhas() {
  while (celulas_.size() > FixedRows) celulas_.removeLast();
  Row = std::min(Row, std::max(0, static_cast<int>(celulas_.size()) - 1));
  topRow_ = FixedRows;
  avisa();
}

void Grade::substituiLinhas(QList<QStringList> linhas) {
  LimpaLinhas();
  for (QStringList &l : linhas) {
    while (l.size() < cols_) l.append(QString());
    celulas_.append(std::move(l));
  }
  avisa();
}

void Grade::FormatString(const QString &layout) {
  const QStringList colunas = layout.section(';', 0, 0).split('|');
  setCols(static_cast<int>(colunas.size()));
  if (celulas_.isEmpty()) setRows(std::max(1, FixedRows));
  alinhamentos_.clear();
  for (int c = 0; c < colunas.size(); ++c) {
    QString cabecalho = colunas[c];
    AlinhamentoColuna a = AlinhamentoColuna::Esquerda;
    if (cabecalho.startsWith('>')) a = AlinhamentoColuna::Direita;
    else if (cabecalho.startsWith('^')) a = AlinhamentoColuna::Centro;
    if (cabecalho.startsWith('>') || cabecalho.startsWith('^') || cabecalho.startsWith('<'))
      cabecalho.remove(0, 1);
    alinhamentos_.append(a);
    celulas_[0][c] = cabecalho;
  }
  avisa();
}

void Grade::setColWidth(int c, int largura) {
  larguras_[c] = largura;
  avisa();
}

void Grade::setCorFundoCelula(int r, int c, uint32_t cor) {
  coresFundo_[chave(r, c)] = cor;
  avisa();
}

void Grade::setCorFrenteCelula(int r, int c, uint32_t cor) {
  coresFrente_[chave(r, c)] = cor;
  avisa();
}

void Grade::limpaCelulas() {
  for (int r = FixedRows; r < celulas_.size(); ++r)
    for (QString &c : celulas_[r]) c.clear();
  avisa();
}

int Grade::mantemLinhas(const std::function<bool(const QStringList &)> &fica,
                        const std::function<void(int)> &examinada) {
  QList<QStringList> mantidas;
  const int total = static_cast<int>(celulas_.size()) - FixedRows;
  int removidas = 0;
  for (int r = FixedRows; r < celulas_.size(); ++r) {
    if (examinada) examinada(r - FixedRows + 1);
    // Once only one row would be left, the scan stops and the rest stays.
    const int restantes = total - removidas;
    if (fica(celulas_[r]) || restantes <= 1) {
      mantidas.append(celulas_[r]);
      if (!fica(celulas_[r])) {
        for (int resto = r + 1; resto < celulas_.size(); ++resto) mantidas.append(celulas_[resto]);
        break;
      }
    } else {
      ++removidas;
    }
  }
  while (celulas_.size() > FixedRows) celulas_.removeLast();
  celulas_.append(mantidas);
  Row = RowSel = std::min(std::max(Row, FixedRows), static_cast<int>(celulas_.size()) - 1);
  topRow_ = FixedRows;
  avisa();
  return removidas;
}
