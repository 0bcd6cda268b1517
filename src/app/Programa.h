#pragma once
// The program's wiring: the state, the screens and the order they open in,
// independent of whether a real display or a script drives them.
#include <memory>

#include "core/Tela.h"
#include "core/TerminalState.h"
#include "platform/Host.h"

class SenhaPDV;
class PForm;
class CopiaDoCaixa;
class Contingencia;

class Programa {
 public:
  Programa(TerminalState &estado, Operator &operador, AreaTransferencia &area);
  ~Programa();

  Aplicacao &app() { return app_; }
  TerminalState &estado() { return estado_; }
  SenhaPDV &login() { return *login_; }
  PForm *telaVenda() { return venda_.get(); }
  // The desk's contingency (nullptr: the desk has no local copy).
  Contingencia *contingencia() { return contingencia_.get(); }

  // Loads the login screen (the start-up runs in its load step) and shows it.
  void inicia();
  // Told when the sale screen has been created (the skin binds it).
  std::function<void(PForm &)> aoCriarTelaVenda;

 private:
  void abreTelaVenda();
  // A desk of a shop's server keeps its local copy current: refreshed now,
  // then on a timer. A drive with its own database has none.
  void iniciaCopiaLocal();
  TerminalState &estado_;
  Aplicacao app_;
  std::unique_ptr<SenhaPDV> login_;
  std::unique_ptr<PForm> venda_;
  std::unique_ptr<CopiaDoCaixa> copia_;
  // A desk with a local copy sells from it while the server is away.
  std::unique_ptr<Contingencia> contingencia_;
  void preparaContingencia();
  void contingenciaMudou(bool emContingencia);
  // While the sale screen lives, another copy finds it and refuses to start.
  std::unique_ptr<platform::WindowAnnouncement> anuncio_;
};
