#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "core/ConfigTerminal.h"
#include "core/Cp1252.h"
#include "core/Senhap.h"
#include "core/TerminalState.h"
#include "support/TestSupport.h"

namespace {
QByteArray seteLinhas(const QByteArray &fim) {
  return "VELT" + fim + "TIPO=1;DATA SOURCE=/x.fdb" + fim + SenhapInversa("SYSDBA") + fim +
         SenhapInversa("masterkey") + fim + " cx01 " + fim + " sim0001 " + fim + "bematech " + fim;
}
}  // namespace

TEST(ConfigFile, SevenLinesWithTheirTreatments) {
  for (const QByteArray &fim : {QByteArray("\r\n"), QByteArray("\n")}) {
    const LinhasConfig c = InterpretaConfig(seteLinhas(fim));
    EXPECT_EQ(c.linha1, "VELT");
    EXPECT_EQ(c.conexao, "TIPO=1;DATA SOURCE=/x.fdb");
    EXPECT_EQ(c.usuario, "SYSDBA");
    EXPECT_EQ(c.senha, "masterkey");
    EXPECT_EQ(c.caixa, "CX01");
    EXPECT_EQ(c.identificacaoEcf, "SIM0001");
    EXPECT_EQ(c.marcaEcf, "BEMATECH");
  }
}

TEST(ConfigFile, MissingLinesStayEmpty) {
  const LinhasConfig c = InterpretaConfig("so a primeira\r\nTIPO=2\r\n");
  EXPECT_EQ(c.conexao, "TIPO=2");
  EXPECT_TRUE(c.usuario.isEmpty());
  EXPECT_TRUE(c.marcaEcf.isEmpty());
  EXPECT_TRUE(InterpretaConfig("").linha1.isEmpty());
}

TEST(ConfigFile, ScrambledLinesMayHoldEveryCodeButTheLineEndPair) {
  // A password whose scrambled form holds lone CR and LF codes still decodes.
  QByteArray plain;
  for (int c = 1; c < 256; ++c) plain += static_cast<char>(c);
  QByteArray stored = SenhapInversa(plain);
  if (stored.contains("\r\n")) GTEST_SKIP();
  ASSERT_TRUE(stored.contains('\r') || stored.contains('\n'));
  const QByteArray arquivo = "1\r\n2\r\nU\r\n" + stored + "\r\n5\r\n6\r\n7\r\n";
  const QList<QByteArray> linhas = LinhasArquivoConfig(arquivo);
  ASSERT_EQ(linhas.size(), 7);
  EXPECT_EQ(Senhap(linhas[3]), plain);
}

TEST(ConfigFile, WriterRefusesALineEndInsideAScrambledLine) {
  testsupport::TempDrive drive;
  // The plain text that scrambles to exactly CR LF.
  LinhasConfig ruim;
  ruim.senha = cp1252::decode(Senhap("\r\n"));
  QString erro;
  EXPECT_FALSE(EscreveArquivoConfig(drive.path("ruim.txt"), ruim, &erro));
  EXPECT_FALSE(erro.isEmpty());
  EXPECT_FALSE(QFile::exists(drive.path("ruim.txt")));
}

TEST(ConfigFile, FileOnTheDriveFillsTheState) {
  testsupport::TempDrive drive;
  QDir().mkpath(drive.path("kw-velt"));
  LinhasConfig c;
  c.linha1 = "VELT";
  c.conexao = "TIPO=1;DATA SOURCE=c:\\kw-velt\\dados.fdb";
  c.usuario = "SYSDBA";
  c.senha = "Çhave Ã";
  c.caixa = "001";
  c.identificacaoEcf = "SIM";
  c.marcaEcf = "SWEDA";
  QString erro;
  ASSERT_TRUE(EscreveArquivoConfig(drive.path("kw-velt/default.txt"), c, &erro));
  QFile f(drive.path("kw-velt/default.txt"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll().count("\r\n"), 7);
  TerminalState e;
  ASSERT_TRUE(LeArquivoConfig(e));
  EXPECT_EQ(e.SenhaBanco, "Çhave Ã");
  EXPECT_EQ(e.MarcaEcf, "SWEDA");
  EXPECT_EQ(e.NumCaixa, "001");
  TerminalState semArquivo;
  EXPECT_FALSE(LeArquivoConfig(semArquivo, "c:\\kw-velt\\outro.txt"));
}
