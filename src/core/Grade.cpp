#include "core/Grade.h"

#include <algorithm>

Grade::Linha Grade::linhaVazia() const {
  Linha l;
  l.celulas = QStringList(QList<QString>(cols_));
  return l;
}

void Grade::ajustaLinha(Linha &l) const {
  l.celulas.resize(cols_);
  if (!l.fundo.isEmpty()) l.fundo.resize(cols_, CorFundoGrade);
  if (!l.frente.isEmpty()) l.frente.resize(cols_, CorFrenteGrade);
}

void Grade::corrigePosicao() {
  const int ultima = std::max(0, Rows() - 1);
  const int ultimaColuna = std::max(0, cols_ - 1);
  row_ = std::clamp(row_, 0, ultima);
  rowSel_ = std::clamp(rowSel_, 0, ultima);
  col_ = std::clamp(col_, 0, ultimaColuna);
  colSel_ = std::clamp(colSel_, 0, ultimaColuna);
  topRow_ = std::clamp(topRow_, FixedRows, std::max(FixedRows, ultima));
}

void Grade::refaz(const std::function<void()> &mudanca) {
  if (observador_) observador_->antesDeRefazer();
  mudanca();
  corrigePosicao();
  if (observador_) observador_->refez();
  avisa();
}

void Grade::setRows(int n) {
  n = std::max(0, n);
  const int antes = Rows();
  if (n == antes) return;
  // Header rows are not rows of the view: changing them rebuilds it.
  if (std::min(n, antes) < FixedRows) {
    refaz([&] {
      linhas_.resize(n);
      for (Linha &l : linhas_) ajustaLinha(l);
    });
    return;
  }
  if (n > antes) {
    if (observador_) observador_->antesDeInserir(antes, n - 1);
    while (linhas_.size() < n) linhas_.append(linhaVazia());
    if (observador_) observador_->inseriu();
  } else {
    if (observador_) observador_->antesDeRemover(n, antes - 1);
    linhas_.resize(n);
    if (observador_) observador_->removeu();
  }
  corrigePosicao();
  avisa();
}

void Grade::setCols(int n) {
  n = std::max(0, n);
  if (n == cols_) return;
  refaz([&] {
    cols_ = n;
    for (Linha &l : linhas_) ajustaLinha(l);
  });
}

void Grade::setRow(int r) {
  row_ = rowSel_ = std::clamp(r, 0, std::max(0, Rows() - 1));
  avisa();
}

void Grade::setCol(int c) {
  col_ = colSel_ = std::clamp(c, 0, std::max(0, cols_ - 1));
  avisa();
}

void Grade::setRowSel(int r) {
  rowSel_ = std::clamp(r, 0, std::max(0, Rows() - 1));
  avisa();
}

void Grade::setColSel(int c) {
  colSel_ = std::clamp(c, 0, std::max(0, cols_ - 1));
  avisa();
}

void Grade::setPosicao(int r, int c) {
  row_ = rowSel_ = std::clamp(r, 0, std::max(0, Rows() - 1));
  col_ = colSel_ = std::clamp(c, 0, std::max(0, cols_ - 1));
  avisa();
}

void Grade::setTopRow(int r) {
  topRow_ = std::clamp(r, FixedRows, std::max(FixedRows, Rows() - 1));
  avisa();
}

QString Grade::TextMatrix(int r, int c) const {
  if (r < 0 || r >= Rows() || c < 0 || c >= cols_) return {};
  return linhas_[r].celulas[c];
}

void Grade::setTextMatrix(int r, int c, const QString &texto) {
  if (r < 0 || r >= Rows() || c < 0 || c >= cols_) return;
  if (linhas_[r].celulas[c] == texto) return;
  linhas_[r].celulas[c] = texto;
  if (observador_) observador_->celulasMudaram(r, r);
  avisa();
}

void Grade::AddItem(const QString &linha, int antes) {
  Linha nova = linhaVazia();
  const QStringList celulas = linha.split('\t');
  for (int c = 0; c < cols_ && c < celulas.size(); ++c) nova.celulas[c] = celulas[c];
  const int posicao = (antes < 0 || antes >= Rows()) ? Rows() : antes;
  if (posicao < FixedRows) {
    refaz([&] { linhas_.insert(posicao, std::move(nova)); });
    return;
  }
  if (observador_) observador_->antesDeInserir(posicao, posicao);
  linhas_.insert(posicao, std::move(nova));
  if (observador_) observador_->inseriu();
  // The current row stays on the row it was on.
  if (row_ >= posicao && row_ >= FixedRows && Rows() > posicao + 1) ++row_, ++rowSel_;
  corrigePosicao();
  avisa();
}

void Grade::RemoveItem(int linha) {
  if (linha < 0 || linha >= Rows()) return;
  if (linha < FixedRows) {
    refaz([&] { linhas_.removeAt(linha); });
    return;
  }
  if (observador_) observador_->antesDeRemover(linha, linha);
  linhas_.removeAt(linha);
  if (observador_) observador_->removeu();
  if (row_ > linha) --row_;
  if (rowSel_ > linha) --rowSel_;
  corrigePosicao();
  avisa();
}

void Grade::LimpaLinhas() {
  if (Rows() > FixedRows) {
    if (observador_) observador_->antesDeRemover(FixedRows, Rows() - 1);
    linhas_.resize(FixedRows);
    if (observador_) observador_->removeu();
  }
  topRow_ = FixedRows;
  corrigePosicao();
  avisa();
}

