#include "ClienteNu.h"

#include <ibase.h>

#include "core/FirebirdCliente.h"

using namespace Firebird;

namespace {
const unsigned char kLeitura[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed, isc_tpb_rec_version,
                                  isc_tpb_nowait};
const unsigned char kEscrita[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed, isc_tpb_rec_version,
                                  isc_tpb_wait, isc_tpb_lock_timeout, 4, 10, 0, 0, 0};
}  // namespace

ClienteNu::ClienteNu(const std::string &banco, const std::string &usuario, const std::string &senha)
    : master_(fb_get_master_interface()), st_(master_->getStatus()) {
  // As a program of its own starts: the vector registers' upper halves
  // clear (what the benchmark's process did before may have left them in
  // use, and the engine's code would pay for it).
  fb::limpaRegistrosVetoriais();
  IXpbBuilder *dpb = master_->getUtilInterface()->getXpbBuilder(&st_, IXpbBuilder::DPB, nullptr, 0);
  dpb->insertString(&st_, isc_dpb_user_name, usuario.c_str());
  dpb->insertString(&st_, isc_dpb_password, senha.c_str());
  dpb->insertString(&st_, isc_dpb_lc_ctype, "UTF8");
  IProvider *provedor = master_->getDispatcher();
  att_ = provedor->attachDatabase(&st_, banco.c_str(), dpb->getBufferLength(&st_), dpb->getBuffer(&st_));
  provedor->release();
  dpb->dispose();
}

ClienteNu::~ClienteNu() {
  try {
    if (tra_) tra_->rollback(&st_);
    att_->detach(&st_);
  } catch (const FbException &) {
    // the run already failed; its error is what counts
  }
  st_.dispose();
}

ITransaction *ClienteNu::transacaoLeitura() { return att_->startTransaction(&st_, sizeof kLeitura, kLeitura); }

size_t ClienteNu::consulta(const std::string &sql, size_t maximo) { return consulta(sql, maximo, {}); }

size_t ClienteNu::consulta(const std::string &sql, size_t maximo, const std::function<void(size_t)> &lidas) {
  fb::limpaRegistrosVetoriais();
  ITransaction *tra = transacaoLeitura();
  IStatement *stmt = att_->prepare(&st_, tra, 0, sql.c_str(), SQL_DIALECT_V6, IStatement::PREPARE_PREFETCH_METADATA);
  IMessageMetadata *meta = stmt->getOutputMetadata(&st_);
  const unsigned tamanho = meta->getMessageLength(&st_);
  std::vector<unsigned char> buffer(tamanho);
  IResultSet *rs = stmt->openCursor(&st_, tra, nullptr, nullptr, meta, 0);
  size_t n = 0;
  while (n < maximo && rs->fetchNext(&st_, buffer.data()) == IStatus::RESULT_OK) {
    if (guardaLinhas) linhas.insert(linhas.end(), buffer.begin(), buffer.end());
    ++n;
    if (lidas) lidas(n);
  }
  rs->close(&st_);
  meta->release();
  stmt->free(&st_);
  tra->commit(&st_);
  return n;
}

ITransaction *ClienteNu::transacaoEscrita() { return att_->startTransaction(&st_, sizeof kEscrita, kEscrita); }

void ClienteNu::executa(const std::string &sql) {
  ITransaction *tra = transacaoEscrita();
  att_->execute(&st_, tra, 0, sql.c_str(), SQL_DIALECT_V6, nullptr, nullptr, nullptr, nullptr);
  tra->commit(&st_);
}

void ClienteNu::inicia() { tra_ = transacaoEscrita(); }

void ClienteNu::executaNaTransacao(const std::string &sql) {
  att_->execute(&st_, tra_, 0, sql.c_str(), SQL_DIALECT_V6, nullptr, nullptr, nullptr, nullptr);
}

void ClienteNu::confirma() {
  tra_->commit(&st_);
  tra_ = nullptr;
}
