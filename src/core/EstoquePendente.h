#pragma once
// A product's pending-sale stock (PenVEst): raised by each item a desk sells,
// lowered by an item or coupon cancelled, and by the sale's recording for
// items whose raise did not reach the database when they were sold.
#include <QString>

#include "core/Quantidade.h"

struct TerminalState;

// Tries of the stock update that conflicts with another desk.
inline constexpr int TentativasEstoque = 50;

// Stock updates tried again in this process because another desk held the
// product's row (a load run reports it).
int ConflitosEstoqueRepetidos();

// Raises (or, with a negative quantity, lowers) a product's pending-sale
// stock; an update that conflicts with another desk is tried again until it
// lands (TentativasEstoque times at most). Throws ErroBanco otherwise.
void AtualizaEstoquePendente(TerminalState &estado, const QString &codPro, Quantidade quantidade);
