#pragma once
// The one database connection (Firebird through its own client library), the
// shared command, result sets, explicit transactions and the
// statement-completion rules.
//
// Outside an explicit transaction every statement runs in a transaction of its
// own: a SELECT in a read-only read-committed one that ends as soon as its rows
// are read, a change in a read-write read-committed one committed before the
// call returns. A `TransacaoBanco` groups several statements that commit
// together. A wait on a locked row ends after kEsperaBloqueioSegundos.
//
// No wait on the server is endless: a call to it (a statement, a fetch, a
// commit) that has not returned after kLimiteRespostaSegundos has its
// connection aborted and fails as a lost connection (`conexaoPerdida`); the
// next statement reopens it. `abre` gives up after kLimiteAberturaSegundos,
// a reopening after kLimiteRespostaSegundos.
//
// Values cross exactly: NUMERIC/DECIMAL columns of up to four decimals come
// back as `Moeda` (read from their scaled integer), longer scales as exact
// decimal text; dates as QDate, timestamps as QDateTime.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QByteArrayView>
#include <QVarLengthArray>
#include <QVariantList>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>
#include <stdexcept>

struct TerminalState;

// A provider error: the Firebird error codes of the failure (the first one is
// `numero()`), and the provider's text.
namespace fb {
class Instrucao;
struct Colunas;
struct Campo;
}
namespace Firebird {
class IAttachment;
class ITransaction;
}

// A character column's bytes as the server sent them: UTF-8, or Latin-1
// (`latin1`) for a column without a character set; a CHAR keeps its
// padding, a Null is empty.
struct TextoLido {
  QByteArrayView bytes;
  bool latin1 = false;
};

// One row as the server handed it, for a reader that makes its own cells
// straight from it instead of a QVariant for every column. Valid only inside
// the call it is given to (or while the LinhasGuardadas it came from lives).
class LinhaLida {
 public:
  int colunas() const { return static_cast<int>(valores_.size()); }
  QVariant valor(int coluna) const;
  // False for a column that is not text (its value is `valor`).
  bool texto(int coluna, TextoLido &texto) const;

 private:
  friend class Recordset;
  friend class LinhasGuardadas;
  explicit LinhaLida(const std::vector<fb::Campo> &campos) : campos_(campos) {}
  const std::vector<fb::Campo> &campos_;
  QVarLengthArray<const unsigned char *, 16> valores_;  // each column's bytes; nullptr for a Null
  Firebird::IAttachment *att_ = nullptr;
  Firebird::ITransaction *tra_ = nullptr;
};

// Rows kept as the server sent them, each column's bytes as they came (a
// few bytes more than the values), so that one thread reads them and another
// makes them into what it needs. No BLOB columns (read with the cursor).
class LinhasGuardadas {
 public:
  int linhas() const { return static_cast<int>(inicios_.size()); }
  LinhaLida linha(int i) const;

 private:
  friend class Recordset;
  void guarda(const LinhaLida &linha);
  std::shared_ptr<const fb::Colunas> colunas_;
  QByteArray dados_;  // row after row, column after column: a Null mark, then the value's bytes
  std::vector<uint32_t> inicios_;
};

class ErroBanco : public std::runtime_error {
 public:
  ErroBanco(long numero, const QString &descricao, QList<long> codigos = {})
      : std::runtime_error(descricao.toStdString()), numero_(numero), descricao_(descricao),
        codigos_(std::move(codigos)) {}
  long numero() const { return numero_; }
  const QString &descricao() const { return descricao_; }
  const QList<long> &codigos() const { return codigos_; }
  bool temCodigo(long codigo) const { return numero_ == codigo || codigos_.contains(codigo); }
  // Update conflict, deadlock, lock conflict, lock timeout (or a row changed
  // under a running update, see the source): the statement
  // may succeed when run again. (An error made from text alone is recognised
  // by the word "deadlock", as older callers build it.)
  bool ehDeadlock() const;
  // Another transaction changed the same row first.
  bool ehConflito() const;
  // The connection to the server is gone (network error, server shut down).
  bool conexaoPerdida() const;
  // The operation was cancelled (ConexaoBanco::cancelaOperacao).
  bool cancelado() const;
  // The server did not answer within the connection's bound (a lost
  // connection too).
  bool semResposta() const { return temCodigo(kCodigoSemResposta); }
  // The server cannot be reached at all (refused, gone, no answer), as
  // opposed to a server that answers with a refusal (a wrong password, a
  // missing database): what a reserve stands in for.
  bool servidorFora() const;
  // Not sent to the server: the connection works from its reserve (the
  // desk's local copy), which is never written (a lost connection too).
  bool contingencia() const { return temCodigo(kCodigoContingencia); }
  // Carried among the codes of such errors; no codes of the server's.
  static constexpr long kCodigoSemResposta = -10;
  static constexpr long kCodigoContingencia = -11;

