#pragma once
// The Z reduction: the printer's date and time are shown for confirmation
// (No is the default) and the printer closes its day with its own clock.
#include "core/Tela.h"

class Reducao_Z : public Tela {
 public:
  explicit Reducao_Z(Aplicacao &app);
  void ativa() override;

  // True when the reduction was sent (and the printer accepted it).
  bool feita() const { return feita_; }

 private:
  bool iniciada_ = false, feita_ = false;
};
