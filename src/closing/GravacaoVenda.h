#pragma once
// Recording a closed sale in the database: the empenho header, its payment
// rows, its items and its fiscal-note summary, with the operator's credit
// release for the customer used up, all in one transaction: they commit
// together or not at all. A sale already recorded (the same desk, coupon,
// date and closing mark FatEpn: operator, machine, time) is never inserted
// again.
#include <QDateTime>
#include <QString>

#include "closing/VendaFechada.h"

struct TerminalState;

struct EmpenhoGravado {
  qlonglong codigo = 0;
  qlonglong marcador = 0;  // the claim marker in StaEpn
  bool jaGravado = false;  // found recorded by an earlier try
};

// Runs the recording on the terminal's connection (a pre-sale's coupon: its
// summary and coupon number on the empenho it is); `EtapaVenda` tells how far
// it got (1 code drawn, 4 header, 5 payments, 6 items, 7 summary and release).
// Throws ErroBanco (nothing stored then).
EmpenhoGravado GravaVendaNoBanco(TerminalState &estado, const VendaFechada &venda);

// The empenho of a desk's coupon of that date already in the database (0: none).
qlonglong EmpenhoDoCupom(TerminalState &estado, const VendaFechada &venda);

// The suite's pre-sale release program (a setting of the installation).
inline constexpr const char *ProgramaLiberacao = "c:\\kw-velt\\LiberaPreVenda.exe";
// Starts the release program hidden: working date, marker, code, operator.
void LiberaEmpenho(TerminalState &estado, const QDate &data, qlonglong marcador, qlonglong codigo);