 private:
  long numero_;
  QString descricao_;
  QList<long> codigos_;
};

// Where a connection string points: database, credentials.
struct DestinoConexao {
  QString banco;  // local file, "host:path" or "host/port:path"
  QString usuario;
  QString senha;
};
// Reads "key=value;..." texts (Data Source / DBNAME / Database, User / UID,
// Password / PWD; later keys win). A piece without "=" is the database itself.
DestinoConexao InterpretaStringConexao(const QString &texto);

class Recordset;
class TransacaoBanco;
class ComandoPreparado;

class ConexaoBanco {
 public:
  // How long a statement waits behind another transaction's lock: below the
  // bound of a call, so that such a wait ends as a lock error.
  static constexpr int kEsperaBloqueioSegundos = 8;
  // How long one call to the server may take before the connection is
  // aborted and the call fails as a lost connection. A network that froze
  // (packets dropped, nothing refused) is found out this way. A read of many
  // rows is bounded fetch by fetch, never as a whole.
  static constexpr int kLimiteRespostaSegundos = 10;
  // How long `abre` waits for the database to attach (a reopening after a
  // lost connection waits kLimiteRespostaSegundos).
  static constexpr int kLimiteAberturaSegundos = 30;

  ConexaoBanco();
  ~ConexaoBanco();
  ConexaoBanco(const ConexaoBanco &) = delete;
  ConexaoBanco &operator=(const ConexaoBanco &) = delete;

  // Opens the database the connection string names; throws ErroBanco with
  // the server's reason (missing file, wrong password, no server...).
  void abre(const QString &stringConexao);
  void fecha();
  // Open, or lost and to be reopened by the next statement.
  bool aberta() const;
  // Runs a statement; returns the number of rows it changed. Throws ErroBanco.
  // A connection found lost is reopened once and the statement run again
  // when it had not reached the server; otherwise the error says so.
  long executa(const QString &sql);
  // Runs a statement with real parameters (bound in order). Throws ErroBanco.
  long executaComParametros(const QString &sql, const QVariantList &parametros);
  QString ultimoErro() const { return ultimoErro_; }
  // The last statement this connection was asked to run (a query, a change,
  // a prepared statement), with its parameters' literals in place of their
  // markers; noted before it runs, so after a failure it is the failing one.
  // The error log records it. Empty before the first statement.
  QString ultimaInstrucao() const;
  // True while a TransacaoBanco of this connection is open.
  bool emTransacao() const;
  // Stops the statement running on this connection; that statement fails
  // with ErroBanco::cancelado() and the connection goes on. The one call that
  // may come from another thread while a statement runs (not from a signal
  // handler). With nothing running it does nothing: the next statement is
  // not affected.
  void cancelaOperacao();
  // Changes the bounds above, before `abre` (tests; maintenance work that
  // legitimately runs long calls passes 0 for no bound). A response bound
  // under kEsperaBloqueioSegundos + 2 s shortens the lock wait with it.
  void defineLimites(std::chrono::milliseconds resposta, std::chrono::milliseconds abertura);
  // Prepared statements kept for reuse (by text).
  int instrucoesGuardadas() const;

