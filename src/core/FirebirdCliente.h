#pragma once
// Firebird's client library (the object interface of libfbclient) as the
// database layer uses it: status handling, transaction parameters, and one
// prepared statement with its message buffers and the conversion of its
// values to and from QVariant. Internal to the database layer.
#include <firebird/Interface.h>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

class ErroBanco;
struct TextoLido;

namespace fb {

Firebird::IMaster *mestre();

// Clears the upper halves of the vector registers of the calling thread, on
// a processor that has them (nothing elsewhere). See the definition.
void limpaRegistrosVetoriais();
// The same on any thread but the process's main one: done before every call
// into the client library (each one makes a Status).
void limpaRegistrosForaDaPrincipal();

// An IStatus that throws FbException on error, disposed with the scope.
class Status : public Firebird::ThrowStatusWrapper {
 public:
  Status() : Firebird::ThrowStatusWrapper(mestre()->getStatus()) { limpaRegistrosForaDaPrincipal(); }
  ~Status() { dispose(); }
  Status(const Status &) = delete;
  Status &operator=(const Status &) = delete;
};

// The error a failed call left; `prefixo` goes before the provider's text.
ErroBanco erroDe(const Firebird::FbException &e, const QString &prefixo = {});
ErroBanco erroDe(const Firebird::IStatus *status, const QString &prefixo = {});

enum class Modo { Leitura, Escrita };
// Read committed (record versions); reads read-only, writes wait on a lock at
// most `esperaSegundos`.
Firebird::ITransaction *iniciaTransacao(Firebird::IAttachment *att, Modo modo, int esperaSegundos);
// Commit / rollback that never throw; false when the call failed (the
// transaction is then released anyway).
bool confirma(Firebird::ITransaction *&t, ErroBanco *erro = nullptr);
void desfaz(Firebird::ITransaction *&t);

// One field of a message: its type and where it sits in the buffer.
struct Campo {
  unsigned tipo;
  int subtipo;
  int escala;
  unsigned tamanho;
  unsigned charset;
  unsigned deslocamento;
  unsigned deslocamentoNulo;
};

// A column's value from its bytes as a message holds them (`p` at the
// value; a VARCHAR's begins with its length). A BLOB is read through `att`
// and `tra`.
QVariant valorEm(const Campo &c, const unsigned char *p, Firebird::IAttachment *att, Firebird::ITransaction *tra);
// A character column's bytes (see TextoLido) from the same; false, and
// nothing set, for other columns (binary texts included).
bool textoEm(const Campo &c, const unsigned char *p, TextoLido &texto);
// How many bytes from `p` the value takes in a message.
unsigned tamanhoEm(const Campo &c, const unsigned char *p);

// The output columns of a statement, kept by result sets after the statement
// itself may be gone.
struct Colunas {
  std::vector<Campo> campos;
  // The column's SQL type ("NUMERIC(18,2)", "VARCHAR(60)"...).
  QString tipo(int coluna) const;
};

// One prepared statement. Input parameters are bound from QVariants by
// their own type (Moeda as a scaled integer, dates as dates, texts as UTF8);
// output columns are read straight from the statement's message buffer.
class Instrucao {
 public:
  Instrucao(Firebird::IAttachment *att, Firebird::ITransaction *tra, const QByteArray &sql);
  ~Instrucao();
  Instrucao(const Instrucao &) = delete;
  Instrucao &operator=(const Instrucao &) = delete;

  bool ehSelect() const;  // returns rows through a cursor
  bool ehDdl() const;
  bool soLeitura() const;  // a plain SELECT (not FOR UPDATE)
  int colunas() const { return static_cast<int>(saidas_->campos.size()); }
  std::shared_ptr<const Colunas> descricao() const { return saidas_; }
  // Column names, upper-cased (made once per prepared statement).
  const QStringList &nomes() const { return nomes_; }

  // Binds the parameters; throws ErroBanco when their count is wrong.
  void liga(const QVariantList &parametros);
  Firebird::IResultSet *abreCursor(Firebird::ITransaction *tra);
  // Runs a statement without a cursor; its single output row (EXECUTE
  // PROCEDURE, RETURNING) lands in the output buffer.
  void executa(Firebird::ITransaction *tra);
  long afetadas();
  unsigned char *bufferSaida() { return saida_.data(); }
  // The output row in the buffer as values.
  QVariantList linha(Firebird::IAttachment *att, Firebird::ITransaction *tra) const;
  // The output row in the buffer: its column's value's bytes, or nullptr
  // for a Null.
  const unsigned char *valorBruto(const Campo &c) const;

  bool emUso = false;  // a cursor of it is open

 private:
  static std::vector<Campo> camposDe(Firebird::IMessageMetadata *meta);
  void refazEntrada(const QVariantList &parametros);
  void libera();

  Firebird::IStatement *stmt_ = nullptr;
  unsigned tipo_ = 0;
  Firebird::IMessageMetadata *metaSaida_ = nullptr;
  std::shared_ptr<Colunas> saidas_ = std::make_shared<Colunas>();
  std::vector<unsigned char> saida_;
  QStringList nomes_;
  Firebird::IMessageMetadata *metaEntradaDescrita_ = nullptr;
  Firebird::IMessageMetadata *metaEntrada_ = nullptr;
  std::vector<Campo> entradas_;
  std::vector<unsigned char> entrada_;
  std::vector<unsigned> assinatura_;  // type and length of each bound parameter
};

}  // namespace fb
