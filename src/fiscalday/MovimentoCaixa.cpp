#include "fiscalday/MovimentoCaixa.h"

#include "core/Operator.h"
#include "core/Utilidades.h"
#include "fiscal/AnalisaRetorno.h"
#include "fiscal/Ecf.h"
#include "fiscalday/SaiComEsc.h"

namespace {

const QString Dinheiro = QStringLiteral("Dinheiro");

int16_t sangria(TerminalState &e, const QString &valor) { return EcfSangria(e, valor); }
int16_t suprimento(TerminalState &e, const QString &valor) { return EcfSuprimento(e, valor, Dinheiro); }
int16_t recebimento(TerminalState &e, const QString &valor) {
  return EcfRecebimentoNaoFiscal(e, QStringLiteral("01"), valor, Dinheiro);
}
int16_t pagamento(TerminalState &e, const QString &valor) {
  return EcfRecebimentoNaoFiscal(e, QStringLiteral("29"), valor, Dinheiro);
}

}  // namespace

MovimentoCaixa::MovimentoCaixa(Aplicacao &app, const char *nome, const QString &legenda, Operacao operacao,
                               QString feito)
    : Tela(app, nome, legenda), operacao_(operacao), feito_(std::move(feito)) {
  adiciona("Frame1", TipoCampo::Painel).setTexto("Valor");
  adiciona("TxtValor", TipoCampo::Moeda).tag = "N";
  Campo &ok = adiciona("cmdOK", TipoCampo::Botao);
  ok.setTexto("OK");
  ok.aoClicar = [this] { confirma(); };
  SaiComEsc(*this);
}

QString MovimentoCaixa::ValorParaImpressora(const QString &digitado) {
  // Read exactly: "1.234,56" is one thousand two hundred and thirty-four,
  // never 1,234.
  return FormataValor(ParaMoeda(digitado.trimmed()));
}

void MovimentoCaixa::ativa() {
  if (!focado()) focaCampo("TxtValor", false);
}

void MovimentoCaixa::confirma() {
  // One operation per screen, however often OK is pressed.
  if (enviado_) return;
  enviado_ = true;
  TerminalState &e = estado();
  // Only this operation's outcome is told.
  e.Mensagem.clear();
  {
    const Ampulheta ampulheta(app());
    e.Retorno = operacao_(e, ValorParaImpressora(campo("TxtValor").texto()));
    aceito_ = e.Retorno >= 1;
    // A printer that did not answer (0) failed as much as one that refused.
    if (!aceito_) e.Mensagem = ErroComunicacao(e.Retorno, false);
    if (const QString gaveta = AcionaGavetaDoCaixa(e); !gaveta.isEmpty()) e.Mensagem = gaveta;
  }
  // Done: the sale screen's message line says so, with the amount.
  if (aceito_) app().mostraMensagem(feito_.arg(ValorParaImpressora(campo("TxtValor").texto())));
  if (!e.Mensagem.isEmpty()) app().operador().avisa(e.Mensagem);
  app().descarrega(*this, true);
}

SangriaF::SangriaF(Aplicacao &app) : MovimentoCaixa(app, "SangriaF", QStringLiteral("Sangria"), &sangria,
                     QStringLiteral("Sangria de %1 feita.")) {}

SuprimentoF::SuprimentoF(Aplicacao &app)
    : MovimentoCaixa(app, "SuprimentoF", QStringLiteral("Suprimento"), &suprimento,
                     QStringLiteral("Suprimento de %1 feito.")) {}

RecValores::RecValores(Aplicacao &app)
    : MovimentoCaixa(app, "RecValores", QStringLiteral("Recebimento de Contas"), &recebimento,
                     QStringLiteral("Recebimento de conta de %1 feito.")) {}

PgtValores::PgtValores(Aplicacao &app)
    : MovimentoCaixa(app, "PgtValores", QStringLiteral("Pagamento de Contas"), &pagamento,
                     QStringLiteral("Pagamento de conta de %1 feito.")) {}
