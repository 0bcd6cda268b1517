#include "closing/RodapeCupom.h"

QString RodapeCupom(const QString &troco, const QString &cliente, const QString &operacao, const QString &caixa,
                    const QString &empenho) {
  // The name is all between the code's "-" and the document's "|": a name
  // may hold a "-" of its own ("COMERCIAL XYZ - ME").
  const QString nome = cliente.mid(cliente.indexOf('-') + 1).section('|', 0, 0).left(30);
  QString r = "TROCO  : " + QString(troco).replace(',', '-') + "\n";
  if (empenho.isEmpty()) r += "CLIENTE: " + nome + "\n";
  else r += "CLIEN  : " + nome + "\n" + "EPN    : " + empenho + "\n";
  return r + "OPERAC : " + operacao + " - SR: " + caixa + "\n" + "OBRIGADO PELA PREFERENCIA !";
}
