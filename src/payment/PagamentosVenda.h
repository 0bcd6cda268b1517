#pragma once
// The payments of a sale as the payment screen holds them: the total to pay
// and the grid's rows in order, each a payment or a free row the cashier has
// yet to fill. The grid and the three totals on screen only show it.
#include <QList>
#include <QString>
#include <optional>

#include "core/Moeda.h"
#include "payment/LinhaPagamento.h"

class PagamentosVenda {
 public:
  PagamentosVenda() { limpa(); }

  // One free row and nothing paid; the total to pay stays.
  void limpa();
  void defineTotal(const Moeda &total) { totalVenda_ = total; }

  const Moeda &totalVenda() const { return totalVenda_; }
  // What the rows add up to, and the cash rows' part of it.
  Moeda total() const;
  Moeda dinheiro() const;
  Moeda emAberto() const { return totalVenda_ - total(); }
  bool concluido() const { return total() == totalVenda_; }

  // Rows, free ones included; a row index runs from 0.
  int linhas() const { return static_cast<int>(linhas_.size()); }
  bool livre(int i) const { return !linha(i); }
  // Nothing for a free row or an index out of range.
  std::optional<LinhaPagamento> linha(int i) const { return i >= 0 && i < linhas() ? linhas_[i] : std::nullopt; }
  // The rows holding a payment, in order.
  QList<LinhaPagamento> pagamentos() const;

  // A free row at the end.
  void acrescentaLivre() { linhas_.append(std::nullopt); }
  // A payment at the end.
  void acrescenta(const LinhaPagamento &p) { linhas_.append(p); }
  void grava(int i, const LinhaPagamento &p);
  // The only row is left free; any other is removed.
  void apaga(int i);
  // Free rows removed from the bottom up, one row always left.
  void removeLivres();

  // The first row holding that condition, other than `exceto` (-1: none).
  int linhaDaCondicao(int condicao, int exceto = -1) const;
  int cheques() const;
  // Another row holds the same cheque of the same bank and branch.
  bool chequeRepetido(int exceto, const QString &cheque, const QString &banco, const QString &agencia) const;

 private:
  Moeda totalVenda_;
  QList<std::optional<LinhaPagamento>> linhas_;
};
