#pragma once
// The simulated printer's entry points, one per library function (the
// export tables of the three libraries forward to them), and its folder.
//
// Folder: PDV_ECF_SIM_DIR, or DRIVE/kw-velt/ecf-sim. In it: memoria.json
// (the printer's memory), bobina.txt (the paper tape), falhas.txt (faults on
// demand, see Controle.h) and porta.lock (held from AbrePortaSerial to
// FechaPortaSerial, so a second program gets -5 until the first lets go).
#include <QList>
#include <QString>

#include "fiscal/FuncoesEcf.h"

namespace ecfsim {

#define ECFSIM_DECLARA(nome, parametros, argumentos) int nome parametros;
ECF_FUNCOES(ECFSIM_DECLARA)
ECF_FUNCOES_EPSON(ECFSIM_DECLARA)
#undef ECFSIM_DECLARA

QString PastaSimulador();
inline constexpr const char *ArquivoMemoria = "memoria.json";
inline constexpr const char *ArquivoBobina = "bobina.txt";
// Fault lines the simulator did not understand, one per line.
inline constexpr const char *ArquivoFalhasNaoEntendidas = "falhas-nao-entendidas.txt";
inline constexpr const char *ArquivoTrava = "porta.lock";

// Creates a fresh printer memory with the serial in the folder (an existing
// memory with the same serial is kept). False with a reason when it cannot.
// `aliquotas` (percent in hundredths, 1800 = 18,00%) replaces the factory
// rates of a new printer when not empty, as a shop programs its printer for
// the rates its catalogue sells with (at most MaximoAliquotas).
bool CriaMemoriaSimulador(const QString &pasta, const QString &numeroSerie, QString *erro,
                          const QList<int> &aliquotas = {});

}  // namespace ecfsim
