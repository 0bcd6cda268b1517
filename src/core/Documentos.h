#pragma once
// Check digits: of bar codes (GS1: EAN-8, 12-digit UPC, EAN-13) and of the
// documents a consumer is identified by on a coupon, CPF (11 digits) and CNPJ
// (14 digits).
#include <QString>

// The GS1 check digit of a run of digits.
QChar DigitoVerificador(const QString &digitos);
// The digits followed by their check digit.
QString ComDigitoVerificador(const QString &digitos);
// True for a code of digits whose last digit is its check digit.
bool CodigoBarrasValido(const QString &codigo);

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
