#pragma once
// The login screen: its load step starts the terminal; the operator types a
// code (checked with its cash-desk right on leaving the field) and a password
// (checked on leaving it). Five failures of any kind end the program.
#include <functional>

#include "core/Tela.h"

class SenhaPDV : public Tela {
 public:
  explicit SenhaPDV(Aplicacao &app);
  void carrega() override;

  // Opens the sale screen after a correct password (installed by the program).
  std::function<void()> abreTelaVenda;
  int tentativas() const { return tentativas_; }

 private:
  bool confereOperador();
  bool confereSenha();
  void falhou();
  bool semConexao();
  int16_t tentativas_ = 0;
  QString senhaGuardada_;
  bool operadorAceito_ = false;
};
