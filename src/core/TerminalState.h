#pragma once
// The process-wide state of the terminal: one object with the names the rest
// of the program uses, created at start-up and handed to the screens by
// reference. A test makes a fresh one.
#include <QDate>
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

#include "core/Moeda.h"

class ConexaoBanco;
class ComandoBanco;
class Recordset;
class Campo;
class Operator;
class ExecutorProgramas;
namespace platform { class Clock; }

// What a screen exposes to the error logger and the search dialog.
class TelaRegistrada {
 public:
  virtual ~TelaRegistrada() = default;
  virtual QString nomeTela() const = 0;     // e.g. "PForm"
  virtual QString legendaTela() const = 0;  // its caption
};

struct TerminalState {
  TerminalState();
  ~TerminalState();
  TerminalState(const TerminalState &) = delete;
  TerminalState &operator=(const TerminalState &) = delete;

  // Database (the one shared connection, its command and result set). The
  // connection notes the last statement it ran (the error log's).
  // RsGeral is the start-up's and the fiscal day's scratch: the sale, its
  // payment, closing and pre-sale each read with result sets of their own.
  std::unique_ptr<ConexaoBanco> Conexao;
  std::unique_ptr<ComandoBanco> Comando;
  std::unique_ptr<Recordset> RsGeral;
  ConexaoBanco &conexao() { return *Conexao; }

  // Terminal configuration file.
  QString ConfigLinha1;
  QString StrConexao;
  QString UsuarioBanco;
  QString SenhaBanco;
  QString NumCaixa;
  QString IdentificacaoEcf;  // line 6, checked by the login screen's load step
  QString MarcaEcf;

  // Printer. Retorno: the last status of a printer call, for the start-up,
  // the fiscal day screens and the fiscal helpers that read it
  // (AnalisaRetorno, VerificaComunicacao).
  int16_t Retorno = 0;
  QString NumSerieEcf;
  QString NumCupom;
  QString DataMovimento;
  QString DataImpressora;
  QString HoraImpressora;
  QString FormasPgtoEcf;
  int16_t FlagsFiscais = 0;
  bool EcfOcupada = false;
  bool PortaEcfAberta = false;  // opened by EcfAbrePortaSerial, not closed yet

  // Scratch: what an operation left to tell (the fiscal day screens) and
  // the lookups' statement. The sale, payment, closing and pre-sale code
  // pass their outcomes as values instead.
  QString Mensagem;
  QString StrSql;

  // Working date (the database server's), operator.
  QDate DataSistema;
  int16_t CodUsuario = 0;
  QString NomUsuario;
  QString SenhaUsuario;

  // Company.
  QString NomeEmpresa;
  QString EnderecoEmpresa;
  int32_t CodEmpresa = 0;
  QString CtaVdaVis, CtaVdaPrz, CtaCtoVda, CtaEstBai, CtaVarEst;
  int32_t LocCxaMat = 0;
  int32_t LocCxaFil = 0;
  // The furthest a due date or a term of a payment row goes, in days from
  // the sale (the parameters' DiasVencPdv when set).
  static constexpr int DiasVencimentoPadrao = 730;
  int DiasVencimento = DiasVencimentoPadrao;
  QString MasEmp;
  int16_t AnoExercicio = 0;
  // Index 1..6 as the suite numbers them (0 unused): accounting, receivables,
  // payables, stock, sales, purchases.
  std::array<QString, 7> ProgramasSuite;

  // Screens.
  TelaRegistrada *FormVenda = nullptr;
  TelaRegistrada *FormPrincipal = nullptr;
  TelaRegistrada *FormAtual = nullptr;
  QString LbMens;  // the sale screen's help line text
  QString NomeMaquina;

  // Search hand-over.
  QString TipoPesq, CodPesquisa, CodProPesq, CodCliPesq, CodCpgPesq, CodVenPesq, NumEpnPesq;
  QString DadosClientePesq;
  // The field that opened the search running now, the only one that takes
  // the code it hands back (null: a search no field asked for).
  const Campo *DestinoPesquisa = nullptr;
  // The last product sold; the step of the sale being recorded (1 while an
  // item's stock is taken back).
  QString UltProduto;
  int EtapaVenda = 0;

  // Services the routines reach through the state, always set: until the
  // program installs its own, a clock that never sets the machine's time, an
  // operator that takes every default answer, and the real program starter.
  Operator &operador() const { return *operador_; }
  platform::Clock &relogio() const { return *relogio_; }
  ExecutorProgramas &programas() const { return *programas_; }
  // The database server's time as the program takes it: the time the server
  // gave, or a stopped clock's (a replay that must repeat itself) wherever
  // the server's time is used.
  QDateTime horaServidor(const QDateTime &lida) const;
  void usaOperador(Operator &o) { operador_ = &o; }
  void usaRelogio(platform::Clock &r) { relogio_ = &r; }
  void usaProgramas(ExecutorProgramas &p) { programas_ = &p; }

 private:
  std::unique_ptr<Operator> operadorPadrao_;
  std::unique_ptr<platform::Clock> relogioPadrao_;
  std::unique_ptr<ExecutorProgramas> programasPadrao_;
  Operator *operador_;
  platform::Clock *relogio_;
  ExecutorProgramas *programas_;
};

// The printer counts as busy while this lives, whatever happens inside.
class ImpressoraOcupada {
 public:
  explicit ImpressoraOcupada(TerminalState &e) : e_(e) { e_.EcfOcupada = true; }
  ~ImpressoraOcupada() { e_.EcfOcupada = false; }
  ImpressoraOcupada(const ImpressoraOcupada &) = delete;
  ImpressoraOcupada &operator=(const ImpressoraOcupada &) = delete;

 private:
  TerminalState &e_;
};
