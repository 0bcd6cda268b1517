#include "core/Database.h"

#include <utility>

#include <ibase.h>

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "core/Encerramento.h"
#include "core/FirebirdCliente.h"
#include "core/Moeda.h"
#include "core/TerminalState.h"
#include "core/Utilidades.h"
#include "platform/Paths.h"

using Firebird::FbException;
using Firebird::IAttachment;
using Firebird::IResultSet;
using Firebird::IStatus;
using Firebird::ITransaction;

// ---------------------------------------------------------------- errors

bool ErroBanco::ehDeadlock() const {
  if (codigos_.isEmpty() && numero_ <= 0) return descricao_.contains("deadlock", Qt::CaseInsensitive);
  // Under heavy contention the engine may also report a row changed under a
  // running UPDATE as "no current record for fetch operation": seen once in
  // about 40 runs of eight connections updating one row; run again, the
  // statement lands like after any other conflict.
  return temCodigo(isc_deadlock) || temCodigo(isc_update_conflict) || temCodigo(isc_lock_conflict) ||
         temCodigo(isc_lock_timeout) || temCodigo(isc_no_cur_rec);
}

bool ErroBanco::ehConflito() const { return temCodigo(isc_update_conflict) || temCodigo(isc_lock_conflict); }

bool ErroBanco::conexaoPerdida() const {
  for (long c : {isc_network_error, isc_net_read_err, isc_net_write_err, isc_shutdown, isc_att_shutdown,
                 isc_lost_db_connection, isc_bad_db_handle})
    if (temCodigo(c)) return true;
  return false;
}

bool ErroBanco::cancelado() const { return temCodigo(isc_cancelled); }

bool ErroBanco::servidorFora() const {
  return conexaoPerdida() || temCodigo(isc_net_connect_err) || temCodigo(isc_net_connect_listen_err) ||
         temCodigo(isc_unavailable);
}

// ---------------------------------------------------------------- connection

DestinoConexao InterpretaStringConexao(const QString &texto) {
  DestinoConexao d;
  for (const QString &peca : texto.split(';', Qt::SkipEmptyParts)) {
    const qsizetype igual = peca.indexOf('=');
    if (igual < 0) {
      if (!peca.trimmed().isEmpty()) d.banco = peca.trimmed();
      continue;
    }
    const QString chave = peca.left(igual).trimmed().toUpper();
    const QString valor = peca.mid(igual + 1).trimmed();
    if (chave == "DATA SOURCE" || chave == "DBNAME" || chave == "DATABASE") d.banco = valor;
    else if (chave == "USER" || chave == "UID" || chave == "USER ID") d.usuario = valor;
    else if (chave == "PASSWORD" || chave == "PWD") d.senha = valor;
  }
  // A program path ("c:\kw-velt\dados.fdb") names a file on the drive.
  if (platform::isWindowsDrivePath(d.banco)) d.banco = platform::hostPath(d.banco);
  return d;
}

namespace {

constexpr int kInstrucoesGuardadas = 64;

QString semConexao() { return QStringLiteral("Sem conexão com o banco de dados."); }

using Relogio = std::chrono::steady_clock;
using std::chrono::milliseconds;

QString segundos(milliseconds t) {
  const qint64 s = (t.count() + 999) / 1000;
  return QString::number(s) + (s == 1 ? " segundo" : " segundos");
}

// One attach run on a thread of its own, so that the caller can stop
// waiting for it: a server whose network froze never answers the handshake,
// and an attach cannot be cancelled before it has an attachment. The thread
// is left to finish; what it attaches after the caller gave up is detached
// by the thread itself.
struct Abertura {
  std::mutex m;
  std::condition_variable cv;
  bool terminada = false;
  bool abandonada = false;
  IAttachment *att = nullptr;
  std::optional<ErroBanco> erro;
};

}  // namespace


// The attachment and what lives on it: the explicit transaction, the
// prepared statements kept by text, the cursors still reading.
struct ConexaoBanco::Sessao {
  QString stringConexao;
  IAttachment *att = nullptr;
  // The attachment another thread may cancel on; it goes under the lock
  // before it is detached, so a cancel never reaches a released one.
  std::mutex travaCancela;
  IAttachment *attCancelavel = nullptr;
  void defineCancelavel(IAttachment *a) {
    const std::lock_guard trava(travaCancela);
    attCancelavel = a;
  }
  ITransaction *explicita = nullptr;
  // The reads outside an explicit transaction share one read-only read
  // committed transaction, kept for the attachment's life: the server takes
  // it as committed from its start (it holds back no garbage collection),
  // each statement still sees what is committed when it runs, and a look-up
  // no longer starts and ends a transaction of its own (each start is a
  // synchronous write of the database's header page on the server).
  ITransaction *leitura = nullptr;
  ITransaction *transacaoLeitura() {
    if (explicita) return explicita;
    if (!leitura) leitura = fb::iniciaTransacao(att, fb::Modo::Leitura, 0);
    return leitura;
  }
  bool perdida = false;  // lost: the next statement reopens it
  // Bounds: one call to the server, the attach of `abre`.
  milliseconds limiteResposta{ConexaoBanco::kLimiteRespostaSegundos * 1000};
  milliseconds limiteAbertura{ConexaoBanco::kLimiteAberturaSegundos * 1000};
  // A reopening's bound (0: limiteResposta); shorter with a reserve.
  milliseconds limiteReconexao{0};
  // The lock wait of a write transaction: below the call's bound, so that a
  // wait on a lock ends as a lock error and not as an abort.
  int esperaBloqueio() const {
    if (limiteResposta.count() <= 0) return ConexaoBanco::kEsperaBloqueioSegundos;
    const int limite = static_cast<int>(limiteResposta.count() / 1000) - 2;
    return std::max(1, std::min(ConexaoBanco::kEsperaBloqueioSegundos, limite));
  }
  // The watchdog's thread and the deadline of the call running (0: none).
  std::mutex travaVigia;
  std::condition_variable acordaVigia;
  std::thread vigia;
  std::atomic<Relogio::rep> prazo{0};
  std::atomic<bool> vigiaDormindo{false};
  int aninhadas = 0;  // watchdog arms held (only the outer one counts)
  bool fimVigia = false;
  // Set when the watchdog aborted the attachment: the call's error is then
  // a lost connection.
  std::atomic<bool> abortada{false};
  // After the server failed to answer within the bound, no new attach is
  // tried before this moment: the statements that follow the failure (the
  // error log row, the screen's refresh) are told at once instead of
  // waiting the bound again each.
  Relogio::time_point semTentativaAte{};
  void arma();
  bool desarma();  // true when the watchdog fired
  void rodaVigia();
  ~Sessao();
  ErroBanco semResposta(const ErroBanco &erro) const;
  int geracao = 0;       // one per attach; statements of an older one are dead
  struct Guardada {
    std::shared_ptr<fb::Instrucao> instrucao;
    quint64 uso;
  };
  QHash<QString, Guardada> guardadas;
  QSet<size_t> vistos;  // texts prepared once, by hash
  quint64 relogio = 0;
  QSet<Recordset::Cursor *> cursores;

