#include <gtest/gtest.h>

#include "admin/BancoAdmin.h"
#include "admin/ScriptSql.h"

TEST(DivideScriptSql, SplitsOnlyAtTerminatorsOutsideTextsAndComments) {
  const QString script =
      "-- a comment; with a semicolon\n"
      "CREATE TABLE T (A VARCHAR(10));\n"
      "INSERT INTO T VALUES ('a;b');  /* block; comment */\n"
      "INSERT INTO T VALUES ('O''Brien;');\n"
      "SELECT \"odd;name\" FROM T";
  const QStringList comandos = DivideScriptSql(script);
  ASSERT_EQ(comandos.size(), 4);
  EXPECT_EQ(comandos[0], "CREATE TABLE T (A VARCHAR(10))");
  EXPECT_EQ(comandos[1], "INSERT INTO T VALUES ('a;b')");
  EXPECT_EQ(comandos[2], "INSERT INTO T VALUES ('O''Brien;')");
  EXPECT_EQ(comandos[3], "SELECT \"odd;name\" FROM T");
}

TEST(DivideScriptSql, SetTermChangesTheTerminatorForProcedureBodies) {
  const QString script =
      "SET TERM ^ ;\n"
      "CREATE TRIGGER X FOR T BEFORE INSERT AS BEGIN NEW.A = 'x'; END^\n"
      "SET TERM ; ^\n"
      "INSERT INTO T VALUES ('y');\n";
  const QStringList comandos = DivideScriptSql(script);
  ASSERT_EQ(comandos.size(), 2);
  EXPECT_EQ(comandos[0], "CREATE TRIGGER X FOR T BEFORE INSERT AS BEGIN NEW.A = 'x'; END");
  EXPECT_EQ(comandos[1], "INSERT INTO T VALUES ('y')");
}

TEST(DivideScriptSql, EmptyPiecesAndCommentOnlyScriptsGiveNothing) {
  EXPECT_TRUE(DivideScriptSql(" ;; -- only a comment\n /* and another */ ;").isEmpty());
}

TEST(ScriptsShipped, SchemaAndDemoAreBuiltIntoTheProgram) {
  const QStringList schema = DivideScriptSql(TextoScript("schema.sql"));
  EXPECT_GT(schema.size(), 40);
  for (const QString &c : schema) EXPECT_TRUE(c.startsWith("CREATE")) << c.left(60).toStdString();
  // The demo keeps its accents (the script is UTF-8).
  EXPECT_TRUE(TextoScript("demo.sql").contains(QString::fromUtf8("MERCEARIA BOA ESPERANÇA")));
  EXPECT_TRUE(TextoScript("nao-existe.sql").isEmpty());
}

TEST(EhBancoEmServidor, TellsServerTargetsFromLocalFiles) {
  EXPECT_TRUE(EhBancoEmServidor("localhost:/var/lib/firebird/pdv.fdb"));
  EXPECT_TRUE(EhBancoEmServidor("192.168.0.10/3051:/dados/pdv.fdb"));
  EXPECT_TRUE(EhBancoEmServidor("servidor:C:\\dados\\pdv.fdb"));
  EXPECT_FALSE(EhBancoEmServidor("/tmp/pdv.fdb"));
  EXPECT_FALSE(EhBancoEmServidor("c:\\kw-velt\\dados.fdb"));
  EXPECT_FALSE(EhBancoEmServidor("dados.fdb"));
}
