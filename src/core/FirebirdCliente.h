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
#include <vector>

class ErroBanco;

namespace fb {

Firebird::IMaster *mestre();

// An IStatus that throws FbException on error, disposed with the scope.
class Status : public Firebird::ThrowStatusWrapper {
 public:
  Status() : Firebird::ThrowStatusWrapper(mestre()->getStatus()) {}
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
  int colunas() const { return static_cast<int>(saidas_.size()); }
  const QStringList &nomes() const { return nomes_; }
  const QStringList &tipos() const { return tipos_; }

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

  bool emUso = false;  // a cursor of it is open

 private:
  struct Campo {
    unsigned tipo;
    int subtipo;
    int escala;
    unsigned tamanho;
    unsigned charset;
    unsigned deslocamento;
    unsigned deslocamentoNulo;
  };
  static std::vector<Campo> camposDe(Firebird::IMessageMetadata *meta);
  QVariant valor(const Campo &c, Firebird::IAttachment *att, Firebird::ITransaction *tra) const;
  void refazEntrada(const QVariantList &parametros);
  void libera();

  Firebird::IStatement *stmt_ = nullptr;
  unsigned tipo_ = 0;
  Firebird::IMessageMetadata *metaSaida_ = nullptr;
  std::vector<Campo> saidas_;
  std::vector<unsigned char> saida_;
  QStringList nomes_, tipos_;
  Firebird::IMessageMetadata *metaEntradaDescrita_ = nullptr;
  Firebird::IMessageMetadata *metaEntrada_ = nullptr;
  std::vector<Campo> entradas_;
  std::vector<unsigned char> entrada_;
  std::vector<unsigned> assinatura_;  // type and length of each bound parameter
};

}  // namespace fb