  void conecta(milliseconds limite);
  void desconecta();
  void perde();
  void reconecta(const ErroBanco &motivo);
  std::shared_ptr<fb::Instrucao> prepara(const QString &sql, ITransaction *tra);
  void esqueceInstrucoes() {
    guardadas.clear();
    vistos.clear();
  }
  void encerraCursores();
  // Runs `trabalho(enviado)`; when the connection turns out lost, reopens it
  // once and runs it again, unless `enviado` says a change reached the server
  // (its outcome is then unknown) or an explicit transaction was open.
  template <typename F>
  auto comRetomada(F &&trabalho) -> decltype(trabalho(std::declval<bool &>()));
};

namespace {

// Arms the connection's watchdog for the calls to the server made while it
// lives: a call that outlives the bound has its connection aborted.
struct Vigia {
  ConexaoBanco::Sessao *s;
  explicit Vigia(ConexaoBanco::Sessao &sessao) : s(&sessao) { s->arma(); }
  explicit Vigia(ConexaoBanco::Sessao *sessao) : s(sessao) {
    if (s) s->arma();
  }
  ~Vigia() {
    if (s) s->desarma();
  }
  Vigia(const Vigia &) = delete;
  Vigia &operator=(const Vigia &) = delete;
};

}  // namespace

// An open cursor: its statement, its transaction (the connection's read one,
// or the explicit one, or a write one of its own for a statement that may
// change data), the connection it reads from.
struct Recordset::Cursor {
  ConexaoBanco::Sessao *sessao = nullptr;
  std::shared_ptr<fb::Instrucao> instrucao;
  IResultSet *rs = nullptr;
  ITransaction *propria = nullptr;
  ITransaction *tra = nullptr;

  ~Cursor() { encerra(false); }
  // Closes the cursor and ends its own transaction; `confirmar` false after
  // a failure (rollback, errors ignored).
  void encerra(bool confirmar) {
    Vigia vigia(sessao);
    if (rs) {
      fb::Status st;
      try {
        rs->close(&st);
      } catch (const FbException &) {
        rs->release();
      }
      rs = nullptr;
    }
    if (confirmar) fb::confirma(propria);
    else fb::desfaz(propria);
    tra = nullptr;
    if (instrucao) instrucao->emUso = false;
    instrucao.reset();
    if (sessao) sessao->cursores.remove(this);
    sessao = nullptr;
  }
};

void ConexaoBanco::Sessao::conecta(milliseconds limite) {
  const DestinoConexao d = InterpretaStringConexao(stringConexao);
  const QString banco = d.banco.isEmpty() ? QStringLiteral("(não informado)") : d.banco;
  const QString prefixo = "Não foi possível abrir o banco de dados " + banco + ":\n";
  if (limite.count() > 0 && Relogio::now() < semTentativaAte)
    throw ErroBanco(isc_network_error,
                    prefixo + "O servidor não respondeu há pouco; nova tentativa em alguns segundos.",
                    {isc_network_error, ErroBanco::kCodigoSemResposta});
  QByteArray parametros;
  {
    fb::Status st;
    Firebird::IUtil *util = fb::mestre()->getUtilInterface();
    Firebird::IXpbBuilder *dpb = nullptr;
    try {
      dpb = util->getXpbBuilder(&st, Firebird::IXpbBuilder::DPB, nullptr, 0);
      if (!d.usuario.isEmpty()) dpb->insertString(&st, isc_dpb_user_name, d.usuario.toUtf8().constData());
      if (!d.senha.isEmpty()) dpb->insertString(&st, isc_dpb_password, d.senha.toUtf8().constData());
      dpb->insertString(&st, isc_dpb_lc_ctype, "UTF8");
      // The socket's connect gives up by itself; the handshake is bounded below.
      if (limite.count() > 0)
        dpb->insertInt(&st, isc_dpb_connect_timeout, static_cast<int>((limite.count() + 999) / 1000));
      parametros = QByteArray(reinterpret_cast<const char *>(dpb->getBuffer(&st)),
                              static_cast<qsizetype>(dpb->getBufferLength(&st)));
    } catch (const FbException &e) {
      if (dpb) dpb->dispose();
      throw fb::erroDe(e, prefixo);
    }
    dpb->dispose();
  }
  const QByteArray caminho = d.banco.toLocal8Bit();
  auto abertura = std::make_shared<Abertura>();
  std::thread([abertura, caminho, parametros, prefixo] {
    IAttachment *novo = nullptr;
    std::optional<ErroBanco> erro;
    Firebird::IProvider *provedor = fb::mestre()->getDispatcher();
    fb::Status st;
    try {
      novo = provedor->attachDatabase(&st, caminho.constData(), static_cast<unsigned>(parametros.size()),
                                      reinterpret_cast<const unsigned char *>(parametros.constData()));
    } catch (const FbException &e) {
      erro = fb::erroDe(e, prefixo);
    }
    provedor->release();
    IAttachment *solta = nullptr;
    {
      const std::lock_guard trava(abertura->m);
      abertura->terminada = true;
      if (abertura->abandonada) {
        solta = novo;
      } else {
        abertura->att = novo;
        abertura->erro = std::move(erro);
      }
    }
    abertura->cv.notify_all();
    if (solta) {  // nobody waits for it any more
      fb::Status st2;
      try {
        solta->detach(&st2);
      } catch (const FbException &) {
        solta->release();
      }
    }
  }).detach();
  {
    std::unique_lock trava(abertura->m);
    const auto terminou = [&] { return abertura->terminada; };
    if (limite.count() > 0) {
      if (!abertura->cv.wait_for(trava, limite, terminou)) {
        abertura->abandonada = true;
        semTentativaAte = Relogio::now() + limiteResposta;
        throw ErroBanco(isc_network_error,
                        prefixo + "O servidor não respondeu em " + segundos(limite) + " (rede ou servidor parado).",
                        {isc_network_error, ErroBanco::kCodigoSemResposta});
      }
    } else {
      abertura->cv.wait(trava, terminou);
    }
    if (abertura->erro) throw *abertura->erro;
    att = abertura->att;
  }
  abortada = false;
  defineCancelavel(att);
  perdida = false;
  ++geracao;
  // The embedded engine puts its own SIGTERM/SIGINT handlers in on attach.
  ReinstalaSinais();
}

