#include "core/Grade.h"

#include <algorithm>
#include <iterator>
#include <utility>

void LinhasCompactas::Bloco::inicia(qsizetype tamanho) {
  const qsizetype inicio = ehLargo ? largo.size() : latin1.size();
  if (tamanhos.size() % colunas == 0) inicios.push_back(static_cast<uint32_t>(inicio));
  if (tamanho < kLongo) {
    tamanhos.push_back(static_cast<uint8_t>(tamanho));
  } else {
    longos.emplace(tamanhos.size(), static_cast<uint32_t>(tamanho));
    tamanhos.push_back(kLongo);
  }
}

void LinhasCompactas::acrescenta(QLatin1StringView texto) {
  Bloco &b = *b_;
  if (b.colunas == 0 || b.fechado) return;
  b.inicia(texto.size());
  if (b.ehLargo) b.largo.append(texto);
  else b.latin1.append(texto.data(), texto.size());
}

void LinhasCompactas::acrescenta(QStringView texto) {
  Bloco &b = *b_;
  if (b.colunas == 0 || b.fechado) return;
  const qsizetype inicio = b.ehLargo ? b.largo.size() : b.latin1.size();
  b.inicia(texto.size());
  if (!b.ehLargo) {
    b.latin1.resize(inicio + texto.size());
    char *destino = b.latin1.data() + inicio;
    qsizetype i = 0;
    for (; i < texto.size() && texto[i].unicode() <= 0xFF; ++i) destino[i] = static_cast<char>(texto[i].unicode());
    if (i == texto.size()) return;
    // A character beyond Latin-1: the block goes on in UTF-16.
    b.latin1.resize(inicio);
    b.largo = QString::fromLatin1(b.latin1);
    b.latin1 = QByteArray();
    b.ehLargo = true;
  }
  b.largo.append(texto);
}

void LinhasCompactas::Bloco::fecha() {
  if (std::exchange(fechado, true)) return;
  const size_t linhas = colunas ? tamanhos.size() / colunas : 0;
  // A cell's text as bytes of the buffer (two a character in UTF-16).
  const int largura = ehLargo ? 2 : 1;
  const char *texto = ehLargo ? reinterpret_cast<const char *>(largo.constData()) : latin1.constData();
  auto bytes = [&](size_t k, uint32_t inicio) { return QByteArrayView(texto + inicio * largura, tamanho(k) * largura); };
  // Per column: its distinct texts in order of appearance, and each cell's
  // number among them, while there are few enough for a byte (a column by
  // value uses the whole byte: its cells have no long lengths).
  constexpr int kMaximo = 256;
  struct Espalha {
    size_t operator()(QByteArrayView v) const { return qHash(v, 0); }
  };
  std::vector<std::unordered_map<QByteArrayView, uint8_t, Espalha>> distintos(colunas);
  std::vector<qsizetype> total(colunas, 0);
  std::vector<bool> candidata(colunas, linhas > 0);
  std::vector<uint8_t> numeros(tamanhos.size());  // each cell's number among its column's texts
  for (size_t r = 0; r < linhas; ++r) {
    uint32_t inicio = inicios[r];
    for (int c = 0; c < colunas; ++c) {
      const size_t k = r * colunas + c;
      const QByteArrayView v = bytes(k, inicio);
      inicio += tamanho(k);
      if (!candidata[c]) continue;
      total[c] += v.size();
      auto &d = distintos[c];
      if (tamanhos[k] == kLongo) {
        candidata[c] = false;
        continue;
      }
      auto achado = d.find(v);
      if (achado == d.end()) {
        if (d.size() == kMaximo) {
          candidata[c] = false;
          continue;
        }
        achado = d.emplace(v, static_cast<uint8_t>(d.size())).first;
      }
      numeros[k] = achado->second;
    }
  }
  // Worth it when the texts kept once, with what a list of them costs, are
  // well under the texts in every row.
  bool algumaPorValor = false;
  for (int c = 0; c < colunas; ++c) {
    qsizetype unicos = 0;
    for (const auto &par : distintos[c]) unicos += par.first.size() + 48;
    candidata[c] = candidata[c] && unicos * 2 < total[c];
    algumaPorValor = algumaPorValor || candidata[c];
  }
  if (algumaPorValor) {
    valores.assign(colunas, {});
    for (int c = 0; c < colunas; ++c) {
      if (!candidata[c]) continue;
      valores[c].resize(distintos[c].size());
      for (const auto &[v, numero] : distintos[c])
        valores[c][numero] = ehLargo ? QStringView(reinterpret_cast<const char16_t *>(v.data()), v.size() / 2).toString()
                                     : QString::fromLatin1(v);
    }
    // The rows' text again without those columns' cells.
    QByteArray novo;
    novo.reserve((ehLargo ? largo.size() * 2 : latin1.size()));
    for (size_t r = 0; r < linhas; ++r) {
      uint32_t inicio = inicios[r];
      inicios[r] = static_cast<uint32_t>(novo.size() / largura);
      for (int c = 0; c < colunas; ++c) {
        const size_t k = r * colunas + c;
        const QByteArrayView v = bytes(k, inicio);
        inicio += tamanho(k);
        if (candidata[c]) tamanhos[k] = numeros[k];
        else novo.append(v);
      }
    }
    distintos.clear();
    if (ehLargo) largo = QString(reinterpret_cast<const QChar *>(novo.constData()), novo.size() / 2);
    else latin1 = std::move(novo);
    porValor = std::move(candidata);
  }
  latin1.squeeze();
  largo.squeeze();
  inicios.shrink_to_fit();
  tamanhos.shrink_to_fit();
}

