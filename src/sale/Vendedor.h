#pragma once
// Sets the salesperson of the current sale by code: the code must exist in
// the salesperson table (F2 searches it); OK hands it to the sale screen.
#include <QString>
#include <functional>
#include <optional>

#include "core/Tela.h"

class Vendedor : public Tela {
 public:
  // Told the code and the name chosen when the operator confirms.
  using Escolha = std::function<void(const QString &codigo, const QString &nome)>;
  Vendedor(Aplicacao &app, Escolha escolha);

  // The code typed, as a number: digits only (blanks around allowed), so
  // nothing typed ever reaches a statement as text.
  static std::optional<qlonglong> Codigo(const QString &digitado);

 private:
  bool confereCodigo();
  Escolha escolha_;
  // The code in the field was found (and the name it has).
  bool conferido_ = false;
  QString nome_;
};
