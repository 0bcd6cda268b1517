#include "fiscalday/Reducao_Z.h"

#include "core/Operator.h"
#include "fiscal/AnalisaRetorno.h"
#include "fiscal/Ecf.h"

Reducao_Z::Reducao_Z(Aplicacao &app) : Tela(app, "Reducao_Z", QStringLiteral("Redução Z")) {
  adiciona("Label1", TipoCampo::Rotulo)
      .setTexto(QStringLiteral("                   Aguarde...               ...Executando Redução Z"));
}

void Reducao_Z::ativa() {
  if (iniciada_) return;
  iniciada_ = true;
  TerminalState &e = estado();
  e.Mensagem.clear();
  EcfDataHoraImpressora(e);
  const QString &d = e.DataImpressora, &h = e.HoraImpressora;
  const QString data = d.mid(0, 2) + "/" + d.mid(2, 2) + "/" + d.mid(4, 2);
  const QString hora = h.mid(0, 2) + ":" + h.mid(2, 2) + ":" + h.mid(4, 2);
  // What the answer means, on the help line while the question is up.
  app().mostraAjuda(QStringLiteral("A redução Z encerra o dia fiscal: as vendas param até o dia seguinte."));
  const Resposta r = app().operador().mensagem(
      {data + " " + hora + "\n" + QStringLiteral("Tem certeza ? "), Icone::Critico, Botoes::SimNao, Resposta::Nao, {}});
  if (r == Resposta::Sim) {
    {
      // "Aguarde..." stays up while the printer reduces.
      app().deixaRedesenhar();
      const Ampulheta ampulheta(app());
      e.Retorno = EcfReducaoZ(e, QString(), QString());
    }
    feita_ = e.Retorno >= 1;
    if (!feita_) e.Mensagem = ErroComunicacao(e.Retorno);
    // A refused reduction must not pass for a done one.
    if (!e.Mensagem.isEmpty()) app().operador().avisa(e.Mensagem);
    else app().mostraMensagem(QStringLiteral("Redução Z feita: dia fiscal encerrado, vendas só amanhã."));
  }
  app().mostraAjuda(QString());
  app().descarrega(*this, true);
}
