#pragma once
// The payment screen: the sale total split into payment rows (cash, terms,
// agreements, cheques). Loaded hidden with the sale screen, shown by F4, reset
// for each coupon; its grid and totals are read when the sale is closed.
// AltPgto is the same screen for re-entering the payment of a recorded
// pre-sale: its opener fills the grid and the total before showing it.
#include <QStringList>
#include <cstdint>
#include <functional>

#include "core/Database.h"
#include "core/Moeda.h"
#include "core/Tela.h"
#include "payment/LinhaPagamento.h"
#include "payment/PagamentosVenda.h"

// What the screen that opens the payment grid gives it and takes back.
// A function left unset gives an empty text (or takes nothing).
struct AberturaPagamento {
  // The total to pay, taken on every activation when the screen's kind
  // takes it from its opener.
  std::function<Moeda()> totalVenda;
  // The customer's field, its leading number the customer code.
  std::function<QString()> cliente;
  // The fiscal operation of the sale (FisEpn); unset: as the opener wrote it.
  std::function<QString()> operacaoFiscal;
  // The condition the sale's prices were fixed for ("" when none).
  std::function<QString()> condicaoFixada;
  // Receives the cash rows' sum when the screen is left.
  std::function<void(const Moeda &)> recebeDinheiro;
};

// The refusal of a condition that needs the customer's credit checked
// while the desk works from its local copy.
inline const QString MensagemCreditoEmContingencia = QStringLiteral(
    "CONTINGÊNCIA: sem o servidor do banco de dados o crédito do cliente não pode ser conferido.\n"
    "Venda a prazo, em cheque ou em convênio com limite não é aceita agora: escolha outra condição.");

class CondPgto : public Tela {
 public:
  explicit CondPgto(Aplicacao &app);
  void carrega() override;
  void ativa() override;

  // Set by the opener before loading.
  void defineAbertura(AberturaPagamento abertura) { abertura_ = std::move(abertura); }

  // Back to the header and one free row, nothing paid (each new coupon).
  void LimpaPagamentos();
  // The opener's payments after the grid is cleared; the total to pay.
  void carregaLinhas(const Moeda &totalVenda, const QList<LinhaPagamento> &linhas);
  // What the rows add up to (the sale screen refuses changes once not zero).
  Moeda totalFormas() const { return modelo_.total(); }
  // The cash rows' sum (what the customer hands over in money).
  Moeda totalDinheiro() const { return modelo_.dinheiro(); }
  // The rows holding a payment, in grid order.
  QList<LinhaPagamento> pagamentos() const { return modelo_.pagamentos(); }

  // Payment-condition codes the grid can hold: 0 .. MaiorCodigo.
  static constexpr int MaiorCodigo = 999;
  // The least an instalment or cheque of split terms is worth.
  static constexpr Moeda MenorParcela = Moeda::deCentavos(100);
  // A due date or a term beyond the desk's horizon (TerminalState::DiasVencimento).
  static QString MensagemAlemDoHorizonte(const TerminalState &e);

  static inline const QString MensagemConcluido = QStringLiteral("Total da venda CONCLUIDO !");

 protected:
  // The differences between the sale's payment screen and the one that
  // changes a recorded pre-sale's payment.
  struct Variante {
    const char *nome;
    QString legendaSaida;
    bool ajudaTeclas;            // the key-help label is shown
    bool totalDaAbertura;        // TotVen taken from the opener on each activation
    bool saiSemPagamento;        // F4/Esc leave even with nothing paid
    bool conferePrefixada;       // codes limited to the sale's fixed condition
    QString tituloPrazo;         // column 6 title for a condition with terms
  };
  CondPgto(Aplicacao &app, const Variante &variante);

 private:
  QString daAbertura(const std::function<QString()> &f) const { return f ? f() : QString(); }
  int64_t clienteDaAbertura() const;
  void criaControles();
  void criaQuadro();
  void teclaTela(int &tecla, int shift);
  void teclaGrade(int &tecla, int shift);
  // The grid's current row, column 0, the visible columns selected.
  void marcaLinha(int linha);
  // The model's row i (grid row i + FixedRows) and the totals, on screen.
  void mostraLinha(int i);
  void mostraTotais();
  int linhaDoModelo(int linhaDaGrade);
  void apagaLinha();
  void insereLinha();
  void AbreQuadro();
  void FechaQuadro();
  void LimpaCampos();
  void HabilitaCheque();
  void DesabilitaCheque();
  void abandonaLinha();
  bool validaCodigo();
  // The customer's credit for a condition of that kind ("" when it holds).
  QString confereCredito(int dup, int64_t numero);
  // The frame set for the condition just read (RsCondicao).
  void aceitaCodigo(int dup);
  bool validaValor();
  bool validaVencimento();
  void grava();
  void GravaLinha();
  void sai();
  void abreCliente();
  // Instalment terms (F8) and the copy of the first cheque (F6).
  void digitaPrazos();
  void copiaCheques();

  // The amount typed in the frame.
  Moeda valorDigitado();

  Variante variante_;
  AberturaPagamento abertura_;
  PagamentosVenda modelo_;
  Recordset RsCondicao, RsCliente;
  int64_t CodCliente = 0;
  int LinhaAtual = 0;
  int TipoCpg = 0;
  int64_t Convenio = 0;
  QString NomeForma;
  bool CodigoValido = false;
  int dupCpg_ = -1;  // kind of the code last accepted in the frame

  QString PrazoCheque;
  int QtdParcelas = 0;
  QStringList Prazos;
  Moeda ValorPrimeira, ValorDemais;
  bool UsaValorDemais = false;
};

// The payment of a recorded pre-sale entered again: no total copied on
// activation (the opener writes it), no leaving with nothing paid, no fixed
// condition to respect.
class AltPgto : public CondPgto {
 public:
  explicit AltPgto(Aplicacao &app);
};
