// The Epson library's export table: its three functions under their own names.
#include "fiscal/sim/EcfSim.h"

#define EXPORTA(nome, parametros, argumentos) \
  ECF_EXPORT int ECF_CONV nome parametros { return ecfsim::nome argumentos; }
ECF_FUNCOES_EPSON(EXPORTA)
