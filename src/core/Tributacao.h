#pragma once
// The tax classification of a sale line: from the product's tax code, its
// in-state and interstate rates, its base reduction and the sale's fiscal
// operation, the aliquota the printer is sent and the coupon total the line
// feeds. Item entry and item cancellation use one table, so a cancellation
// always takes back exactly what the entry added; the printing of a pre-sale
// (empenho) classifies its items by a table of its own.
#include <QList>
#include <QString>
#include <array>
#include <optional>

#include "core/Moeda.h"

// The seven coupon totals, in the order they are recorded.
enum TotalCupom : int {
  BaseTributada,       // BasIcmNot
  ValorIcms,           // ValIcmNot
  BaseSubstituicao,    // BasSubNot
  ValorSubstituicao,   // ValSubNot
  IsentoNaoTributado,  // BasIseNot
  BaseReduzida,        // BasRedNot
  Diferido,            // BasDifNot
  QuantidadeTotaisCupom
};

enum class GrupoTributacao {
  Tributado,       // taxed base (and the tax amount)
  Substituicao,    // tax substitution
  IsentoNaoTrib,   // exempt and not taxed
  Diferido,        // deferred
  BaseReduzida,    // reduced base
  Nenhum           // any other code: no total
};

struct Tributacao {
  GrupoTributacao grupo = GrupoTributacao::Nenhum;
  QString aliquota;   // what the printer is sent: "18,00", "FF", "II", "NN"
  Moeda taxa;         // the rate in percent, for the tax amount of taxed lines
};

struct DadosTributacao {
  QString tribPro;       // "000", "060", ...
  Moeda aliquotaEstado;  // Deb512Cto
  Moeda aliquotaFora;    // Deb612Cto
  Moeda reducao;         // RedCto, percent of the base taken off
  QString operacao;      // the sale's fiscal operation (FisEpn)
};

// Which table classifies the line. The pre-sale's table sends "NN" (exempt)
// for "101", "102", "201" and "202", does not list "103", and its reduced-base
// and unlisted codes take the interstate rate in operation 6108 too.
enum class TabelaTributacao { Item, Empenho };

Tributacao ClassificaTributacao(const DadosTributacao &d, TabelaTributacao tabela = TabelaTributacao::Item);

// The coupon totals a line changes: its value to the group's total and, for
// a taxed line, value x rate / 100 (four decimals, not rounded to the cent)
// to the tax total. The totals are kept at four decimals while the coupon is
// open and rounded once, to the cent, when they are recorded.
struct TotaisLinha {
  int total = -1;        // index of the coupon total, -1 none
  Moeda valor;
  int totalImposto = -1; // ValorIcms for taxed lines
  Moeda imposto;
};
TotaisLinha TotaisDaLinha(const Tributacao &t, Moeda valorLinha);

// The seven coupon totals.
using TotaisCupom = std::array<Moeda, QuantidadeTotaisCupom>;
// A line the printer took (sinal 1) or cancelled (-1) in the coupon totals.
void AcumulaLinha(TotaisCupom &totais, const Tributacao &t, Moeda valorLinha, int sinal = 1);

// The rates (hundredths of a percent) the printer is sent for a catalogue's
// products in-state, interstate and in operation 6108, by item entry and by
// the pre-sale's printing: what its printer must be programmed with. Each product is given by its tax code, in-state and
// interstate rates and base reduction.
QList<int> AliquotasDoCatalogo(const QList<DadosTributacao> &produtos);
