#pragma once
// Turning the printer's status into operator messages, and the two helpers
// that close the port and end the run on a lost printer.
#include <QString>
#include <cstdint>

#include "core/Operator.h"
#include "core/TerminalState.h"

// What a printer call's result means for the operator: accepted (status
// clean) or not, and the message that applies ("" when none).
struct AnaliseRetorno {
  bool aceito = false;
  QString texto;
  Icone icone = Icone::Informacao;
};

// The result of a printer call (1 and -27 ask the printer for ACK, ST1 and
// ST2); A and B both non-empty are added after the status (or alone when
// the status is clean). Nothing is shown: the caller tells it.
AnaliseRetorno AnalisaRetornoEcf(TerminalState &estado, int16_t retorno, const QString &a = {},
                                 const QString &b = {});

// AnalisaRetornoEcf of Retorno, its message shown under the given title;
// true only when the command was accepted and the status is clean.
bool AnalisaRetorno(TerminalState &estado, const QString &a, const QString &b, const QString &titulo);
bool AnalisaRetorno(TerminalState &estado, QString &a, QString &b, QString &titulo);

// The operator message for a library status other than 0, 1 and -27; empty
// for codes that have none.
QString MensagemRetornoEcf(int16_t retorno);
// The texts of the set bits of ST1 and ST2, ST1 128..1 then ST2 128..1.
QString TextoBitStatus(int byteStatus, int bit);

// The low byte as eight "0"/"1" characters, most significant first.
QString FlagsBinario(int16_t valor);

// "Erro de Comunicação: " (or "Erro de comunicação: ") followed by the code.
QString ErroComunicacao(int codigo, bool maiuscula = true);

// The cash drawer: asks its state, then pulses it in every case. Returns
// what the cashier is to be told: an open drawer ("Gaveta já esta ABERTA !0")
// or a failed call ("Erro de comunicação: " + code); nothing otherwise.
QString AcionaGavetaDoCaixa(TerminalState &estado);

// Retorno = EcfFechaPortaSerial(); returns it.
int16_t FechaPorta(TerminalState &estado);

// Retorno 0 or -27: "Erro de comunicação !", the port is closed and the
// program ends (EncerraPrograma). Otherwise nothing.
void VerificaComunicacao(TerminalState &estado);
