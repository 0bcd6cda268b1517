#include "core/Logs.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QSaveFile>

#include "core/Cp1252.h"
#include "core/Database.h"
#include "core/Encerramento.h"
#include "core/Operator.h"
#include "core/TerminalState.h"
#include "platform/Host.h"
#include "platform/Paths.h"

ErroCapturado ErroCapturado::de(const std::exception &e, int passo) {
  ErroCapturado c;
  c.passo = passo;
  if (const auto *banco = dynamic_cast<const ErroBanco *>(&e)) {
    c.numero = banco->numero();
    c.descricao = banco->descricao();
  } else {
    c.numero = -1;
    c.descricao = QString::fromUtf8(e.what());
  }
  return c;
}

static QDateTime agora(const TerminalState &estado) {
  return estado.relogio().now();
}

QString DataHoraAtual(const TerminalState &estado) {
  return agora(estado).toString("MM/dd/yyyy hh:mm:ss");
}

static QString maquina(const TerminalState &estado) {
  return estado.NomeMaquina.isEmpty() ? platform::hostName() : estado.NomeMaquina;
}

void GravaErro(TerminalState &estado, const QString &rotina, const ErroCapturado &erro) {
  RegistraErro(estado, rotina, erro);
  estado.operador().avisa(MensagemErroSistema, Icone::Exclamacao);
}

void RegistraErro(TerminalState &estado, const QString &rotina, const ErroCapturado &erro) {
  // The statement the connection ran last: the failing one when a statement
  // failed, the last one the routine ran otherwise.
  QString sqlLimpo = estado.conexao().ultimaInstrucao();
  sqlLimpo.replace('\'', QStringLiteral("´")).replace('"', QStringLiteral("`"));
  QString descricao = erro.descricao;
  descricao.replace('\'', QStringLiteral("´")).replace('\r', '.').replace('\n', ',');

  QString codigo = "Modulo", nome = "Modulo";
  if (estado.FormAtual) {
    codigo = estado.FormAtual->nomeTela();
    nome = estado.FormAtual->legendaTela();
  }
  const QString insert =
      "Insert Into TB_GER_ERRVELT  (SEQUENCIA,DATA_HORA,NOME_DA_MAQUINA,CODIGO_DO_USUARIO,SISTEMA,"
      "CODIGO_ROTINA,NOME_ROTINA,PROCEDIMENTO,NUMERO_DA_LINHA,CODIGO_SQL,DESCRICAO_DO_ERRO,"
      "REFERENCIA_DLL)  Values (GEN_ID(NUMERRO,1),?,?,?,?,?,?,?,?,?,?,?)";
  // This statement's own literal rules: numbers bare, texts quoted (any
  // quote left in a name is doubled), never read as a date.
  // Whatever the database's character set cannot store (emoji, a NUL...)
  // becomes "?": the row is written whatever the failing text held.
  auto texto = [](const QString &t) { return "'" + cp1252::armazenavel(t).replace('\'', "''") + "'"; };
  const QStringList literais = {
      texto(DataHoraAtual(estado)),
      texto(maquina(estado)),
      QString::number(estado.CodUsuario),
      texto("PDV"),
      texto(codigo),
      texto(nome.left(50)),
      texto(rotina.left(30)),
      QString::number(erro.passo),
      texto(sqlLimpo.left(250)),
      texto(QString::number(erro.numero) + "-" + descricao.left(230)),
      texto(QString::number(erro.erroDll).left(40)),
  };
  QString sql = insert;
  qsizetype pos = 0;
  for (const QString &literal : literais) {
    pos = sql.indexOf('?', pos);
    sql.replace(pos, 1, literal);
    pos += literal.size();
  }
  // The server away: the row waits on the drive.
  if (estado.conexao().emReserva() && GuardaRegistro(sql)) return;
  try {
    estado.conexao().executa(sql);
  } catch (const ErroBanco &) {
    // The server found away by this very row: it waits on the drive too.
    if (!estado.conexao().emReserva() || !GuardaRegistro(sql)) throw;
  }
}

namespace {

QString arquivoRegistros() { return platform::hostPath(ArquivoRegistrosGuardados); }

QStringList leRegistros() {
  QFile f(arquivoRegistros());
  QStringList r;
  if (!f.open(QIODevice::ReadOnly)) return r;
  for (const QByteArray &linha : f.readAll().split('\n')) {
    const QJsonArray a = QJsonDocument::fromJson(linha).array();
    if (!a.isEmpty() && a.at(0).isString()) r << a.at(0).toString();
  }
  return r;
}

QByteArray linhaRegistro(const QString &sql) {
  return QJsonDocument(QJsonArray{sql}).toJson(QJsonDocument::Compact) + '\n';
}

}  // namespace

bool GuardaRegistro(const QString &sql) {
  QFile f(arquivoRegistros());
  if (!f.open(QIODevice::Append)) return false;
  const QByteArray linha = linhaRegistro(sql);
  return f.write(linha) == linha.size() && f.flush();
}

int EnviaRegistrosGuardados(TerminalState &estado) {
  const QStringList todos = leRegistros();
  if (todos.isEmpty()) return 0;
  const auto reescreve = [](const QStringList &linhas) {
    if (linhas.isEmpty()) return QFile::remove(arquivoRegistros()) || !QFile::exists(arquivoRegistros());
    QSaveFile f(arquivoRegistros());
    if (!f.open(QIODevice::WriteOnly)) return false;
    for (const QString &sql : linhas) f.write(linhaRegistro(sql));
    return f.commit();
  };
  QStringList ficam;  // refused for what they hold: left for support
  qsizetype i = 0;
  for (; i < todos.size(); ++i) {
    try {
      estado.conexao().executa(todos[i]);
    } catch (const ErroBanco &e) {
      if (e.servidorFora()) break;
      ficam << todos[i];
      continue;
    }
    if (!reescreve(ficam + todos.mid(i + 1))) return static_cast<int>(todos.size() - i - 1 + ficam.size());
  }
  const QStringList restam = ficam + todos.mid(i);
  reescreve(restam);
  return static_cast<int>(restam.size());
}

void ExecutaComTratamento(TerminalState &estado, const QString &rotina, const std::function<void()> &passo) {
  try {
    passo();
  } catch (const ProgramaEncerrado &) {
    throw;
  } catch (const std::exception &e) {
    try {
      GravaErro(estado, rotina, ErroCapturado::de(e));
    } catch (const std::exception &) {
      estado.operador().avisa(MensagemErroSistema + QStringLiteral("\n") + QString::fromUtf8(e.what()));
    }
  }
}

void GravaLog(TerminalState &estado, int usuario, const QString &sistema, const QString &operacao,
              const QString &tabela) {
  ComandoBanco &comando = *estado.Comando;
  comando.CommandText =
      " INSERT INTO TB_GER_LOGSYS (UsuLog,SisLog,OpeLog,TabLog,DatLog,MaqLog)  VALUES (?,?,?,?,?,?)";
  // The moment goes as a timestamp parameter: a day-first text would be read
  // month-first by the server.
  comando.Parameters = {usuario, sistema, operacao, tabela, agora(estado), maquina(estado).left(20)};
  comando.executa(estado.conexao());
}
