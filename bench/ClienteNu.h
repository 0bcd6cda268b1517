#pragma once
// The yardstick of the benchmarks: the same database work done straight on
// Firebird's client library, with nothing on top (no value conversion, rows
// kept as the raw messages the server sends).
#include <firebird/Interface.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class ClienteNu {
 public:
  ClienteNu(const std::string &banco, const std::string &usuario, const std::string &senha);
  ~ClienteNu();

  // Reads at most `maximo` rows of a query in a read-only read-committed
  // transaction ended when they are read; keeps them in `linhas`. Returns the
  // number of rows.
  size_t consulta(const std::string &sql, size_t maximo = static_cast<size_t>(-1));
  // The same, telling `lidas` the number of rows read after each row.
  size_t consulta(const std::string &sql, size_t maximo, const std::function<void(size_t)> &lidas);
  // One statement in a read-write transaction committed at once.
  void executa(const std::string &sql);
  // An explicit read-write transaction for several statements.
  void inicia();
  void executaNaTransacao(const std::string &sql);
  void confirma();
  // A read-only read-committed transaction of the caller's, to commit.
  Firebird::ITransaction *transacaoLeitura();

  Firebird::IUtil *util() { return master_->getUtilInterface(); }

  Firebird::IAttachment *conexao() { return att_; }
  Firebird::ITransaction *transacao() { return tra_; }
  Firebird::ThrowStatusWrapper &status() { return st_; }

  std::vector<unsigned char> linhas;  // every row read, message after message
  // False: rows are fetched and dropped (the leanest client: only the engine's
  // and the library's memory).
  bool guardaLinhas = true;

 private:
  Firebird::ITransaction *transacaoEscrita();
  Firebird::IMaster *master_;
  Firebird::ThrowStatusWrapper st_;
  Firebird::IAttachment *att_ = nullptr;
  Firebird::ITransaction *tra_ = nullptr;
};
