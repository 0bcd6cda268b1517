#pragma once
// A pre-sale keyed in the suite's sales program printed as a fiscal coupon:
// its items, discount and payment forms as recorded, the consumer's name and
// document when given (Pause). Like a sale of the sale screen, the coupon
// goes through the desk's journal before the printer closes it, so the
// summary, the coupon number written back and the release are never lost.
#include <optional>

#include "core/Moeda.h"
#include "core/Quantidade.h"
#include "core/Tributacao.h"
#include "payment/LinhaPagamento.h"
#include "presale/TelaEmpenho.h"

class JanelaVenda;
struct VendaFechada;

// An item of an empenho as the coupon sells it.
struct ItemEmpenho {
  int item = 0;
  QString produto;
  QString descricao;
  DadosTributacao tributacao;
  Quantidade quantidade;
  Moeda unitario;  // as the printer is sent it (two decimals)
};

class ImprimeCupomPreVenda : public TelaEmpenho {
 public:
  ImprimeCupomPreVenda(Aplicacao &app, JanelaVenda &venda);
  void carrega() override;
  void ativa() override;

  // F5: the coupon printed and recorded.
  void imprime();

  static inline const QString MensagemValorMenor = QStringLiteral("Valor Pago menor que o Valor em Dinheiro !");
  static inline const QString MensagemOcupada = QStringLiteral("Aguarde Impressora Ocupada !");
  static inline const QString MensagemConcluida = QStringLiteral("Impressão Concluída !");
  static inline const QString MensagemDocumento =
      QStringLiteral("Digite um numerio com 11 (cpf) ou 14 (cnpj) dígitos!");

  // The document as the printer takes it: "###.###.###-##" for 11 digits,
  // "##.###.###/####-##" otherwise; empty stays empty.
  static QString DocumentoFormatado(const QString &documento);

 protected:
  void teclaCarregado(int &tecla) override;
  QString recusaEmpenho(qlonglong codigo) override;
  // The consumer identified for one pre-sale does not pass to the next.
  void NovoEmpenho() override;

 private:
  void gravaCliente();
  void fechaQuadroCliente();
  // The coupon: printed (the printer closed it; recorded, or kept on the
  // desk), not printed (nothing closed) or uncertain (the printer did not
  // answer after the closing); `porque` tells the last two.
  enum class Impressao { Impresso, NaoImpresso, Incerto };
  struct ResultadoImpressao {
    Impressao impressao;
    QString porque;
  };
  ResultadoImpressao ImprimeCupomEmpenho(qlonglong marcador);
  // What the coupon of the empenho on screen prints, read before it is opened.
  struct CupomEmpenho {
    QString codigoCliente, operacao, nome, documento;
    qlonglong vendedor = 0;
    Moeda total, desconto;  // the items' total and the discount (TotEpn, DscEpn)
    QList<ItemEmpenho> itens;
    QList<LinhaPagamento> pagamentos;
    Moeda liquido() const { return total - desconto; }
  };
  // The coupon read, or (no coupon) why the empenho cannot be printed as it is.
  struct LeituraCupom {
    std::optional<CupomEmpenho> cupom;
    QString porque;
  };
  LeituraCupom leCupom();
  // The items into the coupon; why not (an item or its product missing).
  std::optional<QString> leItens(CupomEmpenho &cupom, int quantos);
  VendaFechada montaVenda(const CupomEmpenho &c, qlonglong cupom, const TotaisCupom &totais,
                          qlonglong marcador) const;
  // Journal, closing, the printer's word, recording.
  ResultadoImpressao fechaCupom(const CupomEmpenho &c, const VendaFechada &venda);
  // Claims the empenho as read for this desk (marker and desk); false, with
  // the operator told, when another desk or program changed it meanwhile.
  bool tomaEmpenho(qlonglong marcador);
  // A claim whose coupon was not printed is given back as it was read.
  void devolveEmpenho(qlonglong marcador);
  // Sells the item on the printer; the printer's refusal when it did not.
  std::optional<QString> VendeItemEmpenho(const ItemEmpenho &item, TotaisCupom &totais);
  // A coupon left open by a failure is cancelled so the desk can sell on:
  // the failure with what became of the coupon.
  QString cancelaCupomAberto(const QString &falha);

  JanelaVenda &venda_;
};
