#include "fiscalday/AbreDia.h"

#include "core/Operator.h"
#include "core/Teclas.h"
#include "core/Utilidades.h"
#include "fiscal/AnalisaRetorno.h"
#include "fiscal/Ecf.h"
#include "fiscalday/ProgramaFormas.h"

AbreDia::AbreDia(Aplicacao &app) : Tela(app, "AbreDia", QStringLiteral("Abre Dia")) {
  adiciona("Label1", TipoCampo::Rotulo).setTexto("ABERTURA DO DIA");
  adiciona("Frame1", TipoCampo::Painel).setTexto("Suprimento");
  Campo &valor = adiciona("TxtValor", TipoCampo::Moeda);
  valor.tag = "N";
  valor.setTexto("0,00");
  valor.toolTip = QStringLiteral("Valor em dinheiro na gaveta na abertura do dia.");
  Campo &ok = adiciona("cmdOK", TipoCampo::Botao);
  ok.setTexto("OK");
  ok.aoClicar = [this] { confirma(); };
  keyPreview = true;
  aoTeclarForm = [this](int &tecla, int) {
    if (tecla != tecla::Esc) return;
    tecla = 0;
    this->app().descarrega(*this, true);
  };
}

void AbreDia::carrega() {
  const Resposta r = app().operador().mensagem(
      {QStringLiteral("DESEJA PROGRAMAR AS FORMAS DE PAGAMENTOS ?"), Icone::Critico, Botoes::SimNao, Resposta::Sim, {}});
  if (r == Resposta::Sim) {
    ProgramaFormas formas(app());
    app().mostra(formas, true);
  }
  estado().Mensagem.clear();
}

void AbreDia::ativa() {
  if (!focado()) focaCampo("TxtValor", false);
}

void AbreDia::confirma() {
  if (enviada_) return;
  TerminalState &e = estado();
  enviada_ = true;
  {
    const Ampulheta ampulheta(app());
    e.Retorno = EcfAberturaDoDia(e, FormataValor(ParaMoeda(campo("TxtValor").texto())), QStringLiteral("Dinheiro"));
    // Refused with any other status, the cashier is told why the day is
    // still closed.
    if (e.Retorno < 0 && e.Retorno != -27) e.Mensagem = ErroComunicacao(e.Retorno, false);
    VerificaComunicacao(e);
    // The printer opens its movement on its own time.
    for (int i = 0; i < ConsultasMovimento; ++i) {
      e.Retorno = EcfDataMovimento(e);
      if (e.DataMovimento != QLatin1String("000000")) break;
    }
    retorno_ = e.Retorno;
    if (const QString gaveta = AcionaGavetaDoCaixa(e); !gaveta.isEmpty()) e.Mensagem = gaveta;
  }
  if (!e.Mensagem.isEmpty()) app().operador().avisa(e.Mensagem);
  app().descarrega(*this, true);
}
