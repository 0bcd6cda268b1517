#include "core/TerminalState.h"

#include "core/Database.h"
#include "core/OperadorRoteiro.h"
#include "core/Programas.h"
#include "platform/Host.h"

TerminalState::TerminalState()
    : Conexao(std::make_unique<ConexaoBanco>()),
      Comando(std::make_unique<ComandoBanco>()),
      RsGeral(std::make_unique<Recordset>()),
      operadorPadrao_(std::make_unique<OperadorRoteiro>()),
      relogioPadrao_(std::make_unique<platform::OffsetClock>()),
      programasPadrao_(std::make_unique<ExecutorProgramas>()),
      operador_(operadorPadrao_.get()),
      relogio_(relogioPadrao_.get()),
      programas_(programasPadrao_.get()) {}

TerminalState::~TerminalState() = default;

QDateTime TerminalState::horaServidor(const QDateTime &lida) const {
  return relogio().fixed() ? relogio().now() : lida;
}
