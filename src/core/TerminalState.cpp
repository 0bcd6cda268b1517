#include "core/TerminalState.h"

#include "core/Database.h"

TerminalState::TerminalState()
    : Conexao_(std::make_unique<Conexao>()),
      Comando_(std::make_unique<Comando>()),
      RsGeral(std::make_unique<Recordset>()) {}

TerminalState::~TerminalState() = default;