void ConexaoBanco::Sessao::encerraCursores() {
  const QSet<Recordset::Cursor *> abertos = cursores;
  for (Recordset::Cursor *c : abertos) c->encerra(false);
  cursores.clear();
}

void ConexaoBanco::Sessao::desconecta() {
  encerraCursores();
  esqueceInstrucoes();
  Vigia vigia(*this);
  fb::desfaz(explicita);
  fb::desfaz(leitura);
  if (!att) return;
  defineCancelavel(nullptr);
  fb::Status st;
  try {
    att->detach(&st);
  } catch (const FbException &) {
    att->release();  // already gone on the server's side
  }
  att = nullptr;
}

void ConexaoBanco::Sessao::perde() {
  desconecta();
  perdida = true;
  if (abortada) {
    semTentativaAte = Relogio::now() + limiteResposta;
    abortada = false;
  }
}

void ConexaoBanco::Sessao::reconecta(const ErroBanco &motivo) {
  perde();
  try {
    conecta(limiteReconexao.count() > 0 ? limiteReconexao : limiteResposta);
  } catch (const ErroBanco &e) {
    throw ErroBanco(motivo.numero(),
                    "A conexão com o banco de dados foi perdida e não pôde ser restabelecida.\n" +
                        motivo.descricao() + "\n" + e.descricao(),
                    motivo.codigos() + e.codigos());
  }
}

// ---------------------------------------------------------------- watchdog

void ConexaoBanco::Sessao::arma() {
  if (limiteResposta.count() <= 0 || aninhadas++ > 0) return;
  {
    const std::lock_guard trava(travaVigia);
    if (!vigia.joinable()) vigia = std::thread([this] { rodaVigia(); });
  }
  prazo = (Relogio::now() + limiteResposta).time_since_epoch().count();
  if (vigiaDormindo) {
    const std::lock_guard trava(travaVigia);
    acordaVigia.notify_one();
  }
}

bool ConexaoBanco::Sessao::desarma() {
  if (aninhadas == 0 || --aninhadas > 0) return false;
  return prazo.exchange(0) < 0;
}

void ConexaoBanco::Sessao::rodaVigia() {
  std::unique_lock trava(travaVigia);
  while (!fimVigia) {
    const Relogio::rep p = prazo;
    if (p <= 0) {
      vigiaDormindo = true;
      acordaVigia.wait(trava, [&] { return fimVigia || prazo > 0; });
      vigiaDormindo = false;
      continue;
    }
    const Relogio::time_point quando{Relogio::duration(p)};
    if (Relogio::now() < quando) {
      acordaVigia.wait_until(trava, quando);
      continue;
    }
    // The call outlived its bound: close the connection's client side. A
    // negative deadline tells the caller.
    Relogio::rep esperado = p;
    if (!prazo.compare_exchange_strong(esperado, -1)) continue;
    abortada = true;
    trava.unlock();
    {
      const std::lock_guard cancela(travaCancela);
      if (attCancelavel) {
        fb::Status st;
        try {
          attCancelavel->cancelOperation(&st, fb_cancel_abort);
        } catch (const FbException &) {
        }
      }
    }
    trava.lock();
  }
}

ConexaoBanco::Sessao::~Sessao() {
  {
    const std::lock_guard trava(travaVigia);
    fimVigia = true;
    acordaVigia.notify_one();
  }
  if (vigia.joinable()) vigia.join();
}

ErroBanco ConexaoBanco::Sessao::semResposta(const ErroBanco &erro) const {
  static const QString inicio = QStringLiteral("O banco de dados não respondeu em ");
  if (!abortada || erro.descricao().startsWith(inicio)) return erro;
  QList<long> codigos{isc_network_error, ErroBanco::kCodigoSemResposta};
  codigos += erro.codigos();
  return ErroBanco(isc_network_error,
                   inicio + segundos(limiteResposta) +
                       "; a conexão foi encerrada (rede ou servidor parado).\n" + erro.descricao(),
                   codigos);
}

