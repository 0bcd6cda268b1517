#pragma once
// The opening of the fiscal day: the opening cash goes to the printer as a
// supply in "Dinheiro", the printer opens its movement and the drawer opens.
#include "core/Tela.h"

class AbreDia : public Tela {
 public:
  explicit AbreDia(Aplicacao &app);
  // Offers to program the payment forms first (before the screen shows).
  void carrega() override;
  void ativa() override;

  // True once the opening was sent to the printer; false when the cashier
  // left with Esc.
  bool enviada() const { return enviada_; }
  // The printer's last answer to the opening (negative: refused).
  int16_t retorno() const { return retorno_; }
  // How many times the movement date is asked before giving up.
  static constexpr int ConsultasMovimento = 10;

 private:
  void confirma();
  bool enviada_ = false;
  int16_t retorno_ = 0;
};