void LinhasCompactas::acrescentaLinha(const QStringList &celulas) {
  for (int c = 0; c < b_->colunas; ++c) acrescenta(c < celulas.size() ? QStringView(celulas[c]) : QStringView());
}

QStringList &Grade::celulasProprias(Linha &l) const {
  Proprias &p = proprias(l);
  if (const LinhasCompactas::Bloco *bloco = blocoDe(l)) {
    p.celulas.clear();
    p.celulas.reserve(cols_);
    const int noBloco = std::min(cols_, bloco->colunas);
    for (int c = 0; c < noBloco; ++c) p.celulas.append(bloco->celula(static_cast<int>(l.indice()), c).toString());
    l.saiDoBloco();
  }
  p.celulas.resize(cols_);
  return p.celulas;
}

Grade::Proprias &Grade::proprias(Linha &l) const {
  return l.fazProprias();
}

void Grade::ajustaLinha(Linha &l) const {
  // A block row keeps its range while the columns are no fewer than the
  // block's; fewer columns cut its cells, as they cut a row's own.
  if (l.noBloco() && blocoDe(l)->colunas > cols_) celulasProprias(l);
  if (!l.proprias()) return;
  Proprias &p = *l.proprias();
  if (!l.noBloco() && !p.celulas.isEmpty()) p.celulas.resize(cols_);
  if (!p.fundo.isEmpty()) p.fundo.resize(cols_, CorFundoGrade);
  if (!p.frente.isEmpty()) p.frente.resize(cols_, CorFrenteGrade);
}

void Grade::soltaBlocos() {
  if (blocos_.empty()) return;
  for (const Linha &l : linhas_)
    if (l.noBloco()) return;
  blocos_.clear();
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
  soltaBlocos();
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
    linhas_.resize(n);
    if (observador_) observador_->inseriu();
  } else {
    if (observador_) observador_->antesDeRemover(n, antes - 1);
    linhas_.resize(n);
    soltaBlocos();
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

QAnyStringView Grade::celula(int r, int c) const {
  if (r < 0 || r >= Rows() || c < 0 || c >= cols_) return {};
  const Linha &l = linhas_[r];
  if (const LinhasCompactas::Bloco *bloco = blocoDe(l))
    return c < bloco->colunas ? bloco->celula(static_cast<int>(l.indice()), c) : QAnyStringView();
  if (l.proprias() && c < l.proprias()->celulas.size()) return QAnyStringView(l.proprias()->celulas[c]);
  return {};
}

QString Grade::TextMatrix(int r, int c) const {
  if (r < 0 || r >= Rows() || c < 0 || c >= cols_) return {};
  const Linha &l = linhas_[r];
  // A row's own cell is handed over shared, without a copy.
  if (!l.noBloco()) return l.proprias() ? l.proprias()->celulas.value(c) : QString();
  return celula(r, c).toString();
}

QStringList Grade::linha(int r) const {
  QStringList celulas;
  if (r < 0 || r >= Rows()) return celulas;
  celulas.reserve(cols_);
  for (int c = 0; c < cols_; ++c) celulas.append(TextMatrix(r, c));
  return celulas;
}

void Grade::setTextMatrix(int r, int c, const QString &texto) {
  if (r < 0 || r >= Rows() || c < 0 || c >= cols_) return;
  if (celula(r, c) == texto) return;
  celulasProprias(linhas_[r])[c] = texto;
  if (observador_) observador_->celulasMudaram(r, r);
  avisa();
}

void Grade::AddItem(const QString &linha, int antes) {
  Linha nova;
  const QStringList celulas = linha.split('\t');
  QStringList &proprias = celulasProprias(nova);
  for (int c = 0; c < cols_ && c < celulas.size(); ++c) proprias[c] = celulas[c];
  const int posicao = (antes < 0 || antes >= Rows()) ? Rows() : antes;
  if (posicao < FixedRows) {
    refaz([&] { linhas_.insert(linhas_.begin() + posicao, std::move(nova)); });
    return;
  }
  if (observador_) observador_->antesDeInserir(posicao, posicao);
  linhas_.insert(linhas_.begin() + posicao, std::move(nova));
  if (observador_) observador_->inseriu();
  // The current row stays on the row it was on.
  if (row_ >= posicao && row_ >= FixedRows && Rows() > posicao + 1) ++row_, ++rowSel_;
  corrigePosicao();
  avisa();
}

void Grade::RemoveItem(int linha) {
  if (linha < 0 || linha >= Rows()) return;
  if (linha < FixedRows) {
    refaz([&] { linhas_.erase(linhas_.begin() + linha); });
    return;
  }
  if (observador_) observador_->antesDeRemover(linha, linha);
  linhas_.erase(linhas_.begin() + linha);
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
    soltaBlocos();
    if (observador_) observador_->removeu();
  }
  topRow_ = FixedRows;
  corrigePosicao();
  avisa();
}

