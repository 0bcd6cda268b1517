#pragma once
// The bits of the printer's fiscal flags (FlagsFiscais), as the printers
// report them and the simulator keeps them.
namespace FlagFiscal {
enum Bit : int { CupomAberto = 1, FechamentoIniciado = 2, ReducaoZFeita = 8, PodeCancelar = 32 };
}
