#pragma once
// The journal of closed sales on the desk's drive: a sale is written here,
// on disk, before the printer closes its coupon, marked when the printer has
// closed it and again when the database has committed it. A sale the
// database could not take stays here until it is recorded; none is lost and
// none recorded twice.
//
// One file per sale, named by its key (desk-coupon-date), in the folder
// c:\kw-velt\vendas (pending ones) and, once recorded, in its subfolder
// gravadas (kept 60 days). Each change is written to a temporary file,
// flushed to disk and renamed over the old one, so a file is always whole.
#include <QList>
#include <QString>
#include <optional>

#include "closing/VendaFechada.h"

class DiarioVendas {
 public:
  enum class Situacao {
    Fechando,  // written before the printer's closing sequence
    Fechada,   // the printer closed the coupon: to be recorded
    Gravada,   // the database committed it
  };
  struct Entrada {
    QString arquivo;
    Situacao situacao = Situacao::Fechando;
    VendaFechada venda;
    qlonglong codigoEmpenho = 0;  // once recorded
    QString ultimoErro;           // why the last recording failed
  };

  // The folder on the installation's drive.
  static constexpr const char *PastaPadrao = "c:\\kw-velt\\vendas";
  static constexpr int DiasGuardadas = 60;

  explicit DiarioVendas(QString pasta);
  const QString &pasta() const { return pasta_; }

  // Writes the sale in this state (the whole file, flushed). False with the
  // reason when the drive did not take it.
  bool grava(const VendaFechada &venda, Situacao situacao, QString *erro = nullptr);
  // The recorded sale moves to gravadas with its code.
  bool marcaGravada(const VendaFechada &venda, qlonglong codigoEmpenho, QString *erro = nullptr);
  // Notes why a recording failed (kept for whoever looks at the file).
  void anotaErro(const VendaFechada &venda, const QString &erro);
  // Drops a pending entry (its coupon was cancelled or never closed).
  void descarta(const VendaFechada &venda);
  void descarta(const QString &chave);

  // Pending entries (Fechando and Fechada), oldest coupon first. Files that
  // cannot be read are listed in `ilegiveis` and left where they are.
  QList<Entrada> pendentes(QStringList *ilegiveis = nullptr) const;
  std::optional<Entrada> le(const QString &arquivo, QString *erro = nullptr) const;
  // Removes recorded entries older than DiasGuardadas.
  void limpaGravadas(const QDate &hoje) const;

  static QString nomeSituacao(Situacao s);

 private:
  QString caminho(const QString &chave, bool gravada) const;
  bool escreve(const QString &caminho, const Entrada &entrada, QString *erro) const;
  QString pasta_;
  // The text of the sale last written.
  mutable VendaFechada vendaEmCache_;
  mutable QByteArray jsonEmCache_;
};
