#pragma once
// Fault injection for the tests of what a power cut does: when the
// environment variable PDV_FALHA_EM names this point, the process is killed
// here at once (SIGKILL), as a pulled plug would stop it. Unset, it does
// nothing.
#include <functional>

void PontoDeFalha(const char *ponto);

// A test running the program in its own process may act at the points
// instead (cut its server, say); an empty function removes the action.
void DefineAcaoNoPontoDeFalha(std::function<void(const char *ponto)> acao);
