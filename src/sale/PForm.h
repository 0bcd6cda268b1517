#pragma once
// The sale screen, main window of the run: its start-up (the global state it
// completes, the access record, its captions), the activation lock, and the
// coupon's lifecycle: the states, the function keys and menus (the printer's
// own menu is fiscalday/MenuFiscal), opening and
// cancelling a coupon, the customer, the payment condition, the drawer,
// authentication, and the calculator and suite programs.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/Moeda.h"
#include "core/Quantidade.h"
#include "core/Tela.h"
#include "core/Tributacao.h"
#include "presale/JanelaVenda.h"
#include "sale/EstoqueCupom.h"
#include "sale/VendaEmCurso.h"

class CondPgto;
class MenuFiscal;
class Recordset;
class ServicoFechamento;
struct VendaFechada;

class PForm : public Tela, public JanelaVenda {
 public:
  explicit PForm(Aplicacao &app);
  ~PForm() override;
  void carrega() override;
  void ativa() override;
  bool podeFechar() override;
  void descarrega() override;
  // The coupon's seven totals, for the transcript.
  QStringList estadoInterno() const override;

  // The window handle recorded with the access (the skin sets the real one).
  quint64 handleJanela = 0;
  QString textoUsuario() const { return textoUsuario_; }
  // Unloads the login screen once the sale screen is active.
  std::function<void()> descarregaLogin;
  // A desk working from its local copy while the server is away (set by the
  // program when the desk has one): the status text for the kept sales'
  // count ("" on the server), and a sale just closed (the server is tried).
  std::function<QString(int vendasGuardadas)> textoContingencia;
  std::function<void()> vendaFechada;
  // The desk went into (true) or came out of its contingency: the status
  // bar and the message line say so; back on the server, what was kept is
  // recorded now unless a coupon or another screen is open (the timer's
  // next try does it then).
  void contingenciaMudou(bool emContingencia);

  // Sale states (used by the other sale screens too).
  void LiberaItens();
  void BloqueiaItens();
  void LimpaVenda();
  // Empties the item grid, shows zero amounts and hides "CANCELADO" (a
  // coupon opened, or one printed by another screen).
  void LimpaCupomMostrado();
  // Resets the payment grid of the payment screen; the payment screen plugs
  // its reset in here when it is loaded.
  void LimpaPagamentos();
  std::function<void()> limpaGradePagamentos;
  // The amount already assigned to payment forms ("Pago" of the payment
  // screen); zero until payments are assigned.
  std::function<Moeda()> valorAtribuido;
  bool pagamentosAtribuidos() const { return valorAtribuido && valorAtribuido() != Moeda(); }
  // F7: closes the coupon on the printer (one of the two closing dialogs),
  // opens the drawer and records the sale.
  void CmdFinal();
  // Back to the anonymous consumer and his fiscal operation.
  void voltaAoConsumidor();
  // Journal, recording and release of the closed sales (owned here, shared
  // with the pre-sale printing).
  ServicoFechamento &fechamento() override;
  // What the pre-sale printing shows here.
  QString clienteDaVenda() override { return venda_.cliente; }
  QString caixaDaVenda() override { return campo("Caixa").texto(); }
  void mostraNumeroCupom(qlonglong cupom) override { defineCupom(cupom); }
  void mostraCupomCancelado() override { campo("Cancelado").setVisible(true); }
  void mostraCupomDeOutraTela(const QString &cliente, qlonglong empenho, qlonglong cupom) override;
  void mostraEmpenho(qlonglong codigo) override;
  // The sale's customer, fiscal operation, salesperson and coupon number:
  // kept in the coupon in progress and shown.
  void defineCliente(const QString &cliente);
  void defineOperacao(const QString &operacao);
  void defineVendedor(const QString &vendedor);
  void defineCupom(qlonglong cupom);
  // The message line after a sale: customer, empenho, coupon.
  void mostraVendaConcluida(const QString &cliente, qlonglong empenho, qlonglong cupom);

  // What item entry, quantities, item cancellation and customer change say
  // once payments are assigned.
  static inline const QString MensagemPagamentosAtribuidos =
      QStringLiteral("FORMAS DE PGTO JÁ FORAM ATRIBUIDAS. ALTERAÇÃO NEGADA !");
  // Start-up printer check: a coupon left open is cancelled.
  void VerificaImpressora();
  // What cancelling the open coupon came to: `concluido` once the printer
  // cancelled it and what this desk had of its sale was withdrawn (a sale
  // already recorded handed to the cancellation program); otherwise why not,
  // in the cashier's words (the printer's refusal, a sale cancelled before,
  // a request that could not be written).
  struct CancelamentoCupom {
    bool concluido = false;
    QString porque;
  };
  // Cancels the coupon on the printer and withdraws a recorded sale of it.
  CancelamentoCupom CancelaCupom();

