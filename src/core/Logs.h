#pragma once
// The error log (TB_GER_ERRVELT), the operation log (TB_GER_LOGSYS) and the
// clock text they use.
#include <QString>
#include <exception>
#include <functional>

struct TerminalState;

// The error a handler caught, as the logger reads it.
struct ErroCapturado {
  long numero = 0;
  QString descricao;
  long erroDll = 0;  // last system error code
  int passo = 0;     // last numbered step the routine started

  static ErroCapturado de(const std::exception &e, int passo = 0);
};

// The PC's date and time as "mm/dd/yyyy hh:mm:ss" (through the state's clock).
QString DataHoraAtual(const TerminalState &estado);

// Writes the error row only (the caller tells the operator in its own words).
// Its statement column holds the last statement the shared connection ran.
// Throws ErroBanco when the database does not take it.
void RegistraErro(TerminalState &estado, const QString &rotina, const ErroCapturado &erro);

// Writes the error row and shows the fixed operator message. When the
// database itself fails the ErroBanco propagates and no message is shown.
void GravaErro(TerminalState &estado, const QString &rotina, const ErroCapturado &erro);

// The error-handler convention of the screens: runs the routine; an error
// abandons it, is logged under the routine's name and shown with the fixed
// message. The end of the program passes through. When the log itself cannot
// be written (no database) the operator is shown the error instead.
void ExecutaComTratamento(TerminalState &estado, const QString &rotina, const std::function<void()> &passo);

// Writes one operation row with real command parameters.
void GravaLog(TerminalState &estado, int usuario, const QString &sistema, const QString &operacao,
              const QString &tabela);

// Log rows (error, access) written while the server is away wait on the
// drive, one statement per line, and are sent when it answers again.
inline constexpr const char *ArquivoRegistrosGuardados = "c:\\kw-velt\\registros-guardados.txt";
// Keeps one statement of a log row for later; false when the drive refused.
bool GuardaRegistro(const QString &sql);
// Sends the kept rows, oldest first, each once: a row the server took is
// gone from the file before the next is sent. Returns how many are left
// (the server away again, a row it refuses stays for support to see).
int EnviaRegistrosGuardados(TerminalState &estado);

inline constexpr const char *MensagemErroSistema =
    "Erro de Sistema. Por favor Comunique ao Administrador !";