void Grade::anexaLinhas(QList<QStringList> novas) {
  linhas_.reserve(linhas_.size() + novas.size());
  for (QStringList &celulas : novas) {
    Linha l;
    l.celulas = std::move(celulas);
    ajustaLinha(l);
    linhas_.append(std::move(l));
  }
}

void Grade::substituiLinhas(QList<QStringList> novas) {
  refaz([&] {
    linhas_.resize(std::min<int>(FixedRows, Rows()));
    anexaLinhas(std::move(novas));
    topRow_ = FixedRows;
  });
}

void Grade::acrescentaLinhas(QList<QStringList> novas) {
  if (novas.isEmpty()) return;
  const int primeira = Rows();
  if (observador_) observador_->antesDeInserir(primeira, primeira + static_cast<int>(novas.size()) - 1);
  anexaLinhas(std::move(novas));
  if (observador_) observador_->inseriu();
  corrigePosicao();
  avisa();
}

void Grade::FormatString(const QString &layout) {
  const QStringList colunas = layout.section(';', 0, 0).split('|');
  refaz([&] {
    cols_ = static_cast<int>(colunas.size());
    if (linhas_.isEmpty()) linhas_.append(linhaVazia());
    for (Linha &l : linhas_) ajustaLinha(l);
    alinhamentos_.clear();
    larguras_.clear();
    for (int c = 0; c < colunas.size(); ++c) {
      QString cabecalho = colunas[c];
      AlinhamentoColuna a = AlinhamentoColuna::Esquerda;
      if (cabecalho.startsWith('>')) a = AlinhamentoColuna::Direita;
      else if (cabecalho.startsWith('^')) a = AlinhamentoColuna::Centro;
      if (cabecalho.startsWith('>') || cabecalho.startsWith('^') || cabecalho.startsWith('<'))
        cabecalho.remove(0, 1);
      alinhamentos_.append(a);
      // The title with the blanks after it is the column's width.
      larguras_[c] = std::max<int>(1, static_cast<int>(cabecalho.size()));
      linhas_[0].celulas[c] = cabecalho.trimmed();
    }
  });
}

void Grade::setColWidth(int c, int largura) {
  if (larguras_.value(c, -1) == largura) return;
  larguras_[c] = largura;
  avisa();
}

uint32_t Grade::cor(int r, int c, QList<uint32_t> Linha::*lista, uint32_t padrao) const {
  if (r < 0 || r >= Rows()) return padrao;
  const QList<uint32_t> &cores = linhas_[r].*lista;
  return c >= 0 && c < cores.size() ? cores[c] : padrao;
}

void Grade::pintaCelula(int r, int c, QList<uint32_t> Linha::*lista, uint32_t padrao, uint32_t cor) {
  if (r < 0 || r >= Rows() || c < 0 || c >= cols_) return;
  QList<uint32_t> &cores = linhas_[r].*lista;
  if (cores.isEmpty()) {
    if (cor == padrao) return;
    cores.fill(padrao, cols_);
  }
  cores[c] = cor;
  if (observador_) observador_->celulasMudaram(r, r);
  avisa();
}

void Grade::setCorFundoCelula(int r, int c, uint32_t cor) { pintaCelula(r, c, &Linha::fundo, CorFundoGrade, cor); }

void Grade::setCorFrenteCelula(int r, int c, uint32_t cor) { pintaCelula(r, c, &Linha::frente, CorFrenteGrade, cor); }

void Grade::setCorLinha(int r, uint32_t fundo, uint32_t frente) {
  if (r < 0 || r >= Rows()) return;
  Linha &l = linhas_[r];
  l.fundo = fundo == CorFundoGrade ? QList<uint32_t>() : QList<uint32_t>(cols_, fundo);
  l.frente = frente == CorFrenteGrade ? QList<uint32_t>() : QList<uint32_t>(cols_, frente);
  if (observador_) observador_->celulasMudaram(r, r);
  avisa();
}

void Grade::limpaCelulas() {
  for (int r = FixedRows; r < Rows(); ++r) {
    Linha &l = linhas_[r];
    for (QString &c : l.celulas) c.clear();
    l.fundo.clear();
    l.frente.clear();
  }
  if (observador_ && Rows() > FixedRows) observador_->celulasMudaram(FixedRows, Rows() - 1);
  avisa();
}

int Grade::mantemLinhas(const std::function<bool(const QStringList &)> &fica,
                        const std::function<void(int)> &examinada) {
  int removidas = 0;
  refaz([&] {
    QList<Linha> mantidas;
    const int total = Rows() - FixedRows;
    for (int r = FixedRows; r < Rows(); ++r) {
      if (examinada) examinada(r - FixedRows + 1);
      // Once only one row would be left, the scan stops and the rest stays.
      const int restantes = total - removidas;
      const bool mantem = fica(linhas_[r].celulas);
      if (mantem || restantes <= 1) {
        mantidas.append(linhas_[r]);
        if (!mantem) {
          for (int resto = r + 1; resto < Rows(); ++resto) mantidas.append(linhas_[resto]);
          break;
        }
      } else {
        ++removidas;
      }
    }
    linhas_.resize(FixedRows);
    linhas_.append(mantidas);
    row_ = rowSel_ = std::min(std::max(row_, FixedRows), Rows() - 1);
    topRow_ = FixedRows;
  });
  return removidas;
}
