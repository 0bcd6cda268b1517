#pragma once
// The sale screen, main window of the run: its start-up (the global state it
// completes, the access record, its captions), the activation lock, and the
// coupon's lifecycle: the states, the function keys and menus, opening and
// cancelling a coupon, the customer, the payment condition, the drawer,
// authentication, and the calculator and suite programs.
#include <array>
#include <cstdint>
#include <functional>

#include "core/Moeda.h"
#include "core/Tela.h"

// The seven coupon totals, in the order they are recorded.
enum TotalCupom : int {
  BaseTributada,      // BasIcmNot
  ValorIcms,          // ValIcmNot
  BaseSubstituicao,   // BasSubNot
  ValorSubstituicao,  // ValSubNot
  IsentoNaoTributado, // BasIseNot
  BaseReduzida,       // BasRedNot
  Diferido,           // BasDifNot
  QuantidadeTotaisCupom
};

class PForm : public Tela {
 public:
  explicit PForm(Aplicacao &app);
  void carrega() override;
  void ativa() override;
  bool podeFechar() override;
  void descarrega() override;

  // The window handle recorded with the access (the skin sets the real one).
  quint64 handleJanela = 0;
  QString textoUsuario() const { return textoUsuario_; }
  // Unloads the login screen once the sale screen is active.
  std::function<void()> descarregaLogin;

  // Sale states (used by the other sale screens too).
  void LiberaItens();
  void BloqueiaItens();
  void LimpaVenda();
  // Resets the payment grid of the payment screen; the payment screen plugs
  // its reset in here when it is loaded.
  void LimpaPagamentos();
  std::function<void()> limpaGradePagamentos;
  // The amount already assigned to payment forms ("Pago" of the payment
  // screen); zero until payments are assigned.
  std::function<Moeda()> valorAtribuido;
  bool pagamentosAtribuidos() const { return valorAtribuido && valorAtribuido() != Moeda(); }
  // Start-up printer check: a coupon left open is cancelled.
  void VerificaImpressora();
  // Cancels the coupon on the printer and withdraws a recorded sale of it;
  // leaves a message in Mensagem on failure.
  void CancelaCupom();

  // The coupon's totals (zeroed when a coupon opens and when the screen is reset).
  std::array<Moeda, QuantidadeTotaisCupom> totais{};
  // The customer group of the sale (discounts by group).
  QString grupoCliente;
  // The cancellation request file and program of the installation.
  static constexpr const char *ArquivoPedidoCancelamento = "c:\\kw-velt\\cancela.txt";
  static constexpr const char *ProgramaCancelamento = "c:\\kw-velt\\CancelaPreVenda.exe";
  static constexpr const char *ProgramaCalculadora = "c:\\kw-velt\\Calculadora.exe";

 private:
  void criaControles();
  void criaMenus();
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
  void leituraXImpressa();
  void abreCalculadora();
  void ativaModulo(int n);
  void leGrupoCliente(const QString &codigo);
  void mostraMensagem();
  // "Erro de Comunicação: " + code (or the other spelling, as each caller uses).
  static QString erroComunicacao(int codigo, bool maiuscula = true);
  void iniciaGrade();
  void habilitaMenus(bool sim);

  QString textoUsuario_;
};