template <typename F>
auto ConexaoBanco::Sessao::comRetomada(F &&trabalho) -> decltype(trabalho(std::declval<bool &>())) {
  if (perdida && !att) reconecta(ErroBanco(isc_network_error, "Conexão perdida.", {isc_network_error}));
  bool enviado = false;
  try {
    return trabalho(enviado);
  } catch (const ErroBanco &erro) {
    const ErroBanco e = semResposta(erro);
    if (!e.conexaoPerdida()) throw e;
    if (abortada) {
      // The server did not answer within the bound: told now; the next
      // statement reopens the connection.
      perde();
      throw e;
    }
    const bool naTransacao = explicita != nullptr;
    reconecta(e);
    if (naTransacao)
      throw ErroBanco(e.numero(),
                      "A conexão com o banco de dados caiu no meio de uma transação; nada dela foi gravado.\n" +
                          e.descricao(),
                      e.codigos());
    if (enviado)
      throw ErroBanco(e.numero(),
                      "A conexão com o banco de dados caiu durante o comando; confira se ele foi gravado.\n" +
                          e.descricao(),
                      e.codigos());
  }
  enviado = false;
  return trabalho(enviado);
}

std::shared_ptr<fb::Instrucao> ConexaoBanco::Sessao::prepara(const QString &sql, ITransaction *tra) {
  const auto achada = guardadas.find(sql);
  if (achada != guardadas.end() && !achada->instrucao->emUso) {
    achada->uso = ++relogio;
    return achada->instrucao;
  }
  auto nova = std::make_shared<fb::Instrucao>(att, tra, sql.toUtf8());
  if (nova->ehDdl() || achada != guardadas.end()) return nova;
  // A text is kept from its second run on: one-off texts (literals that
  // change each time) are freed at once instead of crowding out the others.
  const size_t chave = qHash(sql);
  if (!vistos.contains(chave)) {
    if (vistos.size() >= 4 * kInstrucoesGuardadas) vistos.clear();
    vistos.insert(chave);
    return nova;
  }
  if (guardadas.size() >= kInstrucoesGuardadas) {
    auto velha = guardadas.begin();
    for (auto i = guardadas.begin(); i != guardadas.end(); ++i)
      if (i->uso < velha->uso) velha = i;
    guardadas.erase(velha);
  }
  guardadas.insert(sql, {nova, ++relogio});
  return nova;
}

ConexaoBanco::ConexaoBanco() : s_(std::make_unique<Sessao>()) {}

ConexaoBanco::~ConexaoBanco() { fecha(); }

void ConexaoBanco::abre(const QString &stringConexao) {
  fecha();
  s_->stringConexao = stringConexao;
  try {
    s_->conecta(s_->limiteReconexao.count() > 0 ? std::min(s_->limiteAbertura, s_->limiteReconexao)
                                                : s_->limiteAbertura);
  } catch (const ErroBanco &e) {
    if (entraReserva(e)) return;
    registraErro(e);
    throw;
  }
}

void ConexaoBanco::fecha() {
  s_->desconecta();
  s_->perdida = false;
  if (reserva_) reserva_->fecha();
  emReserva_ = false;
}

bool ConexaoBanco::aberta() const { return s_->att != nullptr || s_->perdida || emReserva_; }

// ---------------------------------------------------------------- reserve

void ConexaoBanco::defineReserva(const QString &stringConexao, std::function<void(bool)> aoMudar) {
  stringReserva_ = stringConexao;
  aoMudarReserva_ = std::move(aoMudar);
  s_->limiteReconexao = stringConexao.isEmpty() ? milliseconds(0) : milliseconds(kLimiteReservaMs);
}

bool ConexaoBanco::entraReserva(const ErroBanco &motivo) {
  if (stringReserva_.isEmpty() || !motivo.servidorFora()) return false;
  if (emReserva_) return true;
  try {
    if (!reserva_) {
      reserva_ = std::make_unique<ConexaoBanco>();
      // A file of this machine: nothing to bound.
      reserva_->defineLimites(milliseconds(0), std::chrono::seconds(kLimiteAberturaSegundos));
    }
    if (!reserva_->aberta()) reserva_->abre(stringReserva_);
  } catch (const ErroBanco &) {
    return false;  // no reserve to go to: the server's failure stands
  }
  // The server is let go; `voltaAoServidor` attaches again.
  s_->desconecta();
  s_->perdida = true;
  motivoReserva_ = motivo.descricao();
  emReserva_ = true;
  if (aoMudarReserva_) aoMudarReserva_(true);
  return true;
}

bool ConexaoBanco::voltaAoServidor() {
  if (!emReserva_) return true;
  try {
    s_->semTentativaAte = {};
    s_->conecta(milliseconds(kLimiteReservaMs));
  } catch (const ErroBanco &) {
    s_->perdida = true;
    return false;
  }
  emReserva_ = false;
  motivoReserva_.clear();
  if (aoMudarReserva_) aoMudarReserva_(false);
  return true;
}

ErroBanco ConexaoBanco::recusaNaReserva() const {
  return ErroBanco(isc_network_error,
                   QStringLiteral("CONTINGÊNCIA: o servidor do banco de dados não responde; este caixa trabalha "
                                  "com a sua cópia local e não grava nada até o servidor voltar."),
                   {isc_network_error, ErroBanco::kCodigoContingencia});
}

ErroBanco ConexaoBanco::erroDaReserva(const ErroBanco &erro) const {
  // What the copy does not hold (sales, pre-sales, numbers) is refused by
  // the engine: as far as callers go, the server is away.
  if (!erro.temCodigo(isc_no_priv) && !erro.servidorFora()) return erro;
  return ErroBanco(isc_network_error,
                   QStringLiteral("CONTINGÊNCIA: o servidor do banco de dados não responde e a cópia local deste "
                                  "caixa não tem o que foi pedido.\n") +
                       erro.descricao(),
                   {isc_network_error, ErroBanco::kCodigoContingencia});
}

bool ConexaoBanco::emTransacao() const { return s_->explicita != nullptr; }

