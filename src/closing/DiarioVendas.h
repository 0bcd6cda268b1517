#pragma once
// The journal of closed sales on the desk's drive: a sale is written here,
// on disk, before the printer closes its coupon, marked when the printer has
// closed it and again when the database has committed it. A sale the
// database could not take stays here until it is recorded; none is lost and
// none recorded twice.
//
// One file per sale, named by its key and the serial of the printer that
// printed it (desk-coupon-date-serial; entries of older versions have no
// serial in their name), in the folder c:\kw-velt\vendas (pending ones)
// and, once recorded, in its subfolder gravadas (kept 60 days). Each change
// is written to a temporary file, flushed to disk and renamed over the old
// one, so a file is always whole.
//
// Nothing pending is deleted before its sale is in the database: a file that
// does not hold (a copy, a sale of another printer or desk, one the database
// refuses for what it holds) is moved into recusadas with a text beside it
// saying why; the entry of a coupon that was cancelled goes into canceladas.
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
    // A recorded sale whose release program has not been confirmed started:
    // the claim marker to release it with (0: nothing to release).
    qlonglong liberacaoPendente = 0;
    QString ultimoErro;           // why the last recording failed
  };

  // A file moved aside, and why.
  struct Separada {
    QString arquivo;  // where it is now
    QString motivo;
  };

  // The folder on the installation's drive.
  static constexpr const char *PastaPadrao = "c:\\kw-velt\\vendas";
  static constexpr const char *SubpastaGravadas = "gravadas";
  static constexpr const char *SubpastaRecusadas = "recusadas";
  static constexpr const char *SubpastaCanceladas = "canceladas";
  static constexpr int DiasGuardadas = 60;

  // `serie`: the serial of this desk's printer, given to the sales written
  // without one.
  explicit DiarioVendas(QString pasta, QString serie = {});
  const QString &pasta() const { return pasta_; }
  const QString &serie() const { return serie_; }

  // Writes the sale in this state (the whole file, flushed). False with the
  // reason when the drive did not take it.
  bool grava(const VendaFechada &venda, Situacao situacao, QString *erro = nullptr);
  // Writes a pending entry again, where it is, in another state.
  bool marca(const Entrada &entrada, Situacao situacao, QString *erro = nullptr);
  // The recorded sale moves to gravadas with its code. `arquivo`: the
  // pending file it was read from (default: the sale's own name);
  // `liberarCom`: the claim marker its release program is still to be
  // started with (0: none); `gravadoEm`: where it was written.
  bool marcaGravada(const VendaFechada &venda, qlonglong codigoEmpenho, QString *erro = nullptr,
                    const QString &arquivo = {}, qlonglong liberarCom = 0, QString *gravadoEm = nullptr);
  // Recorded sales whose release program was not confirmed started.
  QList<Entrada> liberacoesPendentes() const;
  // The release program of the recorded entry in that file started:
  // nothing left to do for it.
  bool marcaLiberada(const QString &arquivoGravada, QString *erro = nullptr);
  // Notes why a recording failed (kept for whoever looks at the file).
  void anotaErro(const VendaFechada &venda, const QString &erro, const QString &arquivo = {});
  // A pending entry whose coupon was cancelled (or never closed) moves into
  // canceladas, with why.
  void descarta(const VendaFechada &venda, const QString &motivo = {});
  void descarta(const Entrada &entrada, const QString &motivo);
  // Moves a pending file into recusadas with a text beside it saying why;
  // where it went ("" when it could not be moved: it stays).
  QString separa(const QString &arquivo, const QString &motivo, QString *erro = nullptr);
  // Files set aside in recusadas.
  int quantasSeparadas() const;

  // Pending entries (Fechando and Fechada), oldest coupon first, each sale
  // once. Files that cannot be read are listed in `ilegiveis` and left where
  // they are.
  QList<Entrada> pendentes(QStringList *ilegiveis = nullptr) const;
  // Puts the folder in order: a pending file of a sale that gravadas holds
  // already is removed when it is the journal's own (same name), and moved
  // aside when it is a copy; a copy of a pending sale is moved aside. What
  // was moved aside.
  QList<Separada> organiza();
  std::optional<Entrada> le(const QString &arquivo, QString *erro = nullptr) const;
  // Removes recorded entries older than DiasGuardadas.
  void limpaGravadas(const QDate &hoje) const;

  static QString nomeSituacao(Situacao s);
  // The file name of a sale (without folder): desk-coupon-date, and the
  // printer's serial when the sale has one.
  static QString nomeArquivo(const VendaFechada &venda);

 private:
  struct Exame {
    QList<Entrada> pendentes;
    QStringList jaGravadas;  // the journal's own leftovers of recorded sales
    QList<Separada> copias;  // files to move aside, and why
    QStringList ilegiveis;
  };
  Exame examina() const;
  // The sale with this desk's printer serial when it has none.
  VendaFechada carimbada(const VendaFechada &venda) const;
  QString caminho(const VendaFechada &venda, bool gravada) const;
  bool escreve(const QString &caminho, const Entrada &entrada, QString *erro) const;
  QString moveParaSubpasta(const QString &arquivo, const char *subpasta, const QString &motivo, QString *erro);
  QString pasta_;
  QString serie_;
  // The text of the sale last written.
  mutable VendaFechada vendaEmCache_;
  mutable QByteArray jsonEmCache_;
};
