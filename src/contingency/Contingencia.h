#pragma once
// A desk of a shop's server keeps selling while the server is away: the
// shared connection reads the desk's local copy instead (its reserve, see
// ConexaoBanco::defineReserva), every write fails at once as the server's
// absence (the item's stock is then owed with the sale, the closed sale kept
// in the journal, a log row kept on the drive), and the server is tried
// again every 30 seconds and at each sale, in the background, so that the
// cashier never waits on a server that does not answer. When it answers the
// connection goes back to it and whoever was told of the switch records what
// was kept.
#include <QDateTime>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

struct TerminalState;

class Contingencia {
 public:
  // How often the server is tried while the desk works from its copy.
  static constexpr int IntervaloSondaMs = 30000;
  // How often a finished try is looked at (the periodic task's interval).
  static constexpr int IntervaloVerificacaoMs = 1000;
  // How long the look after a sale waits for its try.
  static constexpr int EsperaNaVendaMs = 300;

  // `arquivoCopia`: the desk's local copy; the shared connection of
  // `estado` takes it as its reserve.
  Contingencia(TerminalState &estado, QString arquivoCopia);
  // A try still running is waited for (it is bounded).
  ~Contingencia();
  Contingencia(const Contingencia &) = delete;
  Contingencia &operator=(const Contingencia &) = delete;

  bool ativa() const;
  // When the desk went into contingency and when its copy was last
  // refreshed (read as it went in).
  QDateTime desde() const { return desde_; }
  QDateTime copiaDe() const { return copiaDe_; }
  // "CONTINGÊNCIA ..." with the copy's time and the kept sales; empty when
  // the desk works on the server.
  QString texto(int vendasGuardadas) const;

  // The periodic look (every IntervaloVerificacaoMs): a try that found the
  // server answering brings the desk back; a new try starts when the last
  // one is IntervaloSondaMs old. `agora` (a sale was closed): a try now
  // unless one is running, waited for EsperaNaVendaMs.
  void verifica(bool agora = false);
  // Waits at most `limite` for a try running (tests, the end of the run).
  void esperaSonda(std::chrono::milliseconds limite);

  // Told on each switch (on the cashier's thread): true into contingency.
  // May not run statements on the shared connection when entering (it is
  // told from inside the read that found the server away).
  std::function<void(bool)> aoMudar;

 private:
  void mudou(bool emContingencia);
  void iniciaSonda();
  TerminalState &estado_;
  QString arquivoCopia_;
  QDateTime desde_, copiaDe_;
  std::chrono::steady_clock::time_point ultimaSonda_{};
  std::atomic<bool> sondando_{false};
  std::atomic<bool> respondeu_{false};
  std::thread sonda_;
};