  // A reserve: another database (a desk's local copy, opened as a user that
  // may only read it) that stands in for the server while the server cannot
  // be reached. With one, an attach to the server (`abre`, a reopening) and
  // a whole read outside a transaction (a look-up; not a read page by page)
  // wait at most kLimiteReservaMs for it; when the server is found away the
  // connection goes into the reserve: reads outside a transaction run on
  // it (the read that found the server away is run there at once), and every
  // write, transaction or prepared command fails as a lost connection with
  // ErroBanco::contingencia(), the server never being tried until
  // `voltaAoServidor`. A read of what the reserve does not hold fails the
  // same way. `aoMudar` is told each switch (true: into the reserve); it must
  // not run statements on this connection. Empty text: no reserve.
  void defineReserva(const QString &stringConexao, std::function<void(bool emReserva)> aoMudar = {});
  bool emReserva() const { return emReserva_; }
  // Why the connection went into its reserve (the server's error).
  QString motivoReserva() const { return motivoReserva_; }
  // Attaches to the server again, waiting at most kLimiteReservaMs: true when
  // it answered and the connection has left its reserve (or was not in it).
  bool voltaAoServidor();
  static constexpr int kLimiteReservaMs = 2000;

  struct Sessao;

 private:
  friend class Recordset;
  friend class TransacaoBanco;
  friend class ComandoPreparado;
  void exigeAberta();
  void registraErro(const ErroBanco &erro) { ultimoErro_ = erro.descricao(); }
  void anotaInstrucao(const QString &sql, const QVariantList &parametros = {}) {
    ultimaInstrucao_ = sql;
    parametrosUltima_ = parametros;
  }
  // Goes into the reserve for this failure of the server's; false when it
  // is not such a failure or there is no reserve that opens.
  bool entraReserva(const ErroBanco &motivo);
  // A failure of the reserve, as this connection reports it.
  ErroBanco erroDaReserva(const ErroBanco &erro) const;
  // Thrown for a write while in the reserve.
  ErroBanco recusaNaReserva() const;
  std::unique_ptr<Sessao> s_;
  std::unique_ptr<ConexaoBanco> reserva_;
  QString stringReserva_;
  std::function<void(bool)> aoMudarReserva_;
  std::atomic<bool> emReserva_{false};
  QString motivoReserva_;
  QString ultimoErro_;
  QString ultimaInstrucao_;
  QVariantList parametrosUltima_;
};

// Several statements that commit together: every statement of the connection
// runs in this transaction until `confirma`; a transaction neither confirmed
// nor undone is rolled back when it goes out of scope.
class TransacaoBanco {
 public:
  explicit TransacaoBanco(ConexaoBanco &conexao);  // throws ErroBanco
  ~TransacaoBanco();
  TransacaoBanco(const TransacaoBanco &) = delete;
  TransacaoBanco &operator=(const TransacaoBanco &) = delete;
  void confirma();  // commit; throws ErroBanco (nothing is then stored)
  void desfaz();    // rollback
  bool ativa() const { return ativa_; }

 private:
  ConexaoBanco &conexao_;
  bool ativa_ = false;
  int geracao_ = -1;  // the attachment it began on
};

// One statement prepared once and run many times with different parameters
// (bulk inserts). Runs in the connection's explicit transaction when one is
// open, otherwise each run commits on its own.
class ComandoPreparado {
 public:
  ComandoPreparado(ConexaoBanco &conexao, const QString &sql);  // throws ErroBanco
  ~ComandoPreparado();
  long executa(const QVariantList &parametros);  // throws ErroBanco

 private:
  void prepara();
  ConexaoBanco &conexao_;
  QString sql_;
  std::shared_ptr<fb::Instrucao> instrucao_;
  int geracao_ = -1;  // the attachment it was prepared on
};

// The shared command: a text and its positional parameters.
class ComandoBanco {
 public:
  QString CommandText;
  QVariantList Parameters;
  long executa(ConexaoBanco &conexao) { return conexao.executaComParametros(CommandText, Parameters); }
};

// A result set. Field names match in any letter case. Read whole by `abre`,
// or page by page by `abrePaginado` + `leMais`.
class Recordset {
 public:
  Recordset();
  ~Recordset();
  Recordset(const Recordset &) = delete;
  Recordset &operator=(const Recordset &) = delete;
  Recordset(Recordset &&) noexcept;
  Recordset &operator=(Recordset &&) noexcept;

