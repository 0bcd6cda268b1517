#pragma once
// Makes every payment form of the database exist in the printer's table of
// payment forms, and names the non-fiscal totaliser of account receipts.
#include "core/Tela.h"

class ProgramaFormas : public Tela {
 public:
  explicit ProgramaFormas(Aplicacao &app);
  void ativa() override;

  // The printer keeps payment-form names of at most this many characters.
  static constexpr int TamanhoNome = 15;

 private:
  void programa();
  bool feito_ = false;
};