void ConexaoBanco::defineLimites(std::chrono::milliseconds resposta, std::chrono::milliseconds abertura) {
  s_->limiteResposta = resposta;
  s_->limiteAbertura = abertura;
  // A watchdog waiting for a deadline of the old bound looks again: with a
  // bound that stays, a new deadline is never earlier than the one it waits for.
  const std::lock_guard trava(s_->travaVigia);
  s_->acordaVigia.notify_one();
}

int ConexaoBanco::instrucoesGuardadas() const { return static_cast<int>(s_->guardadas.size()); }

void ConexaoBanco::cancelaOperacao() {
  if (emReserva_ && reserva_) reserva_->cancelaOperacao();
  const std::lock_guard trava(s_->travaCancela);
  if (!s_->attCancelavel) return;
  fb::Status st;
  try {
    s_->attCancelavel->cancelOperation(&st, fb_cancel_raise);
  } catch (const FbException &) {
    // nothing was running
  }
}

void ConexaoBanco::exigeAberta() {
  if (!aberta()) {
    ultimoErro_ = semConexao();
    throw ErroBanco(-1, ultimoErro_);
  }
}

long ConexaoBanco::executa(const QString &sql) { return executaComParametros(sql, {}); }

QString ConexaoBanco::ultimaInstrucao() const {
  return parametrosUltima_.isEmpty() ? ultimaInstrucao_ : MontaSql(ultimaInstrucao_, parametrosUltima_);
}

namespace {

// Runs a statement without a cursor in the explicit transaction, or in a
// write transaction of its own committed at once. `prepara` gives the
// statement, prepared in that transaction when it must be.
long rodaInstrucao(ConexaoBanco::Sessao &s, const std::function<fb::Instrucao &(ITransaction *)> &prepara,
                   const QVariantList &parametros, bool &enviado) {
  ITransaction *propria = nullptr;
  Vigia vigia(s);
  try {
    ITransaction *tra = s.explicita;
    if (!tra) tra = propria = fb::iniciaTransacao(s.att, fb::Modo::Escrita, s.esperaBloqueio());
    fb::Instrucao &instrucao = prepara(tra);
    instrucao.liga(parametros);
    enviado = true;
    long linhas = 0;
    if (instrucao.ehSelect() && !instrucao.emUso) {
      fb::Status st;
      instrucao.abreCursor(tra)->close(&st);
    } else {
      instrucao.executa(tra);
      linhas = instrucao.afetadas();
    }
    ErroBanco erro(0, QString());
    if (!fb::confirma(propria, &erro)) throw erro;
    return linhas;
  } catch (const FbException &e) {
    fb::desfaz(propria);
    throw fb::erroDe(e);
  } catch (...) {
    fb::desfaz(propria);
    throw;
  }
}

}  // namespace

long ConexaoBanco::executaComParametros(const QString &sql, const QVariantList &parametros) {
  anotaInstrucao(sql, parametros);
  if (emReserva_) {
    const ErroBanco e = recusaNaReserva();
    registraErro(e);
    throw e;
  }
  exigeAberta();
  try {
    return s_->comRetomada([&](bool &enviado) -> long {
      std::shared_ptr<fb::Instrucao> instrucao;
      return rodaInstrucao(
          *s_,
          [&](ITransaction *tra) -> fb::Instrucao & {
            instrucao = s_->prepara(sql, tra);
            // A change of structure goes without statements prepared on the old one.
            if (instrucao->ehDdl()) {
              s_->encerraCursores();
              s_->esqueceInstrucoes();
              // nor with the reads' transaction, which has used the tables
              fb::desfaz(s_->leitura);
            }
            return *instrucao;
          },
          parametros, enviado);
    });
  } catch (const ErroBanco &e) {
    registraErro(e);
    entraReserva(e);  // what follows reads the reserve; this write failed
    throw;
  }
}

// ---------------------------------------------------------------- transactions

TransacaoBanco::TransacaoBanco(ConexaoBanco &conexao) : conexao_(conexao) {
  if (conexao_.emReserva_) {
    const ErroBanco e = conexao_.recusaNaReserva();
    conexao_.registraErro(e);
    throw e;
  }
  conexao_.exigeAberta();
  ConexaoBanco::Sessao &s = *conexao_.s_;
  if (s.explicita) throw ErroBanco(-1, "Já há uma transação aberta nesta conexão.");
  try {
    s.comRetomada([&](bool &) {
      try {
        Vigia vigia(s);
        s.explicita = fb::iniciaTransacao(s.att, fb::Modo::Escrita, s.esperaBloqueio());
      } catch (const FbException &e) {
        throw fb::erroDe(e);
      }
      return 0;
    });
  } catch (const ErroBanco &e) {
    conexao_.registraErro(e);
    conexao_.entraReserva(e);
    throw;
  }
  ativa_ = true;
  geracao_ = s.geracao;
}

TransacaoBanco::~TransacaoBanco() {
  if (ativa_) desfaz();
}

void TransacaoBanco::confirma() {
  if (!ativa_) throw ErroBanco(-1, "A transação já terminou.");
  ativa_ = false;
  ConexaoBanco::Sessao &s = *conexao_.s_;
  if (!s.explicita || s.geracao != geracao_) {
    const ErroBanco erro(isc_network_error,
                         "A transação foi perdida com a conexão ao banco de dados; nada dela foi gravado.",
                         {isc_network_error});
    conexao_.registraErro(erro);
    throw erro;
  }
  ErroBanco erro(0, QString());
  bool confirmada;
  {
    Vigia vigia(s);
    confirmada = fb::confirma(s.explicita, &erro);
  }
  if (!confirmada) {
    erro = s.semResposta(erro);
    if (erro.conexaoPerdida()) s.perde();
    conexao_.registraErro(erro);
    conexao_.entraReserva(erro);
    throw erro;
  }
}

void TransacaoBanco::desfaz() {
  if (!ativa_) return;
  ativa_ = false;
  ConexaoBanco::Sessao &s = *conexao_.s_;
  if (s.geracao != geracao_) return;
  Vigia vigia(s);
  fb::desfaz(s.explicita);
}

