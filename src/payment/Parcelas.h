#pragma once
// Instalment terms typed by the cashier for a series of cheques or a credit
// sale, and the split of a sale total over them.
//
//   "30/60/90"  a list of days
//   "10-3"      day 10 of each of the next 3 months (December rolls over)
//   "30+3"      every 30 days, 3 times (30/60/90)
#include <QDate>
#include <QString>
#include <QStringList>

#include "core/Moeda.h"

struct PrazosDigitados {
  // The pending term list: the days "d1/d2/.../dn" once accepted; the text
  // as typed when refused (it stays pending as typed).
  QString texto;
  // Its fields, d1 ... dn. A refused list of days keeps its fields.
  QStringList prazos;
  // The refusal shown to the cashier; empty when the terms were accepted.
  QString recusa;
  bool aceitos() const { return recusa.isEmpty(); }
};

// Reads what the cashier typed; `hoje` is the computer's current date (the
// "Dia-QtPar" form counts its days from it). Every day count and instalment
// count is a whole number (blanks around it allowed): "30x/60" or "-30/60"
// is refused, as is an empty text (the screen ends before asking for one),
// more than 999 instalments or a term beyond 9999 days.
PrazosDigitados InterpretaPrazos(const QString &digitado, const QDate &hoje);

// The sale total over n instalments: the cents that do not divide go to the
// first one (100,00 in 3: 33,34 + 33,33 + 33,33).
struct Parcelamento {
  Moeda primeira, demais;
};
Parcelamento DivideParcelas(const Moeda &total, int parcelas);
