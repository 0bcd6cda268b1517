#pragma once
// A sale as it leaves the sale screen when its coupon is closed: everything
// the recording needs, independent of the screens, so it can be kept on the
// drive and recorded later.
#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

#include "core/Moeda.h"
#include "core/Quantidade.h"
#include "core/Tributacao.h"
#include "payment/LinhaPagamento.h"

// One item of the coupon that was not cancelled.
struct ItemVendido {
  int item = 0;             // its number on the coupon
  qlonglong produto = 0;    // system code
  Quantidade quantidade;
  Moeda unitario;           // unit value charged
  Moeda precoLista;         // the product's list price when it was entered
  Moeda valor;              // the line as the printer charged it
  QString tributacao;       // the product's tax code when it was entered ("060", "17"...)
  // Its pending-stock raise did not reach the database when it was sold:
  // the recording of the sale applies it.
  bool estoqueDevido = false;
  bool operator==(const ItemVendido &) const = default;
};

// Pending stock an item cancelled on the coupon raised and could not give
// back when it was cancelled (the database away): the sale's recording
// gives it back.
struct EstoqueADevolver {
  qlonglong produto = 0;
  Quantidade quantidade;
  bool operator==(const EstoqueADevolver &) const = default;
};

struct VendaFechada {
  QString caixa;        // the cash-desk identifier (NfsEpn)
  qlonglong cupom = 0;  // the coupon number (NfiEpn)
  QDate data;           // the working date of the sale
  int16_t usuario = 0;
  QString cliente;      // the sale screen's caption: "code-name|document"
  qlonglong vendedor = 0;
  int operacao = 0;     // the sale's fiscal operation (5102, 6102...)
  Moeda total;
  int32_t local = 0;    // the desk's stock place
  QString faturamento;  // FatEpn: TextoFaturamento of the operator, host name, time of closing
  QList<ItemVendido> itens;
  QList<LinhaPagamento> pagamentos;  // none: a summarised closing (all cash)
  std::array<Moeda, QuantidadeTotaisCupom> totais{};
  QDateTime fechadaEm;  // when the coupon was closed (local clock)
  // A pre-sale printed on this coupon: the empenho it already is (0: a sale
  // of the sale screen, recorded as a new empenho), the claim marker written
  // into its StaEpn and the server's time its summary row records.
  qlonglong empenho = 0;
  qlonglong marcador = 0;
  QDateTime horaServidor;
  // The serial of the fiscal printer that printed the coupon (empty in
  // entries written before the journal kept it).
  QString serie;
  // Absent from older entries (nothing owed).
  QList<EstoqueADevolver> estoqueADevolver;
  bool operator==(const VendaFechada &) const = default;

  // FatEpn: the operator, the first 20 characters of the host name, the time.
  static QString TextoFaturamento(int16_t usuario, const QString &maquina, const QTime &hora);

  qlonglong codigoCliente() const;
  // The key that names a sale: desk, coupon, date (a printer replaced
  // during the day numbers its coupons from 1 again: the journal adds the
  // printer's serial to its file names).
  QString chave() const;

  QJsonObject paraJson() const;
  // nullopt (and why) for a text that is not a complete sale.
  static std::optional<VendaFechada> deJson(const QJsonObject &json, QString *erro);
};
