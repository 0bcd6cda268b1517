#include "core/Documentos.h"

#include <initializer_list>

namespace {

bool SoDigitos(const QString &t, int tamanho) {
  if (t.size() != tamanho) return false;
  for (QChar c : t)
    if (c < '0' || c > '9') return false;
  return true;
}

bool TodosIguais(const QString &t) { return t.count(t.front()) == t.size(); }

// The check digit of the first `n` digits under the weights given.
int Digito(const QString &t, int n, std::initializer_list<int> pesos) {
  int soma = 0, i = 0;
  for (int p : pesos) {
    if (i >= n) break;
    soma += (t[i++].unicode() - '0') * p;
  }
  const int resto = soma % 11;
  return resto < 2 ? 0 : 11 - resto;
}

bool Confere(const QString &t, int posicao, int digito) { return t[posicao].unicode() - '0' == digito; }

}  // namespace

QChar DigitoVerificador(const QString &digitos) {
  int soma = 0;
  // From the rightmost digit: weights 3, 1, 3, 1...
  for (qsizetype i = digitos.size() - 1, peso = 3; i >= 0; --i, peso = 4 - peso)
    soma += digitos[i].digitValue() * static_cast<int>(peso);
  return QChar('0' + (10 - soma % 10) % 10);
}

QString ComDigitoVerificador(const QString &digitos) { return digitos + DigitoVerificador(digitos); }

bool CodigoBarrasValido(const QString &codigo) {
  if (codigo.size() < 2) return false;
  for (QChar c : codigo)
    if (!c.isDigit()) return false;
  return DigitoVerificador(codigo.left(codigo.size() - 1)) == codigo.back();
}

namespace documentos {

bool CpfValido(const QString &cpf) {
  if (!SoDigitos(cpf, 11) || TodosIguais(cpf)) return false;
  return Confere(cpf, 9, Digito(cpf, 9, {10, 9, 8, 7, 6, 5, 4, 3, 2})) &&
         Confere(cpf, 10, Digito(cpf, 10, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2}));
}

bool CnpjValido(const QString &cnpj) {
  if (!SoDigitos(cnpj, 14) || TodosIguais(cnpj)) return false;
  return Confere(cnpj, 12, Digito(cnpj, 12, {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2})) &&
         Confere(cnpj, 13, Digito(cnpj, 13, {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2}));
}

QString Recusa(const QString &documento, const QString &mensagemTamanho) {
  if (documento.size() == 11)
    return CpfValido(documento) ? QString()
                                : QStringLiteral("CPF inválido: %1 (os dígitos verificadores não conferem) !").arg(documento);
  if (documento.size() == 14)
    return CnpjValido(documento)
               ? QString()
               : QStringLiteral("CNPJ inválido: %1 (os dígitos verificadores não conferem) !").arg(documento);
  return mensagemTamanho;
}

}  // namespace documentos
