#pragma once
// The documents a consumer is identified by on a coupon: CPF (11 digits) and
// CNPJ (14 digits), with their check digits.
#include <QString>

namespace documentos {

// 11 digits whose two check digits hold, not all the same digit.
bool CpfValido(const QString &cpf);
// 14 digits whose two check digits hold, not all the same digit.
bool CnpjValido(const QString &cnpj);
// Why a consumer's document typed on a desk is refused ("" when it is a
// valid CPF or CNPJ); `mensagemTamanho` is the screen's text for a length
// other than 11 or 14.
QString Recusa(const QString &documento, const QString &mensagemTamanho);

}  // namespace documentos
