#include "core/TerminalState.h"

#include "core/Database.h"

TerminalState::TerminalState()
    : Conexao(std::make_unique<ConexaoBanco>()),
      Comando(std::make_unique<ComandoBanco>()),
      RsGeral(std::make_unique<Recordset>()) {}

TerminalState::~TerminalState() = default;
