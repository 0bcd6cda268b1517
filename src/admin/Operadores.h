#pragma once
// Operators of the cash desks: TB_GER_USUARIOS with the scrambled password and
// the cash-desk right "R0407" of system "VDA" in Tb_Ger_RotUsu.
#include <QString>
#include <optional>

class ConexaoBanco;

inline constexpr const char *DireitoCaixa = "R0407";
inline constexpr const char *SistemaVendas = "VDA";
// The password column holds this many characters at most.
inline constexpr int TamanhoMaximoSenha = 32;

struct Operador {
  int codigo = 0;
  std::optional<QString> nome;   // unchanged when absent (a new operator needs one)
  std::optional<QString> senha;  // unchanged when absent (a new operator needs one)
  bool direitoCaixa = true;
};

// Why a name or password cannot be stored as given ("" when it can).
QString TextoNaoArmazenavel(const Operador &op);

// Adds the operator or changes the given fields of an existing one, and gives
// or takes the cash-desk right. Returns false with a message for bad input;
// database failures throw ErroBanco.
bool GravaOperador(ConexaoBanco &conexao, const Operador &operador, QString *erro);

// The plain password stored for an operator (decoded), or nullopt when there
// is no such operator.
std::optional<QString> SenhaDoOperador(ConexaoBanco &conexao, int codigo);
