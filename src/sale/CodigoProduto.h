#pragma once
// What the cashier typed (or the scanner read) in the product field, and
// how the product is looked up from it:
// - digits with a trailing "." (1 to 14 of them), or a code handed back by
//   the search ("code»description»..."): the system code, whatever its
//   length;
// - 8, 12 or 13 digits: a bar code, whose check digit must hold; 13 digits
//   starting "200": an in-store label ("200" + internal code, the value in
//   hundredths, a check digit), which must be worth something;
// - any other number: the system code; anything else: no product.
#include <QString>

#include "core/Moeda.h"

enum class TipoCodigo {
  Sistema,         // CodPro
  Barras,          // EanPro
  Etiqueta,        // CdiPro, with the label's value
  Invalido,        // a bar code whose check digit does not hold
  EtiquetaZerada,  // a label worth 0,00
  Nenhum           // no product can have it
};

struct CodigoDigitado {
  TipoCodigo tipo = TipoCodigo::Nenhum;
  QString chave;          // what the catalogue is searched by
  Moeda valorEtiqueta;    // Etiqueta: the value weighed
  // A code typed with its trailing ".": the field shows it as the search
  // hands codes back ("code»"); empty: the field stays as typed.
  QString textoCampo;
};

// The separator of the search's hand-over ("code»description»...").
inline const QString SeparadorCodigo = QStringLiteral("»");

CodigoDigitado ClassificaCodigo(const QString &digitado);