  // Item entry: Enter in Produto; F10 and F11.
  void vendeItem();
  // Why the product's taxation cannot be sold ("" when it can).
  static QString RecusaTributacao(const DadosTributacao &d);
  // Sends the item to the printer; false when the printer refused it (its
  // status shown under "Envia Item").
  bool EnviaItem(const QString &codigo, const QString &descricao, const DadosTributacao &dados, bool inteira,
                 Quantidade quantidade, Moeda unitario);
  void DigitaQuantidade();
  void DigitaValor();
  // The message line while items are typed: the quantity set for the next
  // item, or "Digitação de Itens.".
  void mostraLinhaItens();
  // What the message line says of a code no product has (the code follows,
  // cut to MaiorCodigoMostrado characters).
  static inline const QString MensagemNaoCadastrado = QStringLiteral("Produto não cadastrado: ");
  // A bar code whose check digit does not hold; an in-store label worth 0,00.
  static inline const QString MensagemCodigoInvalido =
      QStringLiteral("Código de barras inválido (dígito verificador não confere): ");
  static inline const QString MensagemEtiquetaZerada = QStringLiteral("Etiqueta com valor ZERADO: ");
  static constexpr int MaiorCodigoMostrado = 40;
  // F6: cancels an item of the coupon (asked and confirmed by number).
  void cancelaItem();
  // Cancels the item on the printer and, once it did, takes it off the
  // coupon; the printer's refusal in the cashier's words otherwise.
  QString EstornaItem(int item);
  // How the grid shows a quantity ("1,5", "1,0", "1,235"; whole: "2").
  static QString quantidadeMostrada(Quantidade q, bool inteira);
  // Tries of the stock update that conflicts with another desk.
  static constexpr int TentativasEstoque = ::TentativasEstoque;
  // The largest quantity F10 takes (the printer's field has four whole digits).
  static constexpr int MaiorQuantidade = 9999;
  static QString MensagemQuantidadeGrande() {
    return QStringLiteral("QTDE MAIOR QUE %1 NÃO CABE NA IMPRESSORA !").arg(MaiorQuantidade);
  }
  // The coupon being sold (emptied when a coupon opens and when the screen
  // is reset); the grid shows it.
  const VendaEmCurso &vendaEmCurso() const { return venda_; }
  Moeda totalVenda() const { return venda_.total(); }
  // The customer group of the sale (discounts by group).
  QString grupoCliente;
  // The anonymous consumer's fiscal operation (his Opf1Cli), the sale's
  // again when a cancelled coupon gives the desk back to him.
  QString operacaoConsumidor_ = QStringLiteral("5102");
  // The cancellation request file and program of the installation.
  static constexpr const char *ArquivoPedidoCancelamento = "c:\\kw-velt\\cancela.txt";
  static constexpr const char *ProgramaCancelamento = "c:\\kw-velt\\CancelaPreVenda.exe";

 private:
  // The payment screen, loaded hidden for the whole run (F4 shows it).
  std::unique_ptr<CondPgto> condPgto_;
  void carregaPagamentos();
  void criaControles();
  void criaCampos();
  void criaQuadroCliente();
  void criaBotoes();
  // The printer menu (Alt+1), then the management (Alt+2) and system
  // (Alt+3) menus.
  void criaMenus();
  void criaMenuGerencia();
  void preencheProgramasSuite();
  void leEmpresa();
  void confereEmpresaEExercicio();
  void registraAcesso(const QString &entrada);
  void mostraLegendas();
  void teclaForm(int &tecla, int shift);

  // Buttons and fields.
  void abreCupom();
  void cancelaCupom();
  void abreGaveta();
  void autentica();
  void formasPagamento();
  void alteraCliente();
  void mostraQuadroCliente();
  void gravaCliente();
  bool confereFormaPgto();
  // AltGr+1..6: brings up (or starts) one of the suite's programs.
  void ativaModulo(int n);
  void leGrupoCliente(const QString &codigo);
  void iniciaGrade();
  void habilitaMenus(bool sim);

  void teclaProduto(int &tecla, int shift);
  // The row the next item takes (its number; an empty last row, added when
  // needed).
  int linhaDoProximoItem();
  // An item's row as the coupon holds it.
  void mostraItem(const ItemCupom &item);
  // The product of the code typed (rs on its row; a label's value); false,
  // with the message line saying why, when there is none.
  bool procuraProduto(const QString &texto, Recordset &rs, std::optional<Moeda> &valorEtiqueta);
  // An item the printer took: its row, the totals shown, the pending stock.
  void mostraItemVendido(const ItemCupom &novo);
  // The product's price less the discounts of the sale's payment condition
  // and of the customer's group (four decimals).
  Moeda precoComDescontos(const QString &codPro, Moeda precoLista);
  // The next item's quantity: F10's, a label's value at the list price, or
  // one; whole for a product sold in units.
  Quantidade quantidadeDoItem(bool inteira, const std::optional<Moeda> &valorEtiqueta, Moeda precoLista) const;
  // The value released with F11 is dropped (refused, or its item not sold).
  void esqueceValorLiberado();
  // The pending stock of the open coupon's items: raised for an item sold
  // (owed when the database does not take it), given back for an item
  // cancelled, for the whole coupon cancelled (what this run or, at
  // start-up, the run that died raised for it).
  void levantaEstoque(int item, const QString &codPro, Quantidade quantidade);
  void devolveEstoqueDoItem(int item, const QString &codPro, Quantidade quantidade);
  void devolveEstoqueDoCupom(qlonglong numero);
  void guardaEstoqueCupom();
  void esqueceEstoqueCupom();
  EstoqueCupom estoqueCupom_;
  // Zeroes what a coupon accumulates.
  void zeraCupom();
  // The sale on the screen as the recording takes it.
  VendaFechada montaVenda() const;
  // The zero-total coupon: a 0,01 placeholder item, then cancelled.
  void cancelaCupomZerado();
  // The sale of a coupon the printer cancelled: dropped from the desk's
  // journal; a recorded one claimed and handed to the cancellation program.
  CancelamentoCupom retiraVendaDoCupom(qlonglong numero);

  std::unique_ptr<MenuFiscal> menuFiscal_;
  std::unique_ptr<ServicoFechamento> fechamento_;
  QString formaUm_;  // payment form 1's name last read
  QString textoUsuario_;
  VendaEmCurso venda_;
};

