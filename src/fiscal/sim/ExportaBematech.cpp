// The Bematech library's export table: Bematech_FI_<suffix>.
#include "fiscal/sim/EcfSim.h"

#define EXPORTA(nome, parametros, argumentos) \
  ECF_EXPORT int ECF_CONV Bematech_FI_##nome parametros { return ecfsim::nome argumentos; }
ECF_FUNCOES(EXPORTA)
