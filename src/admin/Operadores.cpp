#include "admin/Operadores.h"

#include "core/Cp1252.h"
#include "core/Database.h"
#include "core/Senhap.h"

namespace {

bool existe(ConexaoBanco &conexao, int codigo) {
  Recordset rs;
  rs.abre(MontaSql("Select CodUsu From TB_GER_USUARIOS Where CodUsu=?", {codigo}), conexao);
  return !rs.EOF_();
}

// The scrambled bytes as the ISO8859_1 column receives them: one character
// per byte code.
QString senhaGravada(const QString &senha) { return QString::fromLatin1(SenhapInversaTexto(senha)); }

bool validaTextos(const Operador &op, bool novo, QString *erro) {
  if (op.codigo < 0 || op.codigo > 32767) {
    *erro = "Código de operador inválido (0 a 32767).";
    return false;
  }
  if (novo && (!op.nome || op.nome->trimmed().isEmpty())) {
    *erro = "Operador novo precisa de --name.";
    return false;
  }
  if (novo && !op.senha) {
    *erro = "Operador novo precisa de --password.";
    return false;
  }
  if (op.nome && op.nome->trimmed().isEmpty()) {
    *erro = "Nome do operador vazio.";
    return false;
  }
  if (const QString porque = TextoNaoArmazenavel(op); !porque.isEmpty()) {
    *erro = porque;
    return false;
  }
  if (op.nome && op.nome->size() > 40) {
    *erro = "Nome do operador com mais de 40 caracteres.";
    return false;
  }
  if (op.senha && op.senha->size() > TamanhoMaximoSenha) {
    *erro = QString("Senha com mais de %1 caracteres.").arg(TamanhoMaximoSenha);
    return false;
  }
  return true;
}

void gravaDireito(ConexaoBanco &conexao, int codigo, bool temDireito) {
  conexao.executaComParametros(
      "DELETE FROM Tb_Ger_RotUsu WHERE SisRot=? AND UserRot=? AND CdgRot=?",
      {SistemaVendas, codigo, DireitoCaixa});
  if (temDireito)
    conexao.executaComParametros("INSERT INTO Tb_Ger_RotUsu (SisRot,UserRot,CdgRot) VALUES (?,?,?)",
                                 {SistemaVendas, codigo, DireitoCaixa});
}

}  // namespace

QString TextoNaoArmazenavel(const Operador &op) {
  // The terminal reads names and passwords in its code page: a character
  // without a CP1252 form would be stored as "?" and the password would not
  // be the one given.
  if (op.nome && !cp1252::ehArmazenavel(*op.nome))
    return "Nome do operador com caracteres que o terminal não guarda (fora da página de código CP1252).";
  if (op.senha && !cp1252::ehArmazenavel(*op.senha))
    return "Senha com caracteres que o terminal não guarda (fora da página de código CP1252); nada foi gravado.";
  return {};
}

bool GravaOperador(ConexaoBanco &conexao, const Operador &op, QString *erro) {
  const bool novo = !existe(conexao, op.codigo);
  if (!validaTextos(op, novo, erro)) return false;
  if (novo) {
    conexao.executaComParametros(
        "INSERT INTO TB_GER_USUARIOS (CodUsu,NomUsu,SenUsu) VALUES (?,?,?)",
        {op.codigo, op.nome->trimmed(), senhaGravada(*op.senha)});
  } else {
    if (op.nome)
      conexao.executaComParametros("UPDATE TB_GER_USUARIOS SET NomUsu=? WHERE CodUsu=?",
                                   {op.nome->trimmed(), op.codigo});
    if (op.senha)
      conexao.executaComParametros("UPDATE TB_GER_USUARIOS SET SenUsu=? WHERE CodUsu=?",
                                   {senhaGravada(*op.senha), op.codigo});
  }
  gravaDireito(conexao, op.codigo, op.direitoCaixa);
  return true;
}

std::optional<QString> SenhaDoOperador(ConexaoBanco &conexao, int codigo) {
  Recordset rs;
  rs.abre(MontaSql("Select SenUsu From TB_GER_USUARIOS Where CodUsu=?", {codigo}), conexao);
  if (rs.EOF_()) return std::nullopt;
  return SenhapTexto(SemNulo(rs.campo("SenUsu")).toString().toLatin1());
}