ComandoPreparado::ComandoPreparado(ConexaoBanco &conexao, const QString &sql) : conexao_(conexao), sql_(sql) {
  conexao_.anotaInstrucao(sql_);
  prepara();
}

ComandoPreparado::~ComandoPreparado() = default;

void ComandoPreparado::prepara() {
  if (conexao_.emReserva_) throw conexao_.recusaNaReserva();
  conexao_.exigeAberta();
  ConexaoBanco::Sessao &s = *conexao_.s_;
  try {
    s.comRetomada([&](bool &) {
      Vigia vigia(s);
      try {
        instrucao_ = std::make_shared<fb::Instrucao>(s.att, s.transacaoLeitura(), sql_.toUtf8());
      } catch (const FbException &e) {
        throw fb::erroDe(e);
      }
      geracao_ = s.geracao;
      return 0;
    });
  } catch (const ErroBanco &e) {
    conexao_.registraErro(e);
    throw;
  }
}

long ComandoPreparado::executa(const QVariantList &parametros) {
  conexao_.anotaInstrucao(sql_, parametros);
  if (conexao_.emReserva_) throw conexao_.recusaNaReserva();
  conexao_.exigeAberta();
  ConexaoBanco::Sessao &s = *conexao_.s_;
  try {
    return s.comRetomada([&](bool &enviado) -> long {
      if (geracao_ != s.geracao || !s.att) {
        instrucao_.reset();
        prepara();
      }
      return rodaInstrucao(s, [this](ITransaction *) -> fb::Instrucao & { return *instrucao_; }, parametros,
                           enviado);
    });
  } catch (const ErroBanco &e) {
    conexao_.registraErro(e);
    throw;
  }
}

// ---------------------------------------------------------------- result sets

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset &&) noexcept = default;
Recordset &Recordset::operator=(Recordset &&) noexcept = default;

void Recordset::abreCursor(const QString &sql, const QVariantList &parametros, ConexaoBanco &conexao) {
  ConexaoBanco::Sessao &s = *conexao.s_;
  auto cursor = std::make_unique<Cursor>();
  cursor->sessao = &s;
  s.cursores.insert(cursor.get());
  Vigia vigia(s);
  try {
    cursor->tra = s.transacaoLeitura();
    cursor->instrucao = s.prepara(sql, cursor->tra);
    fb::Instrucao &instrucao = *cursor->instrucao;
    // Anything but a plain SELECT may change data: a write transaction of
    // its own, committed when the cursor closes.
    if (!instrucao.soLeitura() && !s.explicita)
      cursor->tra = cursor->propria = fb::iniciaTransacao(s.att, fb::Modo::Escrita, s.esperaBloqueio());
    instrucao.liga(parametros);
    nomes_ = instrucao.nomes();
    colunas_ = instrucao.descricao();
    if (instrucao.ehSelect()) {
      cursor->rs = instrucao.abreCursor(cursor->tra);
      instrucao.emUso = true;
      cursor_ = std::move(cursor);
    } else {
      // EXECUTE PROCEDURE, RETURNING: one row at most, no cursor.
      instrucao.executa(cursor->tra);
      if (instrucao.colunas() > 0) linhas_ << instrucao.linha(s.att, cursor->tra);
      cursor->encerra(true);
    }
  } catch (const FbException &e) {
    cursor->encerra(false);
    throw fb::erroDe(e);
  } catch (...) {
    cursor->encerra(false);
    throw;
  }
  aberto_ = true;
  atual_ = 0;
}

void Recordset::abre(const QString &sql, ConexaoBanco &conexao, const std::function<void(int)> &lidas) {
  abreLendo(sql, {}, conexao, -1, lidas);
}

void Recordset::abreComParametros(const QString &sql, const QVariantList &parametros, ConexaoBanco &conexao) {
  abreLendo(sql, parametros, conexao, -1, {});
}

void Recordset::abrePaginado(const QString &sql, ConexaoBanco &conexao, int pagina) {
  abreLendo(sql, {}, conexao, std::max(pagina, 0), {});
}

void Recordset::abreLendo(const QString &sql, const QVariantList &parametros, ConexaoBanco &conexao, int pagina,
                          const std::function<void(int)> &lidas) {
  // Opened again while a loop is walking its rows, the loop would go on over
  // other rows or stop early without a word.
  if (aberto_ && andando_ && atual_ < linhas_.size())
    throw std::logic_error("result set opened again while its rows were being read (row " +
                           std::to_string(atual_ + 1) + " of " + std::to_string(linhas_.size()) +
                           "): use a result set of its own for \"" + sql.left(80).toStdString() + "\"");
  fecha();
  conexao.anotaInstrucao(sql, parametros);
  // From the reserve while the server is away (and when this read finds it
  // away, outside a transaction).
  const auto daReserva = [&] {
    try {
      abreLendo(sql, parametros, *conexao.reserva_, pagina, lidas);
    } catch (const ErroBanco &e) {
      const ErroBanco r = conexao.erroDaReserva(e);
      conexao.registraErro(r);
      throw r;
    }
  };
  if (conexao.emReserva_) return daReserva();
  conexao.exigeAberta();
  // With a reserve to go to, a whole read outside a transaction (a look-up)
  // waits for the server as long as the switch may take, not the call's
  // whole bound: a frozen network sends it to the copy as quickly.
  ConexaoBanco::Sessao &s = *conexao.s_;
  const milliseconds limiteAntes = s.limiteResposta;
  const bool curto = pagina < 0 && !conexao.stringReserva_.isEmpty() && !s.explicita &&
                     limiteAntes > milliseconds(ConexaoBanco::kLimiteReservaMs);
  if (curto) {
    s.limiteResposta = milliseconds(ConexaoBanco::kLimiteReservaMs);
    // The watchdog may be waiting for a later deadline of the longer bound.
    const std::lock_guard trava(s.travaVigia);
    s.acordaVigia.notify_one();
  }
  struct Restaura {
    ConexaoBanco::Sessao &s;
    bool curto;
    milliseconds antes;
    ~Restaura() {
      if (curto) s.limiteResposta = antes;
    }
  } restaura{s, curto, limiteAntes};
  try {
    conexao.s_->comRetomada([&](bool &) {
      fecha();
      abreCursor(sql, parametros, conexao);
      if (pagina >= 0) {
        leMais(pagina);
        return 0;
      }
      while (!completo()) {
        leMais(1000);
        if (lidas && !completo()) lidas(static_cast<int>(linhas_.size()));
      }
      return 0;
    });
  } catch (const ErroBanco &e) {
    fecha();
    if (!conexao.emTransacao() && conexao.entraReserva(e)) return daReserva();
    conexao.registraErro(e);
    throw;
  }
}

