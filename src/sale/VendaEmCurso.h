#pragma once
// The coupon being sold on the sale screen: its items as the printer took
// them, each with what the printer charged (quantity, unit value, line
// value), the product's list price and tax data at entry, and its cancelled
// mark; the seven coupon totals and the total. The grid shows it; the
// closing, the cancellation of an item and the transcript read it.
#include <QList>
#include <QString>
#include <optional>

#include "core/Moeda.h"
#include "core/Quantidade.h"
#include "core/Tributacao.h"

struct ItemVendido;

struct ItemCupom {
  int numero = 0;          // its number on the coupon (1, 2, ...)
  QString produto;         // system code
  QString descricao;
  Quantidade quantidade;
  bool inteira = true;     // sold in whole units
  Moeda unitario;          // as the printer charges it (two decimals)
  Moeda precoLista;        // the product's list price at entry
  Moeda valor;             // the line as the printer charges it
  DadosTributacao tributacao;  // at entry: its cancellation takes back the same
  bool cancelado = false;
};

class VendaEmCurso {
 public:
  // Nothing sold: no items, totals zero, no value released.
  void limpa();

  // An item the printer took: it is numbered next and its line goes into
  // the totals.
  const ItemCupom &adiciona(ItemCupom item);
  // An item the printer cancelled: marked, and its line taken off the
  // totals with the classification its entry used.
  void cancela(int numero);

  // The item of that number (nullptr: none).
  const ItemCupom *item(int numero) const;
  const QList<ItemCupom> &itens() const { return itens_; }
  int proximoNumero() const { return static_cast<int>(itens_.size()) + 1; }
  bool vazia() const { return itens_.isEmpty(); }
  Moeda total() const { return total_; }
  const TotaisCupom &totais() const { return totais_; }

  // The items not cancelled, as the recording takes them.
  QList<ItemVendido> vendidos() const;

  // F11: a unit value released for the next item (none: the price).
  std::optional<Moeda> valorLiberado;
  // F10: the quantity of the next item (zero: one).
  Quantidade quantidadePendente;

 private:
  QList<ItemCupom> itens_;
  TotaisCupom totais_{};
  Moeda total_;
};
