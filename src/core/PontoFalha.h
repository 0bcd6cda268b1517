#pragma once
// Fault injection for the tests of what a power cut does: when the
// environment variable PDV_FALHA_EM names this point, the process is killed
// here at once (SIGKILL), as a pulled plug would stop it. Unset, it does
// nothing.
void PontoDeFalha(const char *ponto);
