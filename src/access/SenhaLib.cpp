#include "access/SenhaLib.h"

#include <QDateTime>

#include "core/Operator.h"
#include "core/Teclas.h"
#include "platform/Host.h"

SenhaLib::SenhaLib(Aplicacao &app) : Tela(app, "SenhaLib", tituloPrograma()) {
  adiciona("Label1", TipoCampo::Rotulo).setTexto(QStringLiteral("Digite o valor e Senha de Liberação"));
  adiciona("Frame1", TipoCampo::Painel).setTexto("Valor");
  Campo &valor = adiciona("Valor", TipoCampo::Moeda);
  valor.tag = "N";
  valor.setTexto("0,00");
  Campo &senha = adiciona("TxtSenha", TipoCampo::Senha);
  Campo &ok = adiciona("cmdOK", TipoCampo::Botao);
  ok.setTexto("OK");
  senha.aoValidar = [this] { return confereSenha(); };
  ok.aoClicar = [this] { confirma(); };
  keyPreview = true;
  aoTeclarForm = [this](int &tecla, int) {
    if (tecla != tecla::Esc) return;
    tecla = 0;
    cancela();
  };
}

void SenhaLib::ativa() {
  SenhaErrada = false;
  focaCampo("Valor", false);
}

QString SenhaLib::senhaEsperada() const {
  const QDateTime agora = estado().relogio().now();
  return agora.toString("MM") + agora.toString("HH") + agora.toString("dd");
}

bool SenhaLib::confereSenha() {
  if (campo("TxtSenha").texto() == senhaEsperada()) return true;
  SenhaErrada = true;
  app().operador().avisa(QStringLiteral("Senha Invalida !"));
  return false;
}

void SenhaLib::confirma() {
  if (campo("TxtSenha").texto().isEmpty()) return;
  if (!confereSenha()) {
    focaCampo("TxtSenha", false);
    return;
  }
  app().esconde(*this);
}

void SenhaLib::cancela() {
  campo("Valor").setTexto("0,00");
  app().esconde(*this);
}
