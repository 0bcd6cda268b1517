#include "sale/VendaEmCurso.h"

#include "closing/VendaFechada.h"

void VendaEmCurso::limpa() {
  itens_.clear();
  totais_.fill(Moeda());
  total_ = Moeda();
  valorLiberado.reset();
  quantidadePendente = Quantidade();
}

const ItemCupom &VendaEmCurso::adiciona(ItemCupom item) {
  item.numero = proximoNumero();
  item.cancelado = false;
  AcumulaLinha(totais_, ClassificaTributacao(item.tributacao), item.valor);
  total_ += item.valor;
  itens_ << item;
  return itens_.last();
}

void VendaEmCurso::cancela(int numero) {
  if (numero < 1 || numero > itens_.size()) return;
  ItemCupom &i = itens_[numero - 1];
  if (i.cancelado) return;
  i.cancelado = true;
  AcumulaLinha(totais_, ClassificaTributacao(i.tributacao), i.valor, -1);
  total_ -= i.valor;
}

const ItemCupom *VendaEmCurso::item(int numero) const {
  if (numero < 1 || numero > itens_.size()) return nullptr;
  return &itens_[numero - 1];
}

QList<ItemVendido> VendaEmCurso::vendidos() const {
  QList<ItemVendido> r;
  for (const ItemCupom &i : itens_) {
    if (i.cancelado) continue;
    ItemVendido v;
    v.item = i.numero;
    v.produto = i.produto.trimmed().toLongLong();
    v.quantidade = i.quantidade;
    v.unitario = i.unitario;
    v.precoLista = i.precoLista;
    v.valor = i.valor;
    v.tributacao = i.tributacao.tribPro;
    r << v;
  }
  return r;
}
