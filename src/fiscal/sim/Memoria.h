#pragma once
// The simulated printer's memory: programming, counters, the day's totals,
// the open coupon and the fiscal memory of Z reductions. Kept as a JSON
// document (memoria.json) in the simulator's folder and saved after every
// command. Amounts are integer cents, written as digit strings.
#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <cstdint>

namespace ecfsim {

using Centavos = int64_t;

struct Aliquota {
  QChar tipo = 'T';  // T: ICMS, S: ISS
  int valor = 0;     // hundredths of a percent: 1700 is 17,00%
  QString codigo() const;  // "T1700"
};

struct FormaPagamento {
  QString nome;
  bool tef = false;
  Centavos acumulado = 0;    // the day's amount
  Centavos ultimoCupom = 0;  // amount in the last coupon
};

struct ItemCupom {
  int numero = 0;
  QString codigo, descricao;
  QString totalizador;           // "T1700", "F", "I", "N"
  int64_t quantidadeMilesimos = 0;
  int64_t valorUnitario = 0;     // in units of 10^-casas
  int casas = 2;
  Centavos bruto = 0;            // quantity x unit value
  Centavos desconto = 0;
  bool cancelado = false;
  Centavos liquido() const { return bruto - desconto; }
};

struct Pagamento {
  QString forma;
  Centavos valor = 0;
  QString descricao;
};

enum class EstadoCupom { Livre, Vendendo, Totalizado, Pago };

struct Cupom {
  EstadoCupom estado = EstadoCupom::Livre;
  int coo = 0;
  QString documento;
  QDateTime abertoEm;
  QList<ItemCupom> itens;
  Centavos ajuste = 0;  // surcharge (+) or discount (-) of the subtotal
  QList<Pagamento> pagamentos;

  bool aberto() const { return estado != EstadoCupom::Livre; }
  Centavos subtotal() const;  // the items still sold
  Centavos total() const { return subtotal() + ajuste; }
  Centavos pago() const;
};

struct UltimoCupom {
  int coo = 0;
  bool cancelavel = false;
  Centavos total = 0;
  QList<Pagamento> pagamentos;
  Centavos troco = 0;
};

struct TotaisDia {
  Centavos vendaBruta = 0, cancelamentos = 0, descontos = 0, acrescimos = 0;
  Centavos sangrias = 0, suprimentos = 0, recebimentos = 0;
  int quantidadeRecebimentos = 0;
  int cuponsEmitidos = 0, cuponsCancelados = 0;
  QMap<QString, Centavos> porTotalizador;  // "T1700", "F", "I", "N"
  QMap<int, Centavos> naoFiscais;          // by totaliser index
};

struct Reducao {
  int crz = 0;
  QDate dataMovimento;
  QDateTime emitidaEm;
  int coo = 0;
  Centavos vendaBruta = 0, vendaLiquida = 0, grandeTotal = 0;
  Centavos cancelamentos = 0, descontos = 0;
  QMap<QString, Centavos> porTotalizador;
};

struct StatusImpressora {
  int ack = 6, st1 = 0, st2 = 0;
};

struct MemoriaFiscal {
  QString numeroSerie;
  QList<Aliquota> aliquotas;
  QList<FormaPagamento> formas;       // up to 50, form 1 "Dinheiro"
  QMap<int, QString> naoFiscais;      // index 1..30 -> name
  int coo = 0, crz = 0, cro = 1, gnf = 0;
  Centavos grandeTotal = 0;
  QDate dataMovimento;                // invalid: no movement open
  QDate dataUltimaReducao;
  TotaisDia dia;
  Cupom cupom;
  UltimoCupom ultimo;
  bool relatorioAberto = false;
  bool gavetaAberta = false;
  int autenticacoesRestantes = 0;
  StatusImpressora status;
  QList<Reducao> reducoes;

  bool movimentoAberto() const { return dataMovimento.isValid(); }
  int indiceForma(const QString &nome) const;  // -1 when not programmed
  const Aliquota *aliquota(const QString &codigo) const;
};

inline constexpr int MaximoFormas = 50;
inline constexpr int MaximoAliquotas = 16;
inline constexpr int MaximoNaoFiscais = 30;

// A printer as it leaves the factory: the serial, four ICMS rates (17, 12,
// 7 and 25%), "Dinheiro" as form 1, non-fiscal totalisers 01 and 29.
MemoriaFiscal MemoriaNova(const QString &numeroSerie);

QJsonObject ParaJson(const MemoriaFiscal &m);
MemoriaFiscal DeJson(const QJsonObject &o);

// Reads and writes the file; false (with a reason) when it cannot.
bool LeMemoria(const QString &arquivo, MemoriaFiscal &m, QString *erro);
bool GravaMemoria(const QString &arquivo, const MemoriaFiscal &m, QString *erro);

}  // namespace ecfsim