  // Opens the query and reads every row; throws ErroBanco (the result set
  // then stays closed). A long read tells `lidas` the rows read so far,
  // every 1000 rows, so a screen can repaint meanwhile.
  void abre(const QString &sql, ConexaoBanco &conexao, const std::function<void(int)> &lidas = {});
  // The same with real parameters bound in order to the "?" markers: one
  // text for many values, prepared once and kept by the connection.
  void abreComParametros(const QString &sql, const QVariantList &parametros, ConexaoBanco &conexao);
  // Opens the query and reads at most `pagina` rows; the others wait on the
  // server for `leMais`. Throws ErroBanco.
  void abrePaginado(const QString &sql, ConexaoBanco &conexao, int pagina);
  // Reads at most `quantas` more rows (all of them when negative); returns
  // how many were read. The cursor and its transaction end with the last row.
  // Throws ErroBanco (the rows read so far stay).
  int leMais(int quantas = -1);
  // The same, the rows kept in `destino` as the server sent them. Throws
  // std::logic_error for a statement with a BLOB column.
  int leMais(int quantas, LinhasGuardadas &destino);
  // True once every row of the query is read (or the reading was stopped).
  bool completo() const;
  // Stops reading: the rows read so far stay, the cursor ends.
  void paraLeitura();
  // Hands over the rows read so far and holds none (a caller that keeps rows
  // elsewhere, page by page, so they are never held twice).
  QList<QVariantList> tomaLinhas();
  void fecha();
  int State() const { return aberto_ ? 1 : 0; }
  bool EOF_() const { return !aberto_ || atual_ >= linhas_.size(); }
  bool BOF() const { return !aberto_ || atual_ < 0 || linhas_.isEmpty(); }
  int RecordCount() const { return aberto_ ? static_cast<int>(linhas_.size()) : 0; }
  void MoveNext() { if (atual_ < linhas_.size()) ++atual_, andando_ = true; }
  void MovePrevious() { if (atual_ >= 0) --atual_; andando_ = false; }
  void MoveFirst() { atual_ = 0, andando_ = false; }
  void MoveLast() { atual_ = linhas_.isEmpty() ? 0 : linhas_.size() - 1, andando_ = false; }
  int AbsolutePosition() const { return static_cast<int>(atual_) + 1; }
  void setAbsolutePosition(int p) { atual_ = p - 1, andando_ = false; }
  // The value of a field of the current row; Null for a Null column.
  // Throws std::out_of_range for an unknown name or when there is no row.
  QVariant campo(const QString &nome) const;
  QVariant campo(int indice) const;
  QVariant operator[](const QString &nome) const { return campo(nome); }
  int FieldCount() const { return static_cast<int>(nomes_.size()); }
  QString nomeCampo(int i) const { return nomes_.value(i); }
  bool temCampo(const QString &nome) const { return indice(nome) >= 0; }
  // The column's SQL type as the prepared statement describes it
  // ("NUMERIC(15,2)", "VARCHAR(60)", "INTEGER", ...).
  QString tipoCampo(int i) const;
  const QList<QVariantList> &linhas() const { return linhas_; }

  struct Cursor;

 private:
  int indice(const QString &nome) const;
  // leMais with each row handed to `cadaLinha` as it arrives instead of kept.
  int leMais(int quantas, const std::function<void(const LinhaLida &)> &cadaLinha);
  void abreCursor(const QString &sql, const QVariantList &parametros, ConexaoBanco &conexao);
  // Opens the query and reads `pagina` rows, or all of them when negative.
  void abreLendo(const QString &sql, const QVariantList &parametros, ConexaoBanco &conexao, int pagina,
                 const std::function<void(int)> &lidas);
  bool aberto_ = false;
  QStringList nomes_;  // upper-cased
  std::shared_ptr<const fb::Colunas> colunas_;  // their types, as the statement described them
  QList<QVariantList> linhas_;
  qsizetype atual_ = 0;
  bool andando_ = false;  // walked forward row by row (a loop over the rows)
  std::unique_ptr<Cursor> cursor_;
};

// Rewrites the configuration's connection text into a full connection string.
void EscolheConexao(TerminalState &estado, QString &texto);
// Appends the credentials and opens the shared connection. Throws ErroBanco.
void AbreConexao(TerminalState &estado);
void FechaConexao(TerminalState &estado);
// Closes the result set when it is open.
void FechaRs(Recordset &rs);
// Replaces each "?" marker by the literal of the next value.
QString MontaSql(const QString &sql, const QVariantList &valores);
// The literal one value gives in a statement.
QString LiteralSql(const QVariant &valor);
// "" for Null, the value otherwise.
QVariant SemNulo(const QVariant &valor);
