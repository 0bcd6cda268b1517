#include "admin/BancoAdmin.h"

#include <ibase.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "admin/Catalogo.h"
#include "admin/DadosDemo.h"
#include "admin/ScriptSql.h"
#include "core/Database.h"

bool EhBancoEmServidor(const QString &banco) {
  // "c:\..." or "c:/..." is a local Windows path; "/..." a local host path.
  static const QRegularExpression servidor(R"(^[^/\\:]{2,}(/\d+)?:.+$)");
  return servidor.match(banco).hasMatch();
}

static QString comAspasDobradas(const QString &t) { return QString(t).replace('\'', "''"); }

QString StringConexaoDe(const AlvoBanco &alvo) {
  return "Data Source=" + alvo.banco + ";User=" + alvo.usuario + ";Password=" + alvo.senha;
}

static QString textoDoStatus(const ISC_STATUS *status) {
  QStringList partes;
  char buffer[1024];
  const ISC_STATUS *p = status;
  while (fb_interpret(buffer, sizeof buffer, &p) > 0) partes << QString::fromLocal8Bit(buffer);
  return partes.join(" - ");
}

static bool preparaArquivoLocal(const QString &caminho, QString *erro) {
  const QFileInfo info(caminho);
  if (info.exists()) {
    *erro = "O banco de dados já existe: " + caminho;
    return false;
  }
  if (!QDir().mkpath(info.absolutePath())) {
    *erro = "Não foi possível criar a pasta " + info.absolutePath();
    return false;
  }
  return true;
}

bool CriaBancoVazio(const AlvoBanco &alvo, QString *erro) {
  QString banco = alvo.banco.trimmed();
  if (banco.isEmpty()) {
    *erro = "Banco de dados não informado.";
    return false;
  }
  if (!EhBancoEmServidor(banco)) {
    banco = QFileInfo(banco).absoluteFilePath();
    if (!preparaArquivoLocal(banco, erro)) return false;
  }
  const QByteArray sql =
      QString("CREATE DATABASE '%1' USER '%2' PASSWORD '%3' PAGE_SIZE 8192 "
              "DEFAULT CHARACTER SET WIN1252")
          .arg(comAspasDobradas(banco), comAspasDobradas(alvo.usuario),
               comAspasDobradas(alvo.senha))
          .toUtf8();
  ISC_STATUS_ARRAY status{};
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  if (isc_dsql_execute_immediate(status, &db, &tr, 0, sql.constData(), SQL_DIALECT_V6, nullptr)) {
    *erro = "Falha ao criar o banco " + banco + ": " + textoDoStatus(status);
    return false;
  }
  isc_detach_database(status, &db);
  return true;
}

bool ApagaBanco(const AlvoBanco &alvo, QString *erro) {
  QString banco = alvo.banco.trimmed();
  if (!EhBancoEmServidor(banco)) banco = QFileInfo(banco).absoluteFilePath();
  const QByteArray caminho = banco.toUtf8(), usuario = alvo.usuario.toUtf8(), senha = alvo.senha.toUtf8();
  QByteArray dpb;
  dpb.append(char(isc_dpb_version1));
  for (const auto &[codigo, valor] : {std::pair{isc_dpb_user_name, usuario}, std::pair{isc_dpb_password, senha}}) {
    if (valor.size() > 255) {
      *erro = "Usuário ou senha longos demais para apagar o banco " + banco + ".";
      return false;
    }
    dpb.append(char(codigo));
    dpb.append(char(valor.size()));
    dpb.append(valor);
  }
  ISC_STATUS_ARRAY status{};
  isc_db_handle db = 0;
  if (isc_attach_database(status, 0, caminho.constData(), &db, static_cast<short>(dpb.size()), dpb.constData()) ||
      isc_drop_database(status, &db)) {
    *erro = "Falha ao apagar o banco " + banco + ": " + textoDoStatus(status);
    if (db) isc_detach_database(status, &db);
    return false;
  }
  return true;
}

QString TextoScript(const QString &nome) {
  QFile f(":/db/" + nome);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll());
}

int AplicaScript(ConexaoBanco &conexao, const QString &script) {
  const QStringList comandos = DivideScriptSql(script);
  for (const QString &comando : comandos) {
    try {
      conexao.executa(comando);
    } catch (const ErroBanco &e) {
      throw ErroBanco(e.numero(), e.descricao() + "\nNo comando: " + comando.left(300));
    }
  }
  return static_cast<int>(comandos.size());
}

bool MontaBanco(const PedidoBanco &pedido, const std::function<void(const QString &)> &relato,
                QString *erro) {
  if (!CriaBancoVazio(pedido.alvo, erro)) return false;
  AlvoBanco alvo = pedido.alvo;
  if (!EhBancoEmServidor(alvo.banco)) alvo.banco = QFileInfo(alvo.banco).absoluteFilePath();
  relato("Banco criado: " + alvo.banco);
  try {
    ConexaoBanco conexao;
    // Building the schema and a large catalogue runs long calls (the commit
    // of a million products): no bound on them.
    conexao.defineLimites(std::chrono::milliseconds(0),
                          std::chrono::seconds(ConexaoBanco::kLimiteAberturaSegundos));
    conexao.abre(StringConexaoDe(alvo));
    const int comandos = AplicaScript(conexao, TextoScript("schema.sql"));
    relato(QString("Estrutura criada (%1 comandos).").arg(comandos));
    if (pedido.demo) {
      CarregaDemo(conexao);
      relato("Dados de demonstração carregados.");
    }
    if (pedido.produtosExtras > 0) {
      const qint64 primeiro = ProximoCodigoProduto(conexao);
      InsereCatalogo(conexao, primeiro, pedido.produtosExtras);
      relato(QString("%1 produtos gerados (códigos %2 a %3).")
                 .arg(pedido.produtosExtras)
                 .arg(primeiro)
                 .arg(primeiro + pedido.produtosExtras - 1));
    }
  } catch (const ErroBanco &e) {
    *erro = e.descricao();
    return false;
  }
  return true;
}
