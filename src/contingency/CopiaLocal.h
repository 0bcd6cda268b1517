#pragma once
// The desk's local copy of what a sale reads: an embedded database on the
// desk's drive (kw-velt/copia.fdb) made with the suite's own schema, holding
// the rows of the tables a desk reads from the shop's server (catalogue,
// discounts, customers and their instalments, conditions and forms,
// salespeople, operators and their rights, the company, the parameters).
//
// The server keeps a change log for it (TB_PDV_MUDANCAS, written by triggers
// on those tables): a refresh reads the changes after the last one it read
// and copies just the rows they name. Without that log, or with no copy yet,
// a refresh copies every table whole.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class ConexaoBanco;

// The tables copied, in the order they are filled: the tables a desk reads
// (PermissoesCaixa, SELECT and no more) and the base tables of the views it
// reads, less the sales and the logs.
const QStringList &TabelasCopiadas();

// The drive's copy: DRIVE/kw-velt/copia.fdb (`raizDrive` the drive's root).
QString ArquivoCopiaLocal(const QString &raizDrive);
// The running program's copy (on the drive PDV_DRIVE names).
QString ArquivoCopiaLocalDoPrograma();

// What one fill or refresh did.
struct ResultadoCopia {
  bool ok = false;
  QString erro;                 // why it failed (ok false)
  bool completa = false;        // every table copied whole
  QString motivoCompleta;       // why (no copy yet, no change log on the server...)
  qint64 linhas = 0;            // rows written or deleted in the copy
  qint64 mudancasLidas = 0;     // change rows read from the server
  std::chrono::milliseconds duracao{0};
  // One line for a log or a command's output.
  QString resumo() const;
};

// Copies every table whole into the copy at `arquivo` (created with the
// schema when missing), reading through `servidor`. Each table is replaced in
// one transaction of the copy; the last change number of the server is noted
// before the tables are read, so changes made meanwhile are read again by
// the next refresh.
ResultadoCopia PreencheCopia(const QString &arquivo, ConexaoBanco &servidor);

// Brings the copy up to date: the changes after the last one read, row by
// row (a table with very many changes is copied whole); the new last number
// and the time are recorded in the same transaction as the rows. A full fill
// when the copy does not exist yet or the server has no change log (the
// result says which).
// With CopiaInteira::Recusada a refresh that would copy everything whole
// fails instead, saying why (a timer's refresh leaves that to the start-up).
enum class CopiaInteira { Permitida, Recusada };
ResultadoCopia AtualizaCopia(const QString &arquivo, ConexaoBanco &servidor,
                             CopiaInteira copiaInteira = CopiaInteira::Permitida);

// The running desk reads its copy as this user while the server is away: the
// copied tables and the views over them only, nothing written.
inline constexpr const char *UsuarioContingencia = "PDV_CONTINGENCIA";
// Gives that user its reads where the copy lacks them (a copy made by an
// older version); false when the copy cannot be opened.
bool PreparaLeituraContingencia(const QString &arquivo);
// The connection string of that reading (an embedded attach, no password).
QString StringConexaoContingencia(const QString &arquivo);

// What the copy says of itself: the time of its last refresh and the last
// change number it read (nullopt when it cannot be opened).
struct SituacaoCopia {
  QDateTime atualizada;
  qint64 ultimaMudanca = 0;
};
std::optional<SituacaoCopia> LeSituacaoCopia(const QString &arquivo);

// The server's side: the change log table, its generator and the triggers
// on every copied table (an update that changes only the columns a desk
// itself writes, the pending stock, logs nothing). `conexao` open as SYSDBA
// or the database's owner. Idempotent: tables and grants made before stay,
// triggers are rewritten from the tables' columns. With `usuarioCaixas`, that
// user gets the reads the copy needs. Returns how many triggers it wrote.
// Throws ErroBanco.
int PreparaMudancasServidor(ConexaoBanco &conexao, const QString &usuarioCaixas = {});

// True when the server's database has the change log.
bool ServidorTemMudancas(ConexaoBanco &servidor);

// Deletes the change log's rows older than `dias` days (the log otherwise
// grows for good). The newest of them stays as a mark that the log was cut
// there: a copy that had not read that far is made whole again by its next
// start-up, since the changes it missed are gone. `conexao` as SYSDBA or the
// owner. Throws ErroBanco.
struct ResultadoPoda {
  qint64 apagadas = 0;  // rows deleted
  qint64 ate = 0;       // the mark's number (0: nothing was old enough)
};
ResultadoPoda PodaMudancas(ConexaoBanco &conexao, int dias);

// A running desk's copy, refreshed on a thread of its own with a connection
// of its own to the server, so a refresh never holds the cashier: not at
// start-up (a first copy of a large catalogue takes minutes), not when the
// server has gone away. What fails (and every copy made whole) is written to
// a log file beside the copy, the server being possibly away.
class CopiaDoCaixa {
 public:
  static constexpr int IntervaloMs = 60000;
  CopiaDoCaixa(QString arquivo, QString stringServidor, QString arquivoRegistro);
  // A refresh still running is stopped on the server and waited for.
  ~CopiaDoCaixa();
  CopiaDoCaixa(const CopiaDoCaixa &) = delete;
  CopiaDoCaixa &operator=(const CopiaDoCaixa &) = delete;
  // Starts a refresh unless one is still running (false then). At start-up
  // CopiaInteira::Permitida (the whole copy when there is none yet or the
  // server keeps no change log); on the timer Recusada (the changes only).
  bool inicia(CopiaInteira copiaInteira);
  bool emAndamento() const { return andando_; }
  // Waits at most `limite` for the refresh running; true when none runs.
  bool espera(std::chrono::milliseconds limite);
  // What the last refresh that ended did (nullopt: none ended yet).
  std::optional<ResultadoCopia> ultimo() const;

 private:
  void executa(CopiaInteira copiaInteira);  // on the worker thread
  void registra(const ResultadoCopia &r);
  QString arquivo_, stringServidor_, arquivoRegistro_;
  mutable std::mutex trava_;              // conexao_ (replaced) and ultimo_
  std::unique_ptr<ConexaoBanco> conexao_;  // the worker's, kept between refreshes
  std::optional<ResultadoCopia> ultimo_;
  QString ultimoErro_;  // a failure repeated every minute is written once (worker only)
  std::atomic<bool> andando_{false};
  std::atomic<bool> parando_{false};
  std::thread trabalho_;
};
