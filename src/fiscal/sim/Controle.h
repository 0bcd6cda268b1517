#pragma once
// Faults on demand and the clock offset, read before every command from the
// control file "falhas.txt" in the simulator's folder and from the
// environment variable PDV_ECF_SIM_FALHAS (the same lines, separated by ";").
//
//   desligada                 the printer is off: every function returns 0
//   retorno VendeItem -3      that function returns -3 once (not executed)
//   retorno VendeItem 0 sempre    ... every time
//   st1 64 / st2 16 / ack 21  status bits (or ACK) reported after every
//                             command; an accepted command then returns -27
//   papel pouco | papel fim   low paper (ST1 64) / paper end (ST1 128: no printing)
//   baud 9600                 each command takes as long as on a serial line
//   relogio +1d               the printer's clock ahead (or -) by d, h, m or s
//   relogio 2026-01-02T10:00:00   the printer's clock stopped at that moment
//                             (offsets then count from it)
//
// "#" starts a comment. A "once" line of the file is commented out when used.
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace ecfsim {

enum class Papel { Normal, Pouco, Fim };

struct RetornoForcado {
  QString funcao;
  int valor = 0;
  bool sempre = false;
  bool doAmbiente = false;
  int linha = 0;  // line of the file, or entry of the variable
};

struct Controle {
  bool desligada = false;
  int st1 = 0, st2 = 0, ack = 0;
  Papel papel = Papel::Normal;
  int baud = 0;
  int64_t deslocamentoSegundos = 0;
  QDateTime relogioFixo;  // invalid: the host's clock
  QDateTime agora() const;
  QList<RetornoForcado> retornos;
  QStringList naoEntendidas;
};

inline constexpr const char *ArquivoControle = "falhas.txt";

// Parses control lines; `doAmbiente` marks entries of the variable.
void InterpretaLinhas(const QStringList &linhas, bool doAmbiente, Controle &c);
Controle LeControle(const QString &pasta);

// The forced return for a function (suffix, e.g. "VendeItem"), used up when it
// is a "once" entry.
std::optional<int> ConsomeRetorno(Controle &c, const QString &pasta, const QString &funcao);

}  // namespace ecfsim
