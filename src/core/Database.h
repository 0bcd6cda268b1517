#pragma once
// The one database connection (Firebird through Qt SQL's QIBASE driver), the
// shared command, in-memory result sets, and the statement-completion rules.
//
// Every statement runs in a transaction of its own that is committed before
// the call returns; a SELECT is read whole into memory and its transaction
// ends at once, so no snapshot stays open between events. Decimal columns
// come back as exact decimal text (never through a double).
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <functional>
#include <stdexcept>

struct TerminalState;

// A provider error: its number and text as the driver gave them. Firebird
// reports update conflicts with "deadlock" in the text.
class ErroBanco : public std::runtime_error {
 public:
  ErroBanco(long numero, const QString &descricao)
      : std::runtime_error(descricao.toStdString()), numero_(numero), descricao_(descricao) {}
  long numero() const { return numero_; }
  const QString &descricao() const { return descricao_; }
  bool ehDeadlock() const { return descricao_.contains("deadlock", Qt::CaseInsensitive); }

 private:
  long numero_;
  QString descricao_;
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

class ConexaoBanco {
 public:
  ConexaoBanco();
  ~ConexaoBanco();
  ConexaoBanco(const ConexaoBanco &) = delete;
  ConexaoBanco &operator=(const ConexaoBanco &) = delete;

  // Opens the database the connection string names; throws ErroBanco.
  void abre(const QString &stringConexao);
  void fecha();
  bool aberta() const;
  // Runs a statement; returns the number of rows it changed. Throws ErroBanco.
  long executa(const QString &sql);
  // Runs a statement with real parameters (bound in order). Throws ErroBanco.
  long executaComParametros(const QString &sql, const QVariantList &parametros);
  QString ultimoErro() const { return ultimoErro_; }
  QSqlDatabase &banco() { return db_; }

 private:
  friend class Recordset;
  void exigeAberta();
  QSqlDatabase db_;
  QString nome_;
  QString ultimoErro_;
};

// The shared command: a text and its positional parameters.
class ComandoBanco {
 public:
  QString CommandText;
  QVariantList Parameters;
  long executa(ConexaoBanco &conexao) { return conexao.executaComParametros(CommandText, Parameters); }
};

// A result set held in memory. Field names match in any letter case.
class Recordset {
 public:
  // Opens the query; throws ErroBanco (the result set then stays closed).
  // A long read tells `lidas` the rows read so far, every 1000 rows, so a
  // screen can repaint meanwhile.
  void abre(const QString &sql, ConexaoBanco &conexao, const std::function<void(int)> &lidas = {});
  void fecha();
  int State() const { return aberto_ ? 1 : 0; }
  bool EOF_() const { return !aberto_ || atual_ >= linhas_.size(); }
  bool BOF() const { return !aberto_ || atual_ < 0 || linhas_.isEmpty(); }
  int RecordCount() const { return aberto_ ? static_cast<int>(linhas_.size()) : 0; }
  void MoveNext() { if (atual_ < linhas_.size()) ++atual_; }
  void MovePrevious() { if (atual_ >= 0) --atual_; }
  void MoveFirst() { atual_ = 0; }
  void MoveLast() { atual_ = linhas_.isEmpty() ? 0 : linhas_.size() - 1; }
  int AbsolutePosition() const { return static_cast<int>(atual_) + 1; }
  void setAbsolutePosition(int p) { atual_ = p - 1; }
  // The value of a field of the current row; Null for a Null column.
  // Throws std::out_of_range for an unknown name or when there is no row.
  QVariant campo(const QString &nome) const;
  QVariant campo(int indice) const;
  QVariant operator[](const QString &nome) const { return campo(nome); }
  int FieldCount() const { return static_cast<int>(nomes_.size()); }
  QString nomeCampo(int i) const { return nomes_.value(i); }
  bool temCampo(const QString &nome) const { return indice(nome) >= 0; }
  const QList<QVariantList> &linhas() const { return linhas_; }

 private:
  int indice(const QString &nome) const;
  bool aberto_ = false;
  QStringList nomes_;  // upper-cased
  QList<QVariantList> linhas_;
  qsizetype atual_ = 0;
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