bool Recordset::completo() const { return !cursor_ || !cursor_->rs; }

QVariant LinhaLida::valor(int coluna) const {
  const unsigned char *p = valores_.at(coluna);
  return p ? fb::valorEm(campos_[static_cast<size_t>(coluna)], p, att_, tra_) : QVariant();
}

bool LinhaLida::texto(int coluna, TextoLido &texto) const {
  return fb::textoEm(campos_.at(static_cast<size_t>(coluna)), valores_.at(coluna), texto);
}

void LinhasGuardadas::guarda(const LinhaLida &linha) {
  inicios_.push_back(static_cast<uint32_t>(dados_.size()));
  for (qsizetype i = 0; i < linha.valores_.size(); ++i) {
    const unsigned char *p = linha.valores_[i];
    dados_.append(p ? '\1' : '\0');
    if (p) dados_.append(reinterpret_cast<const char *>(p), fb::tamanhoEm(linha.campos_[static_cast<size_t>(i)], p));
  }
}

LinhaLida LinhasGuardadas::linha(int i) const {
  LinhaLida l(colunas_->campos);
  const auto *p = reinterpret_cast<const unsigned char *>(dados_.constData()) + inicios_.at(static_cast<size_t>(i));
  for (const fb::Campo &c : colunas_->campos) {
    const bool nulo = *p++ == 0;
    l.valores_.append(nulo ? nullptr : p);
    if (!nulo) p += fb::tamanhoEm(c, p);
  }
  return l;
}

int Recordset::leMais(int quantas, LinhasGuardadas &destino) {
  if (!colunas_) return 0;
  for (const fb::Campo &c : colunas_->campos)
    if (c.tipo == SQL_BLOB) throw std::logic_error("rows with a BLOB column cannot be kept as they came");
  destino.colunas_ = colunas_;
  return leMais(quantas, [&destino](const LinhaLida &l) { destino.guarda(l); });
}

int Recordset::leMais(int quantas) { return leMais(quantas, {}); }

int Recordset::leMais(int quantas, const std::function<void(const LinhaLida &)> &cadaLinha) {
  if (completo()) {
    cursor_.reset();  // ended with its connection
    return 0;
  }
  Cursor &c = *cursor_;
  fb::Instrucao &instrucao = *c.instrucao;
  IAttachment *att = c.sessao->att;
  int lidas = 0;
  const std::vector<fb::Campo> &campos = instrucao.descricao()->campos;  // the statement keeps them
  try {
    fb::Status st;
    while (quantas < 0 || lidas < quantas) {
      // Each fetch has the bound: a long read of many rows is never cut.
      bool veio;
      {
        Vigia vigia(c.sessao);
        fb::limpaRegistrosForaDaPrincipal();
        veio = c.rs->fetchNext(&st, instrucao.bufferSaida()) == IStatus::RESULT_OK;
      }
      if (!veio) {
        cursor_->encerra(true);
        cursor_.reset();
        break;
      }
      if (cadaLinha) {
        LinhaLida linha(campos);
        for (const fb::Campo &campo : linha.campos_) linha.valores_.append(instrucao.valorBruto(campo));
        linha.att_ = att, linha.tra_ = c.tra;
        cadaLinha(linha);
      } else {
        linhas_ << instrucao.linha(att, c.tra);
      }
      ++lidas;
    }
  } catch (const FbException &e) {
    ConexaoBanco::Sessao *sessao = c.sessao;
    const ErroBanco erro = sessao ? sessao->semResposta(fb::erroDe(e)) : fb::erroDe(e);
    cursor_.reset();
    if (erro.conexaoPerdida() && sessao) sessao->perde();
    throw erro;
  }
  return lidas;
}

void Recordset::paraLeitura() { cursor_.reset(); }

QList<QVariantList> Recordset::tomaLinhas() {
  atual_ = 0;
  andando_ = false;
  return std::exchange(linhas_, {});
}

void Recordset::fecha() {
  cursor_.reset();
  aberto_ = false;
  nomes_.clear();
  colunas_.reset();
  linhas_.clear();
  atual_ = 0;
  andando_ = false;
}

QString Recordset::tipoCampo(int i) const { return colunas_ ? colunas_->tipo(i) : QString(); }

int Recordset::indice(const QString &nome) const {
  return static_cast<int>(nomes_.indexOf(nome.trimmed().toUpper()));
}

QVariant Recordset::campo(const QString &nome) const {
  const int i = indice(nome);
  if (i < 0) throw std::out_of_range(("Item não encontrado: " + nome).toStdString());
  return campo(i);
}

QVariant Recordset::campo(int i) const {
  if (!aberto_ || atual_ < 0 || atual_ >= linhas_.size())
    throw std::out_of_range("Não há registro atual.");
  if (i < 0 || i >= nomes_.size()) throw std::out_of_range("Índice de campo inválido.");
  return linhas_[atual_][i];
}

// ---------------------------------------------------------------- routines

static QString valorAte(const QString &s, qsizetype inicio) {
  const qsizetype fim = s.indexOf(';', inicio);
  return fim < 0 ? s.mid(inicio) : s.mid(inicio, fim - inicio);
}

