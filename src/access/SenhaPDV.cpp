#include "access/SenhaPDV.h"

#include "access/Inicializacao.h"

#include <QFile>

#include "platform/Paths.h"
#include "core/Cp1252.h"
#include "core/Database.h"
#include "core/Encerramento.h"
#include "core/Operator.h"
#include "core/Senhap.h"
#include "core/Teclas.h"
#include "core/Utilidades.h"

SenhaPDV::SenhaPDV(Aplicacao &app) : Tela(app, "SenhaPDV", "PDV:Senha") {
  adiciona("Label1", TipoCampo::Rotulo).setTexto(QStringLiteral("Código do Usuário"));
  Campo &codigo = adiciona("Xcodigo", TipoCampo::Texto);
  adiciona("Label2", TipoCampo::Rotulo).setTexto(QStringLiteral("Senha do Usuário"));
  Campo &senha = adiciona("Xsenha", TipoCampo::Senha);

  codigo.aoTeclarBaixo = [this](int &tecla, int) {
    // Esc leaves the program at once, without touching the printer.
    if (tecla == tecla::Esc) EncerraPrograma(0, "Esc no código do usuário");
  };
  codigo.aoValidar = [this] { return confereOperador(); };
  senha.aoTeclarBaixo = [this](int &tecla, int) {
    if (tecla != tecla::Esc) return;
    campo("Xcodigo").setTexto(QString());
    campo("Xsenha").setTexto(QString());
    operadorAceito_ = false;
    focaCampo("Xcodigo", false);
    tecla = 0;
  };
  senha.aoValidar = [this] { return confereSenha(); };
  adiciona("LabDemo", TipoCampo::Rotulo).setVisible(false);
}

void SenhaPDV::carrega() {
  InicializaTerminal(estado());
  // A demo drive says how to log in (pdv-admin writes the note only there).
  QFile nota(platform::hostPath(QStringLiteral("c:\\kw-velt\\demo.txt")));
  if (nota.open(QIODevice::ReadOnly)) {
    const QString texto = QString::fromUtf8(nota.readAll()).trimmed();
    if (!texto.isEmpty()) {
      campo("LabDemo").setTexto(texto);
      campo("LabDemo").setVisible(true);
    }
  }
}

bool SenhaPDV::semConexao() {
  if (estado().conexao().aberta()) return false;
  QString erro = estado().conexao().ultimoErro();
  app().operador().avisa(QStringLiteral("Sem conexão com o banco de dados. Verifique a configuração do caixa.") +
                         (erro.isEmpty() ? QString() : "\n" + erro));
  return true;
}

bool SenhaPDV::confereOperador() {
  if (semConexao()) return false;
  TerminalState &e = estado();
  const QString digitado = campo("Xcodigo").texto();
  operadorAceito_ = false;
  if (!cp1252::ehArmazenavel(digitado)) {
    app().operador().avisa(cp1252::MensagemNaoArmazenavel);
    return false;
  }
  const double codigo = ParaNumero(digitado);
  try {
    e.StrSql = MontaSql("Select * From TB_GER_USUARIOS Where COdUsu = ? ", {codigo});
    Recordset operador;
    operador.abre(e.StrSql, e.conexao());
    if (operador.EOF_()) {
      app().operador().avisa(QStringLiteral("Usuário Invalido !!"));
      falhou();
      return false;
    }
    e.StrSql = MontaSql("Select * From Tb_Ger_RotUsu Where SisRot='VDA' and UserRot=? And (CdgRot=? or Cdgrot=?) ",
                        {codigo, QStringLiteral("R0407"), digitado});
    Recordset direitos;
    direitos.abre(e.StrSql, e.conexao());
    if (direitos.EOF_()) {
      app().operador().avisa(QStringLiteral("Sem Acesso ao TERMINAL DE CAIXA !!"));
      falhou();
      return false;
    }
    e.NomUsuario = SemNulo(operador["NomUsu"]).toString();
    const QVariant guardada = operador["SenUsu"];
    // The scrambled column holds one byte per character.
    const QByteArray bytes = guardada.metaType().id() == QMetaType::QByteArray ? guardada.toByteArray()
                                                                                 : guardada.toString().toLatin1();
    senhaGuardada_ = SenhapTexto(bytes);
    e.SenhaUsuario = senhaGuardada_;
    e.CodUsuario = static_cast<int16_t>(codigo);
    operadorAceito_ = true;
    return true;
  } catch (const ErroBanco &erro) {
    app().operador().avisa(QStringLiteral("Erro ao consultar o banco de dados: ") + erro.descricao());
    return false;
  }
}

bool SenhaPDV::confereSenha() {
  if (!cp1252::ehArmazenavel(campo("Xsenha").texto())) {
    app().operador().avisa(cp1252::MensagemNaoArmazenavel);
    campo("Xsenha").setTexto(QString());
    return false;
  }
  if (!operadorAceito_ || campo("Xsenha").texto() != senhaGuardada_) {
    app().operador().avisa(QStringLiteral("Senha Incorreta !!"));
    falhou();
    focaCampo("Xcodigo", false);
    return false;
  }
  if (abreTelaVenda) abreTelaVenda();
  return true;
}

void SenhaPDV::falhou() {
  if (++tentativas_ >= 5) FinalizaPdv(estado(), "cinco tentativas de acesso");
}
