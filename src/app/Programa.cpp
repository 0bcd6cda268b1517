#include "app/Programa.h"

#include "access/SenhaPDV.h"
#include "sale/PForm.h"

Programa::Programa(TerminalState &estado, Operator &operador, AreaTransferencia &area)
    : estado_(estado), app_(estado, operador, area), login_(std::make_unique<SenhaPDV>(app_)) {
  estado_.usaOperador(operador);
  login_->abreTelaVenda = [this] { abreTelaVenda(); };
}

Programa::~Programa() = default;

void Programa::inicia() { app_.mostra(*login_); }

void Programa::abreTelaVenda() {
  venda_ = std::make_unique<PForm>(app_);
  anuncio_ = std::make_unique<platform::WindowAnnouncement>(venda_->legendaTela());
  venda_->descarregaLogin = [this] { app_.descarrega(*login_, true); };
  if (aoCriarTelaVenda) aoCriarTelaVenda(*venda_);
  app_.mostra(*venda_);
}
