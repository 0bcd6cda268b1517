// The pending-sale stock of the sale screen's open coupon: raised for each
// item sold, given back for an item or the coupon cancelled, kept on the
// drive while the coupon is open.
#include "core/Database.h"
#include "core/Operator.h"
#include "core/Utilidades.h"
#include "platform/Paths.h"
#include "sale/PForm.h"

namespace {

QString arquivo() { return platform::hostPath(ArquivoEstoqueCupom); }

QString lista(const QList<ItemEstoque> &itens) {
  QStringList r;
  for (const ItemEstoque &i : itens)
    r << QStringLiteral("produto %1: %2").arg(i.produto, i.quantidade.formatada(3));
  return r.join('\n');
}

}  // namespace

void PForm::guardaEstoqueCupom() {
  QString erro;
  // Without the record a start-up after a power cut could not give this
  // coupon's stock back; the sale itself goes on.
  if (!GravaEstoqueCupom(arquivo(), estoqueCupom_, &erro))
    campo("TxtMens").setTexto(QStringLiteral("Estoque do cupom não guardado no disco: ") + erro);
}

void PForm::esqueceEstoqueCupom() {
  // A record this run wrote is over with its coupon. One an earlier run left
  // is kept for the start-up cancellation of its coupon (a cancellation the
  // printer refused is tried at the next start); when its coupon was closed
  // instead, the next coupon's first item replaces it.
  if (estoqueCupom_.cupom != 0) ApagaEstoqueCupom(arquivo());
  estoqueCupom_ = EstoqueCupom();
}

void PForm::levantaEstoque(int item, const QString &codPro, Quantidade quantidade) {
  TerminalState &e = estado();
  if (estoqueCupom_.cupom == 0) {
    estoqueCupom_.caixa = e.NumCaixa;
    estoqueCupom_.cupom = venda_.cupom;
    estoqueCupom_.data = e.DataSistema;
  }
  ItemEstoque i{item, codPro, quantidade, false};
  try {
    AtualizaEstoquePendente(e, codPro, quantidade);
  } catch (const ErroBanco &) {
    // The printer took the item: it is sold. Its stock goes with the sale.
    i.devido = true;
    // Working from the local copy, the message line already says so.
    if (!e.conexao().emReserva())
      campo("TxtMens").setTexto(
          QStringLiteral("Item vendido. Sem banco de dados agora: o estoque dele será atualizado com a venda."));
  }
  estoqueCupom_.itens << i;
  guardaEstoqueCupom();
}

void PForm::devolveEstoqueDoItem(int item, const QString &codPro, Quantidade quantidade) {
  const ItemEstoque *registrado = estoqueCupom_.item(item);
  // An owed raise never happened: there is nothing to give back.
  if (!registrado || !registrado->devido) {
    const ItemEstoque devolver{item, registrado ? registrado->produto : codPro,
                               registrado ? registrado->quantidade : quantidade, false};
    try {
      AtualizaEstoquePendente(estado(), devolver.produto, -devolver.quantidade);
    } catch (const ErroBanco &) {
      // The printer cancelled the item: it is not sold. Its give-back goes
      // with the sale (or the coupon's cancellation).
      estoqueCupom_.devolucoesDevidas << devolver;
      if (!estado().conexao().emReserva())
        campo("TxtMens").setTexto(QStringLiteral(
            "Item cancelado. Sem banco de dados agora: o estoque dele será devolvido com a venda."));
    }
  }
  estoqueCupom_.itens.removeIf([item](const ItemEstoque &i) { return i.item == item; });
  guardaEstoqueCupom();
}

void PForm::devolveEstoqueDoCupom(qlonglong numero) {
  TerminalState &e = estado();
  // This run's coupon, or the one an earlier run left open (its record on
  // the drive names it).
  EstoqueCupom registro = estoqueCupom_;
  if (registro.itens.isEmpty()) {
    const std::optional<EstoqueCupom> noDisco = LeEstoqueCupom(arquivo());
    if (noDisco && numero != 0 && noDisco->cupom == numero && noDisco->caixa == e.NumCaixa) registro = *noDisco;
  }
  const QList<ItemEstoque> devolver = registro.levantados();
  try {
    DevolveEstoque(e, devolver);
  } catch (const ErroBanco &erro) {
    app().operador().avisa(QStringLiteral("O cupom foi cancelado, mas o estoque pendente dos itens não pôde ser "
                                          "devolvido (%1). Acerte no estoque:\n")
                               .arg(erro.descricao()) +
                           lista(devolver));
  }
  estoqueCupom_ = EstoqueCupom();
  ApagaEstoqueCupom(arquivo());
}
