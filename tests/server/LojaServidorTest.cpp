// A shop on a Firebird server on 127.0.0.1 (skipped when PDV_TEST_FB_SERVER
// is unset): `create-db --desk-user` makes the database and the desks' own
// user, `add-desk` makes the desks' drives; the desks log in, open the day,
// sell, record, print pre-sales, search and log errors as that user, and the
// user can change nothing of the database's shape nor of the catalogue; a
// short run of the load harness (bench/carga) loses and doubles nothing; a
// desk's local copy follows the server's changes through its change log.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include "admin/BancoAdmin.h"
#include "contingency/CopiaLocal.h"
#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "core/Logs.h"
#include "core/TerminalState.h"
#include "server/Servidor.h"
#include "support/TestSupport.h"

namespace {

const QString SenhaCaixas = QStringLiteral("Cx-2026'a");

class Loja : public ::testing::Test {
 protected:
  static inline QTemporaryDir *pasta = nullptr;
  static inline QString banco;  // "host:path" as the server sees it
  static inline QString usuario;
  static inline QString saidaCriacao;
  static inline int codigoCriacao = -1;

  static void SetUpTestSuite() {
    if (servidor().isEmpty()) return;
    pasta = new QTemporaryDir();
    // The server's own user writes the database into the folder.
    QFile::setPermissions(pasta->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                             QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
    banco = servidor() + ":" + pasta->path() + "/loja.fdb";
    usuario = QString("PDVLOJA_%1").arg(QCoreApplication::applicationPid());
    codigoCriacao = testsupport::runBuilt("pdv-admin",
                                          {"create-db", banco, "--demo", "--password", senhaSysdba(), "--desk-user",
                                           usuario.toLower(), "--desk-password", SenhaCaixas},
                                          &saidaCriacao);
  }
  static void TearDownTestSuite() {
    if (!pasta) return;
    for (const QString &u : {usuario, usuario + "_B", usuario + "_X"}) {
      try {
        ConexaoBanco c;
        c.abre(comoSysdba(banco));
        c.executa("DROP USER " + u);
      } catch (const ErroBanco &) {
        // not made by this run
      }
    }
    QString erro;
    if (codigoCriacao == 0 && !ApagaBanco({banco, "SYSDBA", senhaSysdba()}, &erro)) ADD_FAILURE() << erro.toStdString();
    delete pasta;
    pasta = nullptr;
  }
  void SetUp() override {
    if (servidor().isEmpty()) GTEST_SKIP() << "no Firebird server for this run";
    ASSERT_EQ(codigoCriacao, 0) << saidaCriacao.toStdString();
  }

  static QString comoSysdba(const QString &b) { return "Data Source=" + b + ";User=SYSDBA;Password=" + senhaSysdba(); }
  static QString comoCaixa(const QString &senha = SenhaCaixas) {
    return "Data Source=" + banco + ";User=" + usuario + ";Password=" + senha;
  }
  static qlonglong numero(const QString &sql) {
    ConexaoBanco c;
    c.abre(comoSysdba(banco));
    Recordset rs;
    rs.abre(sql, c);
    return rs.EOF_() ? 0 : rs.campo(0).toLongLong();
  }
  // `pdv-admin add-desk` into a folder of the suite; its output in *saida.
  static int adicionaCaixa(const QString &raiz, const QString &numeroCaixa, QString *saida,
                           const QString &senha = SenhaCaixas) {
    return testsupport::runBuilt("pdv-admin", {"add-desk", raiz, "--server", banco, "--desk", numeroCaixa, "--user",
                                               usuario.toLower(), "--password", senha},
                                 saida);
  }
  // Runs a replay on the drive: its exit code, the transcript in *transcript.
  static int reproduz(const QString &raiz, const QString &roteiro, QString *transcript) {
    return testsupport::runBuilt("pdv", {"--replay", roteiro}, transcript,
                                 {"PDV_DRIVE=" + raiz, "QT_QPA_PLATFORM=offscreen"});
  }
};

// What a desk must never meet: a statement the server refused it.
void semRecusas(const QString &transcript, const std::string &onde) {
  EXPECT_FALSE(transcript.contains("permission", Qt::CaseInsensitive)) << onde << "\n" << transcript.toStdString();
  EXPECT_FALSE(transcript.contains("privilege", Qt::CaseInsensitive)) << onde << "\n" << transcript.toStdString();
  EXPECT_FALSE(transcript.contains(QString::fromUtf8(MensagemErroSistema))) << onde << "\n" << transcript.toStdString();
  EXPECT_FALSE(transcript.contains(QStringLiteral("GUARDADA NESTE CAIXA"))) << onde << "\n" << transcript.toStdString();
}

}  // namespace

// Every replay script of the repository (sales, closings, pre-sales printed,
// viewed and their payment changed, the fiscal day, searches, the cash
// position) on a desk made by add-desk: the desk's user meets no refusal.
TEST_F(Loja, EveryReplayRunsAsTheDesksUser) {
  EXPECT_TRUE(saidaCriacao.contains("Usuário dos caixas criado no servidor: " + usuario)) << saidaCriacao.toStdString();
  QTemporaryDir onde;
  const QDir roteiros(testsupport::sourceDir() + "/tests/replay");
  const QStringList scripts = roteiros.entryList({"*.txt"}, QDir::Files, QDir::Name);
  ASSERT_FALSE(scripts.isEmpty());
  for (const QString &script : scripts) {
    SCOPED_TRACE(script.toStdString());
    const QString raiz = onde.path() + "/" + QFileInfo(script).baseName();
    QString saida;
    ASSERT_EQ(adicionaCaixa(raiz, "001", &saida), 0) << saida.toStdString();
    QString transcript;
    EXPECT_EQ(reproduz(raiz, roteiros.filePath(script), &transcript), 0) << transcript.right(3000).toStdString();
    semRecusas(transcript, script.toStdString());
  }
}

// Two desks of the shop, each with its drive and printer: each logs in,
// opens the fiscal day, sells two products and records the sale, with the
// pending stock committed.
TEST_F(Loja, TwoDesksLogInOpenTheDayAndRecordTheirSales) {
  QTemporaryDir onde;
  QFile roteiro(onde.path() + "/venda.txt");
  ASSERT_TRUE(roteiro.open(QIODevice::WriteOnly));
  roteiro.write("type 1\nkey Enter\nanswer No\ntype 1234\nkey Enter\nkey Enter\nkey Enter\n"
                "key F2\ntype 1.\nkey Enter\ntype 8.\nkey Enter\nkey F7\nkey F7\n");
  roteiro.close();
  const qlonglong pendente1 = numero("Select Cast(PenVEst As Integer) From Tb_Est_CadPro Where CodPro=1");
  const qlonglong pendente8 = numero("Select Cast(PenVEst As Integer) From Tb_Est_CadPro Where CodPro=8");
  const qlonglong ultimo = numero("Select Max(CodEpn) From Tb_Vda_CadEpn");

  for (const QString caixa : {"021", "022"}) {
    SCOPED_TRACE(caixa.toStdString());
    const QString raiz = onde.path() + "/caixa" + caixa;
    QString saida;
    ASSERT_EQ(adicionaCaixa(raiz, caixa, &saida), 0) << saida.toStdString();
    EXPECT_TRUE(saida.contains("Caixa " + caixa + " pronto")) << saida.toStdString();
    QFile arquivo(raiz + "/kw-velt/default.txt");
    ASSERT_TRUE(arquivo.open(QIODevice::ReadOnly));
    const LinhasConfig c = InterpretaConfig(arquivo.readAll());
    EXPECT_EQ(c.conexao, "TIPO=1;DATA SOURCE=" + banco);
    EXPECT_EQ(c.usuario, usuario.toLower());
    EXPECT_EQ(c.senha, SenhaCaixas);
    EXPECT_EQ(c.caixa, caixa);
    EXPECT_EQ(c.identificacaoEcf, "SIM0000000000000" + caixa);  // a printer of its own
    EXPECT_EQ(c.marcaEcf, "BEMATECH");

    QString transcript;
    EXPECT_EQ(reproduz(raiz, roteiro.fileName(), &transcript), 0) << transcript.right(3000).toStdString();
    EXPECT_TRUE(transcript.contains("EcfAberturaDoDia(\"0,00\", \"Dinheiro\") = 1")) << transcript.toStdString();
    semRecusas(transcript, caixa.toStdString());

    const QString doCaixa = QString(" From Tb_Vda_CadEpn Where CodEpn > %1 And NfsEpn='%2'").arg(ultimo).arg(caixa);
    EXPECT_EQ(numero("Select Count(*)" + doCaixa), 1);
    const qlonglong codigo = numero("Select CodEpn" + doCaixa);
    EXPECT_EQ(numero(QString("Select Count(*) From Tb_Vda_CadEpnIt Where CodEpnIt=%1").arg(codigo)), 2);
    EXPECT_EQ(numero(QString("Select Count(*) From TB_VDA_CADNOT Where EpnNot=%1").arg(codigo)), 1);
  }
  EXPECT_EQ(numero("Select Cast(PenVEst As Integer) From Tb_Est_CadPro Where CodPro=1"), pendente1 + 2);
  EXPECT_EQ(numero("Select Cast(PenVEst As Integer) From Tb_Est_CadPro Where CodPro=8"), pendente8 + 2);
}

// Logged in as the desks' user: the error log, the operation log and a
// credit release consumed work; the database's shape, the catalogue, the
// recorded sales and the server's users are out of its reach.
TEST_F(Loja, TheDesksUserWritesWhatADeskWritesAndNothingElse) {
  QTemporaryDir onde;
  const QString raiz = onde.path() + "/caixa";
  QString saida;
  ASSERT_EQ(adicionaCaixa(raiz, "031", &saida), 0) << saida.toStdString();
  {
    testsupport::UsaDrive usa(raiz);
    TerminalState estado;
    ASSERT_TRUE(LeArquivoConfig(estado));
    EscolheConexao(estado, estado.StrConexao);
    AbreConexao(estado);
    const qlonglong erros = numero("Select Count(*) From TB_GER_ERRVELT");
    const qlonglong registros = numero("Select Count(*) From TB_GER_LOGSYS");
    ErroCapturado erro;
    erro.numero = 17;
    erro.descricao = "falha de teste";
    RegistraErro(estado, "TesteLoja", erro);
    GravaLog(estado, 1, "VDA", "TESTE", "TB_VDA_CADEPN");
    EXPECT_EQ(numero("Select Count(*) From TB_GER_ERRVELT"), erros + 1);
    EXPECT_EQ(numero("Select Count(*) From TB_GER_LOGSYS"), registros + 1);
  }
  {
    ConexaoBanco sysdba;
    sysdba.abre(comoSysdba(banco));
    sysdba.executa("INSERT INTO TB_GER_LIBERA (USUARIO, INFO) VALUES (1, 3)");
  }
  const qlonglong produtos = numero("Select Count(*) From Tb_Est_CadPro");
  const qlonglong preco = numero("Select Cast(ValPre1 * 100 As Integer) From Tb_Est_CadPro Where CodPro=1");
  const qlonglong vendas = numero("Select Count(*) From Tb_Vda_CadEpn");
  ConexaoBanco caixa;
  caixa.abre(comoCaixa());
  caixa.executa("DELETE FROM TB_GER_LIBERA WHERE USUARIO=1 AND INFO=3");
  EXPECT_EQ(numero("Select Count(*) From TB_GER_LIBERA"), 0);
  // The search of active products and the agreements' monthly limit (no
  // replay reaches them).
  for (const QString visao : {"PROFAB_ATIVO", "EPNCPG"}) {
    Recordset rs;
    EXPECT_NO_THROW(rs.abre("Select Count(*) From " + visao, caixa)) << visao.toStdString();
  }
  for (const QString &proibido : {
           QString("DROP TABLE TB_VDA_OBSEPN"),
           QString("DELETE FROM TB_EST_CADPRO"),
           QString("UPDATE TB_EST_CADPRO SET ValPre1 = 0 WHERE CodPro = 1"),
           QString("INSERT INTO TB_EST_CADPRO (CodPro, NomPro) VALUES (999999, 'X')"),
           QString("ALTER TABLE TB_EST_CADPRO ADD Intruso INTEGER"),
           QString("DELETE FROM TB_VDA_CADEPN"),
           QString("UPDATE TB_GER_USUARIOS SET NomUsu = 'X'"),
           QString("CREATE TABLE INTRUSA (A INTEGER)"),
           QString("CREATE USER " + usuario + "_X PASSWORD 'x'"),
           QString("GRANT SELECT ON TB_EST_CADPRO TO USER " + usuario + "_X"),
       }) {
    SCOPED_TRACE(proibido.toStdString());
    try {
      caixa.executa(proibido);
      ADD_FAILURE() << "the desks' user ran it";
    } catch (const ErroBanco &e) {
      EXPECT_TRUE(e.descricao().contains("permission", Qt::CaseInsensitive) ||
                  e.descricao().contains("privilege", Qt::CaseInsensitive))
          << e.descricao().toStdString();
    }
  }
  EXPECT_EQ(numero("Select Count(*) From Tb_Est_CadPro"), produtos);
  EXPECT_EQ(numero("Select Cast(ValPre1 * 100 As Integer) From Tb_Est_CadPro Where CodPro=1"), preco);
  EXPECT_EQ(numero("Select Count(*) From Tb_Vda_CadEpn"), vendas);
  EXPECT_EQ(numero("Select Count(*) From RDB$RELATIONS Where RDB$RELATION_NAME='TB_VDA_OBSEPN'"), 1);
  EXPECT_EQ(numero("Select Count(*) From SEC$USERS Where SEC$USER_NAME='" + usuario + "_X'"), 0);
}

// add-desk tries the desk's login first: a wrong password makes no drive.
// create-db with a user the server already has sets its password and says so.
TEST_F(Loja, AnExistingDesksUserGetsTheNewPasswordAndAWrongOneMakesNoDesk) {
  QTemporaryDir onde;
  QString saida;
  EXPECT_EQ(adicionaCaixa(onde.path() + "/errado", "041", &saida, "errada"), 1) << saida.toStdString();
  EXPECT_TRUE(saida.contains(QStringLiteral("não conseguiu usar o banco"))) << saida.toStdString();
  EXPECT_FALSE(QFileInfo::exists(onde.path() + "/errado/kw-velt"));

  const QString outro = usuario + "_B";
  {
    ConexaoBanco sysdba;
    sysdba.abre(comoSysdba(banco));
    sysdba.executa("CREATE USER " + outro + " PASSWORD 'antiga'");
  }
  const QString segundo = servidor() + ":" + pasta->path() + "/segundo.fdb";
  ASSERT_EQ(testsupport::runBuilt("pdv-admin",
                                  {"create-db", segundo, "--password", senhaSysdba(), "--desk-user", outro,
                                   "--desk-password", "nova-senha"},
                                  &saida),
            0)
      << saida.toStdString();
  EXPECT_TRUE(saida.contains(QStringLiteral("O usuário %1 já existia no servidor").arg(outro))) << saida.toStdString();
  {
    ConexaoBanco c;
    EXPECT_NO_THROW(c.abre("Data Source=" + segundo + ";User=" + outro + ";Password=nova-senha"));
    Recordset rs;
    EXPECT_NO_THROW(rs.abre("Select Count(*) From TB_VDA_CONDPGT", c));
  }
  ConexaoBanco antiga;
  EXPECT_THROW(antiga.abre("Data Source=" + segundo + ";User=" + outro + ";Password=antiga"), ErroBanco);
  QString erro;
  EXPECT_TRUE(ApagaBanco({segundo, "SYSDBA", senhaSysdba()}, &erro)) << erro.toStdString();
}

// The load harness, short: three desks selling five coupons each at once
// through the real sale screen; every coupon the printers closed is
// recorded once and the pending stock moved by exactly the recorded items.
TEST_F(Loja, ThreeDesksSellingAtOnceLoseNothing) {
  if (QStandardPaths::findExecutable("isql-fb").isEmpty()) GTEST_SKIP() << "isql-fb is not installed";
  QTemporaryDir onde;
  QProcess carga;
  carga.setProcessChannelMode(QProcess::MergedChannels);
  carga.start("python3", {testsupport::sourceDir() + "/bench/carga", "--server", banco, "--user", usuario.toLower(),
                          "--password", SenhaCaixas, "--desks", "3", "--sales", "5", "--items", "4", "--pause",
                          "20,80", "--first-desk", "301", "--seed", "7", "--build", testsupport::buildDir(),
                          "--keep", onde.path()});
  ASSERT_TRUE(carga.waitForFinished(300000));
  const QString saida = QString::fromUtf8(carga.readAll());
  EXPECT_EQ(carga.exitCode(), 0) << saida.toStdString();
  for (const char *linha : {"sales closed: 15\n", "sales recorded: 15\n", "lost: 0\n", "doubled: 0\n",
                            "invented: 0\n", "kept on desks: 0\n", "stock exact: yes\n"})
    EXPECT_TRUE(saida.contains(QLatin1String(linha))) << linha << "\n" << saida.toStdString();
  EXPECT_TRUE(saida.contains("item entry p50/p95/p99: ")) << saida.toStdString();
}

// The desk's local copy: add-desk fills it with what a sale reads; changes
// made on the server (a price, a product added, one deleted) reach it by the
// change log, and the desks' own pending-stock updates write no change row.
// A database made before the change log gets it from prepare-copy, run twice.
TEST_F(Loja, TheDesksLocalCopyFollowsTheServer) {
  EXPECT_TRUE(saidaCriacao.contains("Registro de mudanças")) << saidaCriacao.toStdString();
  QTemporaryDir onde;
  const QString raiz = onde.path() + "/copia";
  QString saida;
  ASSERT_EQ(adicionaCaixa(raiz, "001", &saida), 0) << saida.toStdString();
  EXPECT_TRUE(saida.contains("Cópia local gravada")) << saida.toStdString();
  const QString arquivo = ArquivoCopiaLocal(raiz);
  auto naCopia = [&](const QString &sql) {
    ConexaoBanco c;
    c.abre(StringConexaoDe({arquivo, "SYSDBA", "masterkey"}));
    Recordset rs;
    rs.abre(sql, c);
    return rs.EOF_() ? qlonglong(-1) : rs.campo(0).toLongLong();
  };
  for (const QString tabela : {"TB_EST_CADPRO", "TB_VDA_CONDPGT", "TB_GER_USUARIOS", "TB_GER_ROTUSU", "TB_REC_CADCLI",
                                "TB_GER_PARAMETROS", "TB_EST_CADFAB"}) {
    SCOPED_TRACE(tabela.toStdString());
    EXPECT_GT(numero("Select Count(*) From " + tabela), 0);
    EXPECT_EQ(naCopia("Select Count(*) From " + tabela), numero("Select Count(*) From " + tabela));
  }
  // The operators' stored passwords, as the server holds them.
  auto senhas = [](const QString &conexao) {
    ConexaoBanco c;
    c.abre(conexao);
    Recordset rs;
    rs.abre("Select CodUsu, SenUsu From TB_GER_USUARIOS Order By CodUsu", c);
    QStringList lista;
    for (; !rs.EOF_(); rs.MoveNext()) lista << rs.campo(0).toString() + ":" + SemNulo(rs.campo(1)).toString();
    return lista;
  };
  EXPECT_EQ(senhas(StringConexaoDe({arquivo, "SYSDBA", "masterkey"})), senhas(comoSysdba(banco)));
  const auto antes = LeSituacaoCopia(arquivo);
  ASSERT_TRUE(antes.has_value());
  EXPECT_TRUE(antes->atualizada.isValid());

  const QString produto = "INSERT INTO TB_EST_CADPRO (CodPro, CdiPro, NomPro, TribPro, ValPre1) VALUES (%1, '%1', "
                          "'PRODUTO DA COPIA %1', '000', %2)";
  ConexaoBanco sysdba;
  sysdba.abre(comoSysdba(banco));
  sysdba.executa(produto.arg(990001).arg("1.00"));
  sysdba.executa(produto.arg(990002).arg("2.00"));
  ConexaoBanco comoODesk;
  comoODesk.abre(comoCaixa());
  ResultadoCopia r = AtualizaCopia(arquivo, comoODesk);
  ASSERT_TRUE(r.ok) << r.erro.toStdString();
  EXPECT_FALSE(r.completa) << r.motivoCompleta.toStdString();
  EXPECT_EQ(naCopia("Select Count(*) From TB_EST_CADPRO Where CodPro In (990001, 990002)"), 2);

  const qlonglong marca = numero("Select Coalesce(Max(Seq), 0) From TB_PDV_MUDANCAS");
  sysdba.executa("UPDATE TB_EST_CADPRO SET ValPre1 = 12.34 WHERE CodPro = 990002");
  sysdba.executa("DELETE FROM TB_EST_CADPRO WHERE CodPro = 990001");
  sysdba.executa(produto.arg(990003).arg("3.00"));
  // The desks' own stock update, as the desk's user: no change row.
  comoODesk.executa("UPDATE TB_EST_CADPRO SET PenVEst = PenVEst + 1 WHERE CodPro = 2");
  comoODesk.executa("UPDATE TB_EST_CADPRO SET PenVEst = PenVEst - 1 WHERE CodPro = 2");
  EXPECT_EQ(numero(QString("Select Count(*) From TB_PDV_MUDANCAS Where Seq > %1 And Tabela = 'TB_EST_CADPRO' "
                           "And Chave = '2'").arg(marca)),
            0);
  EXPECT_EQ(numero(QString("Select Count(*) From TB_PDV_MUDANCAS Where Seq > %1").arg(marca)), 3);
  r = AtualizaCopia(arquivo, comoODesk);
  ASSERT_TRUE(r.ok) << r.erro.toStdString();
  EXPECT_FALSE(r.completa);
  EXPECT_EQ(r.mudancasLidas, 3);
  EXPECT_EQ(r.linhas, 3);
  EXPECT_EQ(naCopia("Select Cast(ValPre1 * 100 As Integer) From TB_EST_CADPRO Where CodPro = 990002"), 1234);
  EXPECT_EQ(naCopia("Select Count(*) From TB_EST_CADPRO Where CodPro = 990001"), 0);
  EXPECT_EQ(naCopia("Select Count(*) From TB_EST_CADPRO Where CodPro = 990003"), 1);
  EXPECT_EQ(naCopia("Select Count(*) From TB_EST_CADPRO"), numero("Select Count(*) From TB_EST_CADPRO"));
  const auto depois = LeSituacaoCopia(arquivo);
  ASSERT_TRUE(depois.has_value());
  EXPECT_EQ(depois->ultimaMudanca, marca + 3);
  EXPECT_GE(depois->atualizada, antes->atualizada);
  sysdba.executa("DELETE FROM TB_EST_CADPRO WHERE CodPro IN (990002, 990003)");

  // A database made without the change log: the refresh copies everything
  // and says why; prepare-copy gives it the log, twice with the same end.
  QTemporaryDir outra;
  QFile::setPermissions(outra.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                          QFile::WriteOther | QFile::ExeOther);
  PedidoBanco pedido;
  pedido.alvo = {servidor() + ":" + outra.path() + "/antiga.fdb", "SYSDBA", senhaSysdba()};
  pedido.demo = true;
  QString erro;
  ASSERT_TRUE(MontaBanco(pedido, [](const QString &) {}, &erro)) << erro.toStdString();
  {
    ConexaoBanco antiga;
    antiga.abre(comoSysdba(pedido.alvo.banco));
    EXPECT_FALSE(ServidorTemMudancas(antiga));
    r = AtualizaCopia(arquivo, antiga);
    ASSERT_TRUE(r.ok) << r.erro.toStdString();
    EXPECT_TRUE(r.completa);
    EXPECT_TRUE(r.motivoCompleta.contains("prepare-copy")) << r.motivoCompleta.toStdString();
    EXPECT_EQ(naCopia("Select Count(*) From TB_EST_CADPRO Where CodPro = 990002"), 0);
  }
  for (int vez = 0; vez < 2; ++vez) {
    SCOPED_TRACE(vez);
    ASSERT_EQ(testsupport::runBuilt("pdv-admin",
                                    {"prepare-copy", pedido.alvo.banco, "--password", senhaSysdba(), "--desk-user",
                                     usuario.toLower()},
                                    &saida),
              0)
        << saida.toStdString();
    EXPECT_TRUE(saida.contains(QString("%1 tabelas acompanhadas").arg(TabelasCopiadas().size()))) << saida.toStdString();
  }
  {
    ConexaoBanco antiga;
    antiga.abre(comoSysdba(pedido.alvo.banco));
    antiga.executa("UPDATE TB_VDA_CONDPGT SET NomCpg = 'A VISTA NOVA' WHERE CodCpg = 1");
    r = AtualizaCopia(arquivo, antiga);
    ASSERT_TRUE(r.ok) << r.erro.toStdString();
    EXPECT_FALSE(r.completa) << r.motivoCompleta.toStdString();
    EXPECT_EQ(r.mudancasLidas, 1);
    EXPECT_EQ(naCopia("Select Count(*) From TB_VDA_CONDPGT Where CodCpg = 1 And NomCpg = 'A VISTA NOVA'"), 1);
  }
  EXPECT_TRUE(ApagaBanco(pedido.alvo, &erro)) << erro.toStdString();
}

// A running desk refreshes its copy on a thread of its own: the first copy
// is made whole in the background, a timer's refresh then reads only the
// changes, a log pruned past the copy makes it whole again, and a desk
// closed while a copy is being made stops it.
TEST_F(Loja, TheRunningDeskRefreshesItsCopyInTheBackground) {
  QTemporaryDir onde;
  const QString arquivo = onde.path() + "/copia.fdb";
  {
    CopiaDoCaixa copia(arquivo, comoCaixa(), onde.path() + "/copia.log");
    ASSERT_TRUE(copia.inicia(CopiaInteira::Permitida));
    EXPECT_FALSE(copia.inicia(CopiaInteira::Recusada));  // one at a time
    ASSERT_TRUE(copia.espera(std::chrono::seconds(120)));
    ASSERT_TRUE(copia.ultimo() && copia.ultimo()->ok) << copia.ultimo()->erro.toStdString();
    EXPECT_TRUE(copia.ultimo()->completa);
    ASSERT_TRUE(copia.inicia(CopiaInteira::Recusada));
    ASSERT_TRUE(copia.espera(std::chrono::seconds(60)));
    ASSERT_TRUE(copia.ultimo()->ok) << copia.ultimo()->erro.toStdString();
    EXPECT_FALSE(copia.ultimo()->completa);
  }
  ConexaoBanco c;
  c.abre(StringConexaoDe({arquivo, "SYSDBA", "masterkey"}));
  Recordset rs;
  rs.abre("Select Count(*) From Tb_Est_CadPro", c);
  EXPECT_EQ(rs.campo(0).toLongLong(), numero("Select Count(*) From Tb_Est_CadPro"));
  c.fecha();

  // The server's log cut (prune-changes) past what this copy read: the
  // changes it missed are gone, so the timer's refresh refuses and the
  // start-up's copies it whole; after that, changes only again.
  {
    ConexaoBanco sysdba;
    sysdba.abre(comoSysdba(banco));
    sysdba.executa("UPDATE TB_VDA_CONDPGT SET NomCpg = NomCpg || '*' WHERE CodCpg = 1");
    sysdba.executa("UPDATE TB_VDA_CONDPGT SET NomCpg = Substring(NomCpg From 1 For Char_Length(NomCpg) - 1) "
                   "WHERE CodCpg = 1");
  }
  QThread::msleep(50);
  QString saida;
  ASSERT_EQ(testsupport::runBuilt("pdv-admin", {"prune-changes", banco, "--password", senhaSysdba(), "--days", "0"},
                                  &saida),
            0)
      << saida.toStdString();
  EXPECT_TRUE(saida.contains("Registro de mudanças podado")) << saida.toStdString();
  EXPECT_EQ(numero("Select Count(*) From TB_PDV_MUDANCAS Where Tabela = '*PODA*'"), 1);
  ConexaoBanco comoODesk;
  comoODesk.abre(comoCaixa());
  ResultadoCopia r = AtualizaCopia(arquivo, comoODesk, CopiaInteira::Recusada);
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.erro.contains("podado")) << r.erro.toStdString();
  r = AtualizaCopia(arquivo, comoODesk);
  ASSERT_TRUE(r.ok) << r.erro.toStdString();
  EXPECT_TRUE(r.completa);
  EXPECT_TRUE(r.motivoCompleta.contains("podado")) << r.motivoCompleta.toStdString();
  r = AtualizaCopia(arquivo, comoODesk, CopiaInteira::Recusada);
  ASSERT_TRUE(r.ok) << r.erro.toStdString();
  EXPECT_FALSE(r.completa);

  // Closed at once: the copy being made is stopped and waited for (a
  // worker left running would outlive the object it writes to).
  {
    CopiaDoCaixa outra(onde.path() + "/outra.fdb", comoCaixa(), onde.path() + "/copia.log");
    ASSERT_TRUE(outra.inicia(CopiaInteira::Permitida));
  }
}
