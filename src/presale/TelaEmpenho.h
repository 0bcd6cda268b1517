#pragma once
// What the pre-sale printing and the sale viewer share: an empenho (a
// pre-sale keyed in the suite's sales program, or any recorded sale) called
// up by number, shown with its header, observations, names, items and
// payments; its payment rows changed on the payment-change screen; the
// empenho handed to the suite's release program. The two screens differ only
// in the points of `Variante`.
//
// Two states: number entry (NumEpn enabled, FrmTot disabled) and empenho
// loaded (NumEpn disabled, FrmTot enabled).
#include <QDateTime>
#include <QList>
#include <QStringList>
#include <functional>
#include <memory>

#include "core/Database.h"
#include "core/Moeda.h"
#include "core/Quantidade.h"
#include "core/Tela.h"
#include "payment/LinhaPagamento.h"

class AltPgto;

class TelaEmpenho : public Tela {
 public:
  ~TelaEmpenho() override;
  void carrega() override;
  void descarrega() override;

  // The payment-change screen, loaded hidden with this one.
  AltPgto &altPgto();
  qlonglong empenho() const { return codigo_; }
  qlonglong status() const { return status_; }

  // StaEpn's name: "Processo..." for a terminal's claim marker.
  static QString NomeStatus(qlonglong status);
  // The price tables as the header shows them.
  static QString NomeTabela(int tabela);

  static inline const QString MensagemNaoExiste = QStringLiteral("Empenho não existe !");
  static inline const QString MensagemJaImpresso = QStringLiteral("Já foi impresso cupom com este empenho !");
  static inline const QString MensagemLiberado = QStringLiteral("ATENÇÃO ! ESTE EMPENHO JÁ FOI LIBERADO !");
  static inline const QString MensagemM1 = QStringLiteral("ATENÇÃO ! FOI IMPRESSA UMA NOTA 'M1' DESTE EMPENHO !");
  static inline const QString MensagemPrefixado =
      QStringLiteral("Este Empenho teve preço pré-fixado. Alteração Negada !");
  static inline const QString MensagemLiberadoNegado = QStringLiteral("Empenho Liberado. Alteração Negada !");
  static inline const QString MensagemFormasDiferentes = QStringLiteral(
      "Total das formas (%1) diferente do total do empenho (%2) !\nAs formas de pagamento não foram alteradas.");

 protected:
  struct Variante {
    const char *nome;
    QString legenda;
    bool avisos;          // the released and 'M1' warnings when loading
    bool itensDaVisao;    // items from the EPNCLIPRO view (gaps shown), weight from the header
    bool zeroEhDinheiro;  // an amount tendered of 0 becomes the cash total
    // An empenho that already names this desk's coupon is refused too (the
    // printing: its coupon would be printed twice).
    bool recusaCupomDoCaixa;
  };
  TelaEmpenho(Aplicacao &app, const Variante &variante);

  // Why an empenho whose header row is `cab` belongs to another desk than
  // `caixa` (printed there and not released yet, or being printed there);
  // "" when it does not.
  static QString EmOutroCaixa(const Recordset &cab, const QString &caixa);
  // A column's text, trimmed ("" for Null).
  static QString texto(const Recordset &rs, const char *coluna);
  // An empenho's payment rows from one of the payment views.
  static QList<LinhaPagamento> LinhasPagamento(ConexaoBanco &c, const char *visao, qlonglong empenho);
  // Runs a handler under the error handler of the screens: a database that
  // fails is logged and told, and the screen goes on.
  void trata(const QString &rotina, const std::function<void()> &passo);
  // The screen's keys: Esc, then (empenho loaded) `teclaCarregado`.
  void teclaTela(int &tecla, int shift);
  virtual void teclaCarregado(int &tecla) = 0;
  // Why this screen will not take an empenho the checks let through ("": none).
  virtual QString recusaEmpenho(qlonglong) { return {}; }

  // Enter in NumEpn: the empenho is read and checked, then loaded. True when
  // it is loaded (the screen is then in its second state).
  bool abreEmpenho();
  // Loads the empenho whose number NumEpn shows into the screen; false when
  // there is none (nothing loaded: MensagemNaoExiste).
  bool CarregaEmpenho();
  void LimpaTela();
  // Back to number entry.
  virtual void NovoEmpenho();
  void LimpaGradePgto();
  // F4: the payment rows entered again and rewritten.
  void AlteraFormaEmpenho();
  // Starts the release program for this empenho with `marcador` (a new
  // claim marker when 0) and the server's time renewed.
  void LiberaEmpenho(qlonglong marcador = 0);

  Moeda totalDinheiro();
  // The amount tendered; empty counts as the cash total.
  Moeda valorPago();
  Moeda liquido();
  void mostraTroco();

  Variante variante_;
  qlonglong codigo_ = 0;
  // The empenho's total less its discount, and its cash rows' sum (or what
  // the payment change left in cash).
  Moeda liquido_, dinheiro_;
  qlonglong status_ = 0;
  QString serie_;          // NfsEpn as read ("" for Null)
  QString formaFixada_;    // FpgEpn
  int itensEmpenho_ = 0;   // NitEpn
  QDateTime horaServidor_;  // taken at opening, renewed by each release

 private:
  void criaControles();
  void carregaItens();
  void carregaPagamentos();
  std::unique_ptr<AltPgto> altPgto_;
};
