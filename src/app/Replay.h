#pragma once
// Replay mode: runs the real screens headlessly from a script of operator
// actions and writes a transcript of what the program showed and did.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <optional>

class Programa;
class Aplicacao;
class OperadorRoteiro;

struct ErroRoteiro {
  int linha;
  QString mensagem;
};

class Replay {
 public:
  Replay(Programa &programa, OperadorRoteiro &operador, QTextStream &saida);
  // Any screens of an application: `inicia` opens the first one.
  Replay(Aplicacao &app, OperadorRoteiro &operador, QTextStream &saida, std::function<void()> inicia);
  // Runs the whole script; returns the exit status (0 ran to its end or the
  // program ended; 2 a script error, named with its line; 3 a fault of the
  // program itself).
  int executa(const QStringList &linhas);
  // Parses "F2", "Shift+Tab", "AltGr+1" into a key code and shift mask.
  static bool interpretaTecla(const QString &texto, int &tecla, int &shift);
  // The fixed clock a script asks for with a "clock 2026-12-07T09:30:00"
  // line before its first action (nullopt: none, or a bad one, then `erro`
  // says why).
  static std::optional<QDateTime> relogioDoRoteiro(const QStringList &linhas, QString &erro);
  static std::optional<QDateTime> leRelogio(const QString &texto, QString &erro);

 private:
  bool temMais() const { return proxima_ < linhas_.size(); }
  void passo();  // runs the next script line (throws ErroRoteiro)
  void aplica(const QString &acao, const QString &argumento);
  void pausa(const QString &argumento);
  void despeja();
  void escreve(const QString &linha);
  // Timings for a load run (PDV_REPLAY_TEMPOS names the file): the action
  // after "measure LABEL" is written as "LABEL ms", its pauses left out.
  void registraTempo(const QString &linha);
  Aplicacao &app_;
  std::function<void()> inicia_;
  OperadorRoteiro &operador_;
  QTextStream &saida_;
  QStringList linhas_;
  int proxima_ = 0;
  int acoesFeitas_ = 0;
  QString medindo_;          // label of the action to time next
  double pausadoMs_ = 0;     // time spent in "pause" lines so far
};
