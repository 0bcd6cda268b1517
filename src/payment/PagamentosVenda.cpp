#include "payment/PagamentosVenda.h"

void PagamentosVenda::limpa() {
  linhas_.clear();
  acrescentaLivre();
}

Moeda PagamentosVenda::total() const {
  Moeda soma;
  for (const auto &l : linhas_)
    if (l) soma += l->valor;
  return soma;
}

Moeda PagamentosVenda::dinheiro() const {
  Moeda soma;
  for (const auto &l : linhas_)
    if (l && l->tipo == CondDinheiro) soma += l->valor;
  return soma;
}

QList<LinhaPagamento> PagamentosVenda::pagamentos() const {
  QList<LinhaPagamento> r;
  for (const auto &l : linhas_)
    if (l) r << *l;
  return r;
}

void PagamentosVenda::grava(int i, const LinhaPagamento &p) {
  if (i >= 0 && i < linhas()) linhas_[i] = p;
}

void PagamentosVenda::apaga(int i) {
  if (i < 0 || i >= linhas()) return;
  if (linhas() == 1) linhas_[0].reset();
  else linhas_.removeAt(i);
}

void PagamentosVenda::removeLivres() {
  for (int i = linhas() - 1; i >= 0 && linhas() > 1; --i)
    if (!linhas_[i]) linhas_.removeAt(i);
}

int PagamentosVenda::linhaDaCondicao(int condicao, int exceto) const {
  for (int i = 0; i < linhas(); ++i)
    if (i != exceto && linhas_[i] && linhas_[i]->condicao == condicao) return i;
  return -1;
}

int PagamentosVenda::cheques() const {
  int n = 0;
  for (const auto &l : linhas_)
    if (l && l->tipo == CondCheque) ++n;
  return n;
}

bool PagamentosVenda::chequeRepetido(int exceto, const QString &cheque, const QString &banco,
                                     const QString &agencia) const {
  for (int i = 0; i < linhas(); ++i) {
    const auto &l = linhas_[i];
    if (i == exceto || !l || l->cheque.isEmpty()) continue;
    if (l->cheque == cheque && l->banco == banco && l->agencia == agencia) return true;
  }
  return false;
}
