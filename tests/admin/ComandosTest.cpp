// The command line of pdv-admin: messages and exit codes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "admin/Comandos.h"
#include "admin/Operadores.h"
#include "core/ConfigTerminal.h"
#include "core/Cp1252.h"
#include "core/Database.h"
#include "support/TestSupport.h"

namespace {

struct Resultado {
  int codigo;
  QString saida;
  QString erros;
};

Resultado executa(const QStringList &argumentos) {
  QString saida, erros;
  QTextStream s(&saida), e(&erros);
  const int codigo = ExecutaAdmin(argumentos, s, e);
  return {codigo, saida, erros};
}

TEST(PdvAdmin, HelpListsEveryCommand) {
  QString texto;
  ASSERT_EQ(testsupport::runBuilt("pdv-admin", {"--help"}, &texto), 0);
  for (const char *c : {"init-drive", "write-config", "user", "create-db", "add-desk", "--desk-user"})
    EXPECT_TRUE(texto.contains(c)) << c;
}

TEST(PdvAdmin, BadCommandLinesExitWithUsageCode) {
  for (const QStringList &args : QList<QStringList>{
           {},
           {"format-disk"},
           {"init-drive"},
           {"init-drive", "/tmp/x", "--bogus"},
           {"init-drive", "/tmp/x", "--products"},
           {"init-drive", "/tmp/x", "--products", "muitos"},
           {"init-drive", "/tmp/x", "/tmp/y"},
           {"create-db", "/tmp/x.fdb", "--products", "-5"},
           {"user", "/tmp/x.fdb", "--code", "abc"},
           {"write-config", "/tmp/x.txt"},
           {"write-config", "/tmp/x.txt", "--connection", "TIPO=1", "--brand", "DARUMA"},
       }) {
    const Resultado r = executa(args);
    EXPECT_EQ(r.codigo, SaidaUso) << args.join(' ').toStdString();
    EXPECT_FALSE(r.erros.isEmpty()) << args.join(' ').toStdString();
  }
}

TEST(PdvAdmin, WriteConfigWritesTheSevenLines) {
  QTemporaryDir dir;
  const QString arquivo = dir.path() + "/caixa2/default.txt";
  const Resultado r = executa({"write-config", arquivo, "--connection", "TIPO=2;DBNAME=srv:/d/pdv.fdb",
                               "--user", "caixa", "--password", "s'e\"nha", "--desk", "002",
                               "--ecf-id", "BE0123", "--brand", "sweda"});
  ASSERT_EQ(r.codigo, SaidaOk) << r.erros.toStdString();
  QFile f(arquivo);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray texto = f.readAll();
  EXPECT_EQ(texto.count("\r\n"), 7);
  const LinhasConfig c = InterpretaConfig(texto);
  EXPECT_EQ(c.conexao, "TIPO=2;DBNAME=srv:/d/pdv.fdb");
  EXPECT_EQ(c.usuario, "caixa");
  EXPECT_EQ(c.senha, "s'e\"nha");
  EXPECT_EQ(c.caixa, "002");
  EXPECT_EQ(c.identificacaoEcf, "BE0123");
  EXPECT_EQ(c.marcaEcf, "SWEDA");
}

// The desk identifier goes into ten-character columns with every sale, and
// the file is read line by line: a longer desk, or a line break in any text,
// is refused before anything is written.
TEST(PdvAdmin, WriteConfigRefusesADeskTooLongAndLineBreaks) {
  QTemporaryDir dir;
  const QString arquivo = dir.path() + "/default.txt";
  const QStringList base = {"write-config", arquivo, "--connection", "TIPO=1;DATA SOURCE=/d/pdv.fdb"};
  for (const QStringList &extra : QList<QStringList>{
           {"--desk", "CAIXA-00001"},
           {"--desk", "   "},
           {"--line1", "PDV\r\nTIPO=1;DATA SOURCE=/outro/banco.fdb"},
           {"--line1", "PDV\nX"},
           {"--desk", "001\r\n002"},
           {"--ecf-id", "BE01\r"},
       }) {
    const Resultado r = executa(base + extra);
    EXPECT_EQ(r.codigo, SaidaUso) << extra.join(' ').toStdString();
    EXPECT_FALSE(r.erros.isEmpty());
    EXPECT_FALSE(QFile::exists(arquivo)) << extra.join(' ').toStdString();
  }
  Resultado r = executa({"write-config", arquivo, "--connection", "TIPO=1;DATA SOURCE=/d/pdv.fdb\r\nSYSDBA"});
  EXPECT_EQ(r.codigo, SaidaUso);
  EXPECT_TRUE(r.erros.contains("--connection")) << r.erros.toStdString();
  EXPECT_FALSE(QFile::exists(arquivo));
  r = executa({"init-drive", dir.path() + "/drive", "--desk", "CAIXA-00001"});
  EXPECT_EQ(r.codigo, SaidaUso);
  EXPECT_TRUE(r.erros.contains("--desk")) << r.erros.toStdString();
  EXPECT_FALSE(QFileInfo::exists(dir.path() + "/drive/kw-velt"));
  // Ten characters fit.
  r = executa(base + QStringList{"--desk", "CAIXA-0001"});
  ASSERT_EQ(r.codigo, SaidaOk) << r.erros.toStdString();
  QFile f(arquivo);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(InterpretaConfig(f.readAll()).caixa, "CAIXA-0001");
}

// A shop's desk and its database user: every bad line is refused (exit 2,
// naming the option) before a server is asked or a folder made; the desks
// never get SYSDBA.
TEST(PdvAdmin, AddDeskAndTheDesksUserRefuseBadLinesBeforeTouchingAnything) {
  QTemporaryDir dir;
  const QString drive = dir.path() + "/caixa";
  const QStringList caixa = {"add-desk", drive, "--server", "127.0.0.1/3050:/dados/loja.fdb"};
  const QStringList credenciais = {"--user", "caixas", "--password", "cx"};
  struct Caso {
    QStringList argumentos;
    const char *citado;
  };
  for (const Caso &caso : QList<Caso>{
           {{"add-desk", drive, "--desk", "001", "--user", "caixas", "--password", "cx"}, "--server"},
           {caixa + QStringList{"--user", "caixas", "--password", "cx"}, "--desk"},
           {caixa + QStringList{"--desk", "001", "--password", "cx"}, "--user"},
           {caixa + QStringList{"--desk", "001", "--user", "caixas"}, "--password"},
           {caixa + QStringList{"--desk", "1"} + credenciais, "--desk"},
           {caixa + QStringList{"--desk", "0001"} + credenciais, "--desk"},
           {caixa + QStringList{"--desk", "A01"} + credenciais, "--desk"},
           {{"add-desk", drive, "--server", dir.path() + "/loja.fdb", "--desk", "001", "--user", "caixas",
             "--password", "cx"},
            "--server"},
           {caixa + QStringList{"--desk", "001", "--user", "SysDba", "--password", "cx"}, "SYSDBA"},
           {caixa + QStringList{"--desk", "001", "--user", "caixas", "--password", "cx;DATA SOURCE=/outro.fdb"},
            "--password"},
           {caixa + QStringList{"--desk", "001", "--user", "caixas", "--password", "cx\r\nX"}, "--password"},
           {caixa + QStringList{"--desk", "001"} + credenciais + QStringList{"--brand", "DARUMA", "--ecf-id", "X1"},
            "DARUMA"},
           {caixa + QStringList{"--desk", "001"} + credenciais + QStringList{"--brand", "EPSON"}, "--ecf-id"},
           {caixa + QStringList{"--desk", "001"} + credenciais + QStringList{"--ecf-id", "BE01"}, "--brand"},
           {{"create-db", "127.0.0.1:/dados/loja.fdb", "--desk-user", "caixas"}, "--desk-password"},
           {{"create-db", dir.path() + "/local.fdb", "--desk-user", "caixas", "--desk-password", "cx"}, "servidor"},
           {{"create-db", "127.0.0.1:/dados/loja.fdb", "--desk-user", "sysdba", "--desk-password", "cx"}, "SYSDBA"},
           {{"create-db", "127.0.0.1:/dados/loja.fdb", "--user", "DONO", "--password", "x", "--desk-user", "dono",
             "--desk-password", "cx"},
            "dono do banco"},
           {{"create-db", "127.0.0.1:/dados/loja.fdb", "--desk-user", "caixas;x", "--desk-password", "cx"}, "letra"},
           {{"create-db", "127.0.0.1:/dados/loja.fdb", "--desk-user", "1caixa", "--desk-password", "cx"}, "letra"},
           {{"create-db", "127.0.0.1:/dados/loja.fdb", "--desk-user", "caixas", "--desk-password", ""}, "vazia"},
           {{"create-db", "127.0.0.1:/dados/loja.fdb", "--desk-user", "caixas", "--desk-password", "a;b"}, ";"},
       }) {
    SCOPED_TRACE(caso.argumentos.join(' ').toStdString());
    const Resultado r = executa(caso.argumentos);
    EXPECT_EQ(r.codigo, SaidaUso) << r.erros.toStdString();
    EXPECT_TRUE(r.erros.contains(QString::fromUtf8(caso.citado))) << r.erros.toStdString();
    EXPECT_FALSE(QFileInfo::exists(drive));
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/local.fdb"));
  }
}

TEST(PdvAdmin, FailuresOnTheFileSystemOrDatabaseExitWithOne) {
  QTemporaryDir dir;
  // A database that is not there.
  Resultado r = executa({"user", dir.path() + "/nada.fdb", "--code", "1", "--name", "X", "--password", "1"});
  EXPECT_EQ(r.codigo, SaidaFalha);
  EXPECT_TRUE(r.erros.contains("nada.fdb"));
  // A database file that already exists is never overwritten.
  QFile ocupado(dir.path() + "/ocupado.fdb");
  ASSERT_TRUE(ocupado.open(QIODevice::WriteOnly));
  ocupado.write("nao e um banco");
  ocupado.close();
  r = executa({"create-db", ocupado.fileName()});
  EXPECT_EQ(r.codigo, SaidaFalha);
  EXPECT_TRUE(r.erros.contains(QString::fromUtf8("já existe")));
  // Not a Firebird database.
  r = executa({"user", ocupado.fileName(), "--code", "1", "--name", "X", "--password", "1"});
  EXPECT_EQ(r.codigo, SaidaFalha);
}

TEST(PdvAdmin, CreateDbThenUserThenSecondInitDriveRefused) {
  QTemporaryDir dir;
  const QString banco = dir.path() + "/novo.fdb";
  Resultado r = executa({"create-db", banco, "--products", "50"});
  ASSERT_EQ(r.codigo, SaidaOk) << r.erros.toStdString();
  EXPECT_TRUE(r.saida.contains("50 produtos"));
  r = executa({"user", banco, "--code", "7", "--name", "NOVO CAIXA", "--password", "777"});
  EXPECT_EQ(r.codigo, SaidaOk) << r.erros.toStdString();
  r = executa({"user", banco, "--code", "8", "--password", "888"});
  EXPECT_EQ(r.codigo, SaidaUso);  // a new operator needs a name

  // What the terminal could not read back is refused, nothing stored.
  r = executa({"user", banco, "--code", "7", "--password", QString::fromUtf8("\xF0\x9F\x98\x80")});
  EXPECT_EQ(r.codigo, SaidaFalha);
  EXPECT_TRUE(r.erros.contains("CP1252")) << r.erros.toStdString();
  r = executa({"user", banco, "--code", "7", "--name", "  "});
  EXPECT_EQ(r.codigo, SaidaUso);
  {
    ConexaoBanco c;
    c.abre("Data Source=" + banco + ";User=SYSDBA;Password=masterkey");
    EXPECT_EQ(SenhaDoOperador(c, 7), QString("777"));
  }
  // Every printable CP1252 character survives, in passwords of 32.
  QString todos;
  for (int b = 0x20; b <= 0xFF; ++b) {
    const QString ch = cp1252::decode(QByteArray(1, char(b)));
    if (b != 0x7F && cp1252::ehArmazenavel(ch)) todos += ch;
  }
  for (int i = 0; i < todos.size(); i += 32) {
    const QString senha = todos.mid(i, 32);
    r = executa({"user", banco, "--code", "7", "--password", senha});
    ASSERT_EQ(r.codigo, SaidaOk) << r.erros.toStdString();
    ConexaoBanco c;
    c.abre("Data Source=" + banco + ";User=SYSDBA;Password=masterkey");
    EXPECT_EQ(SenhaDoOperador(c, 7), senha);
  }
  // A ";" would reach the connection text.
  for (const QStringList &args : QList<QStringList>{
           {"write-config", dir.path() + "/c.txt", "--connection", "TIPO=1", "--password", "x;DATA SOURCE=outro.fdb"},
           {"init-drive", dir.path() + "/d;x"},
           {"create-db", dir.path() + "/n.fdb", "--user", "a;b"},
           {"user", banco, "--code", "7", "--db-password", "x;y"}}) {
    r = executa(args);
    EXPECT_EQ(r.codigo, SaidaUso) << args.join(' ').toStdString();
    EXPECT_TRUE(r.erros.contains(";")) << r.erros.toStdString();
  }
  EXPECT_FALSE(QFile::exists(dir.path() + "/c.txt"));

  const QString drive = dir.path() + "/drive";
  ASSERT_EQ(executa({"init-drive", drive}).codigo, SaidaOk);
  // Only a demo drive's login tells an operator and password.
  EXPECT_FALSE(QFile::exists(drive + "/kw-velt/demo.txt"));
  r = executa({"init-drive", drive});
  EXPECT_EQ(r.codigo, SaidaFalha);
  EXPECT_TRUE(r.erros.contains("dados.fdb"));
}

TEST(PdvAdmin, AnInterruptedInitDriveLeavesNothingAndTheNextRunSucceeds) {
  QTemporaryDir dir;
  const QString drive = dir.path() + "/drive";
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(testsupport::buildDir() + "/pdv-admin", {"init-drive", drive, "--products", "300000"});
  // Interrupted while the catalogue is being loaded.
  QString saida;
  for (int i = 0; i < 600 && !saida.contains("Banco criado"); ++i) {
    p.waitForReadyRead(100);
    saida += QString::fromUtf8(p.readAll());
  }
  ASSERT_TRUE(saida.contains("Banco criado")) << saida.toStdString();
  p.terminate();
  // The clean-up waits for the engine to let go of the half-loaded file,
  // which takes long on a loaded machine.
  ASSERT_TRUE(p.waitForFinished(120000)) << QString::fromUtf8(p.readAll()).toStdString();
  EXPECT_TRUE(QDir(drive).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty())
      << QDir(drive).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).join(' ').toStdString();
  const Resultado r = executa({"init-drive", drive});
  EXPECT_EQ(r.codigo, SaidaOk) << r.erros.toStdString();
  EXPECT_TRUE(QFile::exists(drive + "/kw-velt/dados.fdb"));
  EXPECT_TRUE(QFile::exists(drive + "/kw-velt/default.txt"));
}

}  // namespace
