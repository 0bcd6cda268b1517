// The Sweda library's export table: ECF_<suffix>.
#include "fiscal/sim/EcfSim.h"

#define EXPORTA(nome, parametros, argumentos) \
  ECF_EXPORT int ECF_CONV ECF_##nome parametros { return ecfsim::nome argumentos; }
ECF_FUNCOES(EXPORTA)
