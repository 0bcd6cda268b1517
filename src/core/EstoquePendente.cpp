#include "core/EstoquePendente.h"

#include <QThread>
#include <atomic>
#include <cstdlib>

#include "core/Database.h"
#include "core/TerminalState.h"

namespace {
std::atomic<int> conflitos{0};
}

int ConflitosEstoqueRepetidos() { return conflitos.load(); }

void AtualizaEstoquePendente(TerminalState &e, const QString &codPro, Quantidade quantidade) {
  // The quantity goes as a number ("1", "1.5"): quoted, Firebird refuses to
  // add it to a number.
  QString numero = QString::number(quantidade.milesimos() / Quantidade::kEscala);
  if (const int64_t resto = std::abs(quantidade.milesimos() % Quantidade::kEscala))
    numero += "." + QString::number(resto).rightJustified(3, '0');
  if (quantidade.milesimos() < 0 && !numero.startsWith('-')) numero.prepend('-');
  e.StrSql = "Update Tb_Est_CadPro Set PenVEst=PenvEst+(" + numero + ") Where CodPro=" +
             QString::number(codPro.toLongLong());
  // Another desk updating the same product makes this one wait or conflict:
  // the statement is tried again until it lands.
  for (int tentativa = 1;; ++tentativa) {
    try {
      e.conexao().executa(e.StrSql);
      return;
    } catch (const ErroBanco &erro) {
      if (!erro.ehDeadlock() || tentativa >= TentativasEstoque) throw;
      ++conflitos;
      // The other desk's update has ended (its commit is what made this
      // one conflict): the first retry goes at once, later ones back off.
      if (tentativa > 1) QThread::msleep(20 * (tentativa - 1));
    }
  }
}