void Grade::anexaLinhas(LinhasCompactas novas) {
  const int n = novas.linhas();
  if (n == 0) return;
  novas.b_->fecha();
  blocos_.push_back(std::move(novas.b_));
  const auto numero = static_cast<uint32_t>(blocos_.size() - 1);
  // Geometric growth: appending block after block stays linear in the rows.
  for (int i = 0; i < n; ++i) {
    Linha l(numero, static_cast<uint32_t>(i));
    ajustaLinha(l);
    linhas_.push_back(std::move(l));
  }
}

namespace {
LinhasCompactas compacta(const QList<QStringList> &linhas, int colunas) {
  LinhasCompactas bloco(colunas);
  for (const QStringList &l : linhas) bloco.acrescentaLinha(l);
  return bloco;
}
}  // namespace

void Grade::substituiLinhas(QList<QStringList> novas) { substituiLinhas(compacta(novas, cols_)); }

void Grade::substituiLinhas(LinhasCompactas novas) {
  refaz([&] {
    linhas_.resize(std::min<int>(FixedRows, Rows()));
    soltaBlocos();
    anexaLinhas(std::move(novas));
    topRow_ = FixedRows;
  });
}

void Grade::cabecalhosProprios() {
  for (int r = 0; r < std::min<int>(FixedRows, Rows()); ++r)
    if (linhas_[r].noBloco()) celulasProprias(linhas_[r]);
}

Grade::Guardadas Grade::guardaLinhas() {
  Guardadas g;
  g.row = row_, g.col = col_, g.rowSel = rowSel_, g.colSel = colSel_, g.topRow = topRow_;
  refaz([&] {
    const int fixas = std::min<int>(FixedRows, Rows());
    cabecalhosProprios();
    g.linhas.assign(std::make_move_iterator(linhas_.begin() + fixas), std::make_move_iterator(linhas_.end()));
    linhas_.resize(fixas);
    g.blocos = std::exchange(blocos_, {});
    topRow_ = FixedRows;
  });
  return g;
}

void Grade::devolveLinhas(Guardadas g) {
  refaz([&] {
    linhas_.resize(std::min<int>(FixedRows, Rows()));
    cabecalhosProprios();
    std::move(g.linhas.begin(), g.linhas.end(), std::back_inserter(linhas_));
    blocos_ = std::move(g.blocos);
    row_ = g.row, col_ = g.col, rowSel_ = g.rowSel, colSel_ = g.colSel, topRow_ = g.topRow;
  });
}

void Grade::acrescentaLinhas(QList<QStringList> novas) { acrescentaLinhas(compacta(novas, cols_)); }

void Grade::acrescentaLinhas(LinhasCompactas novas) {
  const int n = novas.linhas();
  if (n == 0) return;
  const int primeira = Rows();
  if (observador_) observador_->antesDeInserir(primeira, primeira + n - 1);
  anexaLinhas(std::move(novas));
  if (observador_) observador_->inseriu();
  corrigePosicao();
  avisa();
}

