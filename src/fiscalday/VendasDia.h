#pragma once
// The cash position of the day as the fiscal printer holds it: the amount of
// each payment form, the withdrawals, supplies and receipts, and the cash
// balance; printed as a management report with F5. Beside each form the
// amount the database recorded for this desk today, so a sale the printer
// closed but the database lacks (or the other way round) shows at once.
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "core/Moeda.h"
#include "core/Tela.h"

class VendasDia : public Tela {
 public:
  explicit VendasDia(Aplicacao &app);
  // Reads the printer (and then the database) each time the screen comes to
  // the front; a busy printer unloads it.
  void ativa() override;

  // One record of the printer's payment-form table.
  struct FormaImpressora {
    int indice = 0;  // 1 to 50
    QString nome;    // right-trimmed
    Moeda valor;
    bool legivel = true;  // the amount was digits
  };
  // The 50 records of 58 characters: name in characters 1-15, the amount in
  // cents in characters 17-36.
  static constexpr int QuantidadeFormas = 50;
  static constexpr int TamanhoRegistro = 58;
  static QList<FormaImpressora> LeFormas(const QString &tabela);

  // Fields 5 (its first 14 characters), 6 and 7 of the partial totalisers.
  struct TotaisParciais {
    Moeda recebimentos, sangrias, suprimentos;
  };
  static std::optional<TotaisParciais> LeTotais(const QString &texto);

  // One row of the report: code, name, amount.
  struct LinhaRelatorio {
    QString codigo, nome;
    Moeda valor;
  };
  // The printed text, every line ending in CR LF.
  static QString TextoRelatorio(const QDate &data, const QList<LinhaRelatorio> &linhas, const Moeda &suprimentos,
                                const Moeda &sangrias, const Moeda &saldo);

  // What the database recorded for the desk on the day, by payment-form name
  // as the printer keeps it; `disponivel` false (with the reason) when the
  // database could not be read.
  struct VendasBanco {
    bool disponivel = false;
    QString erro;
    QHash<QString, Moeda> porForma;  // key: ChaveForma of the name
    QHash<QString, QString> nomes;   // key -> the name as recorded
    QStringList ordem;               // keys in the order first met
  };
  static VendasBanco LeVendasBanco(TerminalState &estado, const QDate &dia);
  // A payment-form name as the printer is programmed with it: cut to the
  // printer's length, compared without regard to case.
  static QString ChaveForma(const QString &nome);
  // The key under which payment rows without a known form are summed.
  static const QString SemForma;

 private:
  bool leImpressora();
  void confereComBanco();
  void imprime();
  void pintaDiferenca(int linha, const std::optional<Moeda> &diferenca);

  QList<LinhaRelatorio> linhas_;  // the printer's rows, the total row last
  QString chaveDinheiro_;         // the printer's form 1, where cash movements go
  bool totaisLidos_ = false;
  Moeda suprimentos_, sangrias_, recebimentos_, saldo_;
};
