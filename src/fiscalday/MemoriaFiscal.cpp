#include "fiscalday/MemoriaFiscal.h"

#include <QDate>

#include "fiscal/AnalisaRetorno.h"
#include "fiscal/Ecf.h"
#include "fiscalday/SaiComEsc.h"

MemoriaFiscal::MemoriaFiscal(Aplicacao &app, const Faixa &faixa)
    : Tela(app, faixa.nome, faixa.legenda), faixa_(faixa) {
  adiciona("Frame1", TipoCampo::Painel).setTexto(faixa.moldura);
  adiciona(faixa.inicial, faixa.tipo);
  adiciona(faixa.final, faixa.tipo);
  Campo &ok = adiciona("cmdOK", TipoCampo::Botao);
  ok.setTexto("OK");
  ok.aoClicar = [this] { confirma(); };
  SaiComEsc(*this);
}

void MemoriaFiscal::ativa() {
  if (!focado()) focaCampo(faixa_.inicial, false);
}

void MemoriaFiscal::confirma() {
  TerminalState &e = estado();
  {
    const Ampulheta ampulheta(app());
    e.Retorno = faixa_.leitura(e, paraImpressora(campo(faixa_.inicial)), paraImpressora(campo(faixa_.final)));
    AnalisaRetorno(e, QString(), QString(), faixa_.titulo);
  }
  lida_ = e.Retorno == 1;
  if (lida_) app().descarrega(*this, true);
}

MemoriaFiscData::MemoriaFiscData(Aplicacao &app)
    : MemoriaFiscal(app, {"MemoriaFiscData", QStringLiteral("Memoria Fiscal por Data"),
                          QStringLiteral("    Data Inicial                      Data Final                   "),
                          "txtDataInicial", "TxtDataFinal", TipoCampo::Data, &EcfLeituraMemoriaFiscalData,
                          QStringLiteral("Leitura da Memória Fiscal por Data")}) {}

QString MemoriaFiscData::paraImpressora(const Campo &campo) const {
  const QDate data = QDate::fromString(campo.texto(), QStringLiteral("dd/MM/yyyy"));
  return data.isValid() ? data.toString(QStringLiteral("dd/MM/yy")) : campo.texto();
}

MemoriaFiscReduc::MemoriaFiscReduc(Aplicacao &app)
    : MemoriaFiscal(app, {"MemoriaFiscReduc", QStringLiteral("Memoria Fiscal por Redução"),
                          QStringLiteral("    Redução Incial                Redução Final                   "),
                          "txtReducaoInicial", "txtReducaoFinal", TipoCampo::Texto, &EcfLeituraMemoriaFiscalReducao,
                          QStringLiteral("Leitura da Memória Fiscal por Redução")}) {
  for (const char *nome : {"txtReducaoInicial", "txtReducaoFinal"}) campo(nome).maxLength = DigitosReducao;
}
