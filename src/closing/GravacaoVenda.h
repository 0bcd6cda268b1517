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

#include <stdexcept>

struct TerminalState;
class ErroBanco;

// A sale the database will never take as it is (a product that is not in
// the catalogue, a pre-sale that is gone): not a passing failure. The
// reason is written for the cashier.
class VendaRecusada : public std::runtime_error {
 public:
  explicit VendaRecusada(const QString &motivo) : std::runtime_error(motivo.toStdString()), motivo_(motivo) {}
  const QString &motivo() const { return motivo_; }

 private:
  QString motivo_;
};

// The database refused the sale for what it holds (a character its
// character set lacks, a value out of range or too long, a rule of the
// table): trying again changes nothing. Anything else (the server away, a
// lock, a conflict) may pass.
bool RecusadaPeloConteudo(const ErroBanco &erro);
// The reason told to the cashier, in plain words (the database's own text
// goes to the error log and the journal file).
QString MotivoParaOOperador(const ErroBanco &erro);

// What the printer says of itself, read once for a series of checks.
struct ContadoresImpressora {
  bool respondeu = false;
  bool semContadores = false;  // a brand whose library does not report them
  QString serie;
  qlonglong coo = 0;          // the last document's number
  bool podeCancelar = false;  // the last coupon can still be cancelled
};

// Checks of a sale read back from the journal before it is recorded, each
// "" when the sale holds, else why not (for the cashier):
// - what it holds: this desk's, a date not after today, a positive total,
//   items whose lines are quantity x unit price and add up to the total
//   (less a pre-sale's discount), payments that add up to the total,
//   coupon totals that are neither negative nor more than the items;
QString ConfereConteudo(const VendaFechada &venda, const QString &caixa, const QDate &hoje);
// - the printer (sales that name the printer's serial): its coupon was
//   printed by this printer, and its number is not beyond the printer's
//   coupon counter.
QString ConfereNaImpressora(const VendaFechada &venda, const ContadoresImpressora &impressora);

struct EmpenhoGravado {
  qlonglong codigo = 0;
  qlonglong marcador = 0;  // the claim marker in StaEpn
  bool jaGravado = false;  // found recorded by an earlier try
};

// The price variation recorded for an item: 100 - unit / list x 100 (four
// decimals); 0 without a list price.
Moeda VariacaoPreco(Moeda unitario, Moeda precoLista);

// Runs the recording on the terminal's connection (a pre-sale's coupon: its
// summary and coupon number on the empenho it is); `EtapaVenda` tells how far
// it got (1 code drawn, 4 header, 5 payments, 6 items, 7 summary and release).
// Throws ErroBanco or VendaRecusada (nothing stored then).
EmpenhoGravado GravaVendaNoBanco(TerminalState &estado, const VendaFechada &venda);

// The empenho of a desk's coupon of that date already in the database (0: none).
qlonglong EmpenhoDoCupom(TerminalState &estado, const VendaFechada &venda);

// The suite's pre-sale release program (a setting of the installation).
inline constexpr const char *ProgramaLiberacao = "c:\\kw-velt\\LiberaPreVenda.exe";
// Starts the release program hidden: working date, marker, code, operator.
// True once the program started.
bool LiberaEmpenho(TerminalState &estado, const QDate &data, qlonglong marcador, qlonglong codigo);
