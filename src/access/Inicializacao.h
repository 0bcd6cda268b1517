#pragma once
// The start-up of the terminal (the login screen's load step) and the two
// routines every screen uses to end the run and read the printer's identity.
#include <QDateTime>
#include <QString>

struct TerminalState;
class Operator;

inline constexpr const char *TituloTelaVenda = "PDV-VELT.EXE";

// Closes the printer port and ends the program at once.
[[noreturn]] void FinalizaPdv(TerminalState &estado, const QString &motivo = "FinalizaPdv");

// The printer's serial/identification trimmed, or "Erro-Leitura:" + code.
QString LeIdentificacaoEcf(TerminalState &estado);

// The start-up sequence: single copy, configuration file, printer port and
// identification, database connection, company parameters, server date and
// the PC clock. Every refusal shows its message and ends through FinalizaPdv.
// Errors of the other steps are ignored, as the terminal must start on a
// desk whose database is down; the screens report the missing connection.
void InicializaTerminal(TerminalState &estado);

// Reads the server's timestamp ("SELECT CURRENT_TIMESTAMP AS DATASIS ...")
// into DataSistema and returns it; throws on a database error.
QDateTime LeDataServidor(TerminalState &estado);