void EscolheConexao(TerminalState &estado, QString &s) {
  const QString odbc = "DRIVER=Firebird/InterBase(r) driver;UID=" + estado.UsuarioBanco +
                       ";PWD=" + estado.SenhaBanco + ";DBNAME=";
  const QString oledb = "Provider=ZStyle IBOLE Provider;User=" + estado.UsuarioBanco +
                        ";Password=" + estado.SenhaBanco + ";Data Source=";
  QString maiusculo = s.toUpper();
  if (maiusculo.contains("TIPO=1") || maiusculo.contains("ZSTYLE")) {
    const qsizetype p = maiusculo.indexOf("DATA SOURCE=");
    // Without "DATA SOURCE=" the value starts at the 12th character, as the
    // position arithmetic gives.
    s = oledb + valorAte(s, (p < 0 ? -1 : p) + 12);
    maiusculo = s.toUpper();
  }
  if (maiusculo.contains("TIPO=2") || maiusculo.contains("INTERBASE")) {
    const qsizetype p = maiusculo.indexOf("DBNAME=");
    s = odbc + valorAte(s, (p < 0 ? -1 : p) + 7);
  }
}

void AbreConexao(TerminalState &estado) {
  estado.StrConexao += ";UID=" + estado.UsuarioBanco + ";PWD=" + estado.SenhaBanco;
  estado.conexao().abre(estado.StrConexao);
  DefineEstadoEmUso(&estado);
  estado.Comando = std::make_unique<ComandoBanco>();
  estado.RsGeral = std::make_unique<Recordset>();
}

void FechaConexao(TerminalState &estado) {
  if (EstadoEmUso() == &estado) DefineEstadoEmUso(nullptr);
  if (estado.Conexao) estado.Conexao->fecha();
}

void FechaRs(Recordset &rs) {
  if (rs.State() == 1) rs.fecha();
}

QVariant SemNulo(const QVariant &valor) { return valor.isNull() ? QVariant(QString()) : valor; }

namespace {

// The date shapes typed day-first, in the order they are tried.
bool formaDeData(const QString &t) {
  static const QRegularExpression re(
      R"(^(\d\d/\d\d/\d\d\d\d|\d/\d/\d\d\d\d|\d\d/\d/\d\d\d\d|\d/\d\d/\d\d\d\d|\d/\d/\d\d|\d\d/\d/\d\d|\d/\d\d/\d\d)$)");
  return re.match(t).hasMatch();
}

// A day-first text date; two-digit years 00-29 are 2000s, 30-99 1900s.
QDate dataDiaPrimeiro(const QString &t) {
  const QStringList p = t.split('/');
  int ano = p[2].toInt();
  if (p[2].size() == 2) ano += ano < 30 ? 2000 : 1900;
  return QDate(ano, p[1].toInt(), p[0].toInt());
}


// The value as the regional settings write it.
QString textoDoValor(const QVariant &v) {
  if (v.metaType() == QMetaType::fromType<Moeda>()) {
    QString t = v.value<Moeda>().textoVirgula(4);
    while (t.endsWith('0')) t.chop(1);
    if (t.endsWith(',')) t.chop(1);
    return t;
  }
  switch (v.metaType().id()) {
    case QMetaType::Double: case QMetaType::Float:
      return TextoNumero(v.toDouble());
    case QMetaType::QDate:
      return v.toDate().toString("dd/MM/yyyy");
    case QMetaType::QDateTime:
      return v.toDateTime().toString("dd/MM/yyyy hh:mm:ss");
    case QMetaType::Bool:
      return v.toBool() ? "Verdadeiro" : "Falso";
    default:
      return v.toString();
  }
}

// "1.234,5" -> "1234.5": the number with "." as decimal separator.
QString numeroComPonto(const QVariant &v, const QString &texto) {
  if (v.metaType() == QMetaType::fromType<Moeda>()) {
    QString t = v.value<Moeda>().textoPonto(4);
    while (t.endsWith('0')) t.chop(1);
    if (t.endsWith('.')) t.chop(1);
    return t;
  }
  QString t = texto;
  t.remove('.');
  t.replace(',', '.');
  t.remove(' ');
  if (t.startsWith('+')) t.remove(0, 1);
  return t;
}

}  // namespace

QString LiteralSql(const QVariant &valor) {
  if (valor.isNull() && valor.metaType().id() != QMetaType::QString) return "Null";
  if (valor.metaType().id() == QMetaType::QDateTime) {
    const QDateTime dt = valor.toDateTime();
    return "'" + dt.toString("MM/dd/yyyy hh:mm:ss") + "'";
  }
  if (valor.metaType().id() == QMetaType::QDate)
    return "'" + valor.toDate().toString("MM/dd/yyyy") + "'";
  const QString texto = textoDoValor(valor);
  if (formaDeData(texto)) {
    const QDate data = dataDiaPrimeiro(texto);
    // An impossible date goes as text, so the server refuses it loudly.
    if (data.isValid()) return "'" + data.toString("MM/dd/yyyy") + "'";
  }
  static const QRegularExpression virgulaDecimal(R"(\d,\d)");
  const bool numerico = EhNumeroNativo(valor) || EhNumerico(texto);
  if (numerico && virgulaDecimal.match(texto).hasMatch()) return numeroComPonto(valor, texto);
  // A quote inside the text is doubled so it stays part of the literal.
  return "'" + QString(texto).replace('\'', "''") + "'";
}

QString MontaSql(const QString &sql, const QVariantList &valores) {
  QString resultado = sql;
  qsizetype pos = 0;
  for (const QVariant &valor : valores) {
    const qsizetype marcador = resultado.indexOf('?', pos);
    if (marcador < 0) break;
    const QString literal = LiteralSql(valor);
    resultado = resultado.left(marcador) + literal + resultado.mid(marcador + 1, 5000);
    pos = marcador + literal.size();
  }
  return resultado;
}
