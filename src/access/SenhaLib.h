#pragma once
// The supervisor release: a value and a release password that the program
// derives from the clock (month, hour, day: six digits), rebuilt at each check.
#include "core/Tela.h"

class SenhaLib : public Tela {
 public:
  explicit SenhaLib(Aplicacao &app);
  void ativa() override;

  // The password the clock gives right now.
  QString senhaEsperada() const;
  bool SenhaErrada = false;
  // What the caller reads after the screen hides ("0,00": nothing released).
  QString valor() { return campo("Valor").texto(); }

 private:
  bool confereSenha();
  void confirma();
  void cancela();
};
