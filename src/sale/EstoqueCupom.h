#pragma once
// The pending-sale stock (PenVEst) of the coupon being sold: each item the
// printer took raises its product's pending stock; an item cancelled, or the
// whole coupon cancelled, gives it back. What the open coupon raised is kept
// on the drive as well, so the start-up that cancels a coupon left open by a
// run that died gives back exactly that.
//
// An item whose update did not reach the database (the database dropped
// just then) stays sold and its update is owed: it travels with the closed
// sale and is applied with its recording, or, when the coupon is cancelled,
// there is nothing to give back for it.
#include <QDate>
#include <QList>
#include <QString>
#include <optional>

#include "core/EstoquePendente.h"
#include "core/Quantidade.h"

struct TerminalState;


struct ItemEstoque {
  int item = 0;           // its number on the coupon
  QString produto;        // system code
  Quantidade quantidade;
  bool devido = false;    // the raise did not reach the database: owed
  bool operator==(const ItemEstoque &) const = default;
};

struct EstoqueCupom {
  QString caixa;
  qlonglong cupom = 0;
  QDate data;
  QList<ItemEstoque> itens;  // items sold and not cancelled
  // Items cancelled whose raise reached the database and whose give-back
  // did not (the database away): given back with the sale's recording, or
  // with the coupon's cancellation.
  QList<ItemEstoque> devolucoesDevidas;
  bool operator==(const EstoqueCupom &) const = default;

  // The item of that number (nullptr: none).
  const ItemEstoque *item(int numero) const;
  // What the coupon raised in the database and still holds (the owed items
  // left out, the owed give-backs in).
  QList<ItemEstoque> levantados() const;
};

// Where the open coupon's record is kept on the drive.
inline constexpr const char *ArquivoEstoqueCupom = "c:\\kw-velt\\estoque-cupom.json";

// Writes the record (flushed to disk, replacing the old one at once); false
// with the reason when it could not be written.
bool GravaEstoqueCupom(const QString &arquivo, const EstoqueCupom &registro, QString *erro = nullptr);
// The record on the drive; nullopt when there is none or it cannot be read.
std::optional<EstoqueCupom> LeEstoqueCupom(const QString &arquivo);
void ApagaEstoqueCupom(const QString &arquivo);

// Gives back, in one transaction, the pending stock these items raised.
// Throws ErroBanco (nothing given back then).
void DevolveEstoque(TerminalState &estado, const QList<ItemEstoque> &itens);