void Grade::FormatString(const QString &layout) {
  const QStringList colunas = layout.section(';', 0, 0).split('|');
  refaz([&] {
    cols_ = static_cast<int>(colunas.size());
    if (linhas_.empty()) linhas_.emplace_back();
    for (Linha &l : linhas_) ajustaLinha(l);
    alinhamentos_.clear();
    larguras_.clear();
    QStringList &cabecalhos = celulasProprias(linhas_[0]);
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
      cabecalhos[c] = cabecalho.trimmed();
    }
  });
}

void Grade::setColWidth(int c, int largura) {
  if (larguras_.value(c, -1) == largura) return;
  larguras_[c] = largura;
  avisa();
}

uint32_t Grade::cor(int r, int c, QList<uint32_t> Proprias::*lista, uint32_t padrao) const {
  if (r < 0 || r >= Rows() || !linhas_[r].proprias()) return padrao;
  const QList<uint32_t> &cores = (*linhas_[r].proprias()).*lista;
  return c >= 0 && c < cores.size() ? cores[c] : padrao;
}

void Grade::pintaCelula(int r, int c, QList<uint32_t> Proprias::*lista, uint32_t padrao, uint32_t cor) {
  if (r < 0 || r >= Rows() || c < 0 || c >= cols_) return;
  Linha &l = linhas_[r];
  if ((!l.proprias() || (l.proprias()->*lista).isEmpty()) && cor == padrao) return;
  QList<uint32_t> &cores = proprias(l).*lista;
  if (cores.isEmpty()) cores.fill(padrao, cols_);
  cores[c] = cor;
  if (observador_) observador_->celulasMudaram(r, r);
  avisa();
}

void Grade::setCorFundoCelula(int r, int c, uint32_t cor) { pintaCelula(r, c, &Proprias::fundo, CorFundoGrade, cor); }

void Grade::setCorFrenteCelula(int r, int c, uint32_t cor) { pintaCelula(r, c, &Proprias::frente, CorFrenteGrade, cor); }

void Grade::setCorLinha(int r, uint32_t fundo, uint32_t frente) {
  if (r < 0 || r >= Rows()) return;
  Linha &l = linhas_[r];
  if (l.proprias() || fundo != CorFundoGrade || frente != CorFrenteGrade) {
    Proprias &p = proprias(l);
    p.fundo = fundo == CorFundoGrade ? QList<uint32_t>() : QList<uint32_t>(cols_, fundo);
    p.frente = frente == CorFrenteGrade ? QList<uint32_t>() : QList<uint32_t>(cols_, frente);
  }
  if (observador_) observador_->celulasMudaram(r, r);
  avisa();
}

void Grade::limpaCelulas() {
  for (int r = FixedRows; r < Rows(); ++r) linhas_[r] = Linha();
  soltaBlocos();
  if (observador_ && Rows() > FixedRows) observador_->celulasMudaram(FixedRows, Rows() - 1);
  avisa();
}

int Grade::mantemLinhas(const std::function<bool(const QStringList &)> &fica,
                        const std::function<void(int)> &examinada) {
  return mantemLinhasSe([&](int r) { return fica(linha(r)); }, examinada);
}

int Grade::mantemLinhas(int coluna, const std::function<bool(QAnyStringView)> &fica,
                        const std::function<void(int)> &examinada) {
  return mantemLinhasSe([&](int r) { return fica(celula(r, coluna)); }, examinada);
}

int Grade::mantemLinhasSe(const std::function<bool(int)> &fica, const std::function<void(int)> &examinada) {
  int removidas = 0;
  refaz([&] {
    const int total = Rows() - FixedRows;
    // Kept rows move up over the removed ones, in order.
    int destino = FixedRows;
    int r = FixedRows;
    for (; r < Rows(); ++r) {
      if (examinada) examinada(r - FixedRows + 1);
      // Once only one row would be left, the scan stops and the rest stays.
      const int restantes = total - removidas;
      const bool mantem = fica(r);
      if (mantem || restantes <= 1) {
        if (destino != r) linhas_[destino] = std::move(linhas_[r]);
        ++destino;
        if (!mantem) {
          ++r;
          break;
        }
      } else {
        ++removidas;
      }
    }
    for (; r < Rows(); ++r, ++destino)
      if (destino != r) linhas_[destino] = std::move(linhas_[r]);
    linhas_.resize(destino);
    row_ = rowSel_ = std::min(std::max(row_, FixedRows), Rows() - 1);
    topRow_ = FixedRows;
  });
  return removidas;
}
