#include <gtest/gtest.h>

#include "support/TestSupport.h"

#include <QDate>

#include "core/Database.h"
#include "core/Moeda.h"
#include "core/TerminalState.h"

TEST(MontaSql, DayFirstDateAndWholeNumber) {
  EXPECT_EQ(MontaSql("x=? and y=?", {QString("25/12/2023"), 3}), "x='12/25/2023' and y='3'");
}

TEST(MontaSql, EveryDateShape) {
  EXPECT_EQ(LiteralSql(QString("5/1/2024")), "'01/05/2024'");
  EXPECT_EQ(LiteralSql(QString("15/1/2024")), "'01/15/2024'");
  EXPECT_EQ(LiteralSql(QString("5/11/2024")), "'11/05/2024'");
  EXPECT_EQ(LiteralSql(QString("5/1/24")), "'01/05/2024'");
  EXPECT_EQ(LiteralSql(QString("15/1/99")), "'01/15/1999'");
  EXPECT_EQ(LiteralSql(QString("5/11/24")), "'11/05/2024'");
  EXPECT_EQ(LiteralSql(QDate(2023, 12, 25)), "'12/25/2023'");
  // Not a date shape: a plain text.
  EXPECT_EQ(LiteralSql(QString("25/12/2023 10:00")), "'25/12/2023 10:00'");
  // The shape of a date that does not exist goes as text for the server to refuse.
  EXPECT_EQ(LiteralSql(QString("31/02/2023")), "'31/02/2023'");
}

TEST(MontaSql, DecimalsGoUnquotedWithAPoint) {
  EXPECT_EQ(LiteralSql(1.5), "1.5");
  EXPECT_EQ(LiteralSql(QString("1,5")), "1.5");
  EXPECT_EQ(LiteralSql(QString("1.234,56")), "1234.56");
  EXPECT_EQ(LiteralSql(QVariant::fromValue(Moeda::deCentavos(-1050))), "-10.5");
  EXPECT_EQ(LiteralSql(3.0), "'3'");
  EXPECT_EQ(LiteralSql(QVariant::fromValue(Moeda::deInteiro(7))), "'7'");
  // Commas between digits in a text that is not a number stay a quoted text.
  EXPECT_EQ(LiteralSql(QString("1,2,3")), "'1,2,3'");
}

TEST(MontaSql, NullEmptyAndQuotes) {
  EXPECT_EQ(LiteralSql(QVariant()), "Null");
  EXPECT_EQ(LiteralSql(QString("")), "''");
  EXPECT_EQ(LiteralSql(QString("O'Brien")), "'O''Brien'");
  // Typed text can never end the literal early.
  EXPECT_EQ(MontaSql("Select * From T Where N=?", {QString("x' or '1'='1")}),
            "Select * From T Where N='x'' or ''1''=''1'");
}

TEST(MontaSql, MarkerInsideAValueIsNotAMarker) {
  EXPECT_EQ(MontaSql("a=? and b=?", {QString("why?"), 2}), "a='why?' and b='2'");
  EXPECT_EQ(MontaSql("no markers", {1}), "no markers");
  EXPECT_EQ(MontaSql("a=? and b=?", {1}), "a='1' and b=?");
}

TEST(MontaSql, KeepsAtMost5000CharactersAfterEachMarker) {
  const QString cauda(6000, 'x');
  EXPECT_EQ(MontaSql("?" + cauda, {1}).size(), 3 + 5000);
}

TEST(EscolheConexao, ProviderAndOdbcStrings) {
  TerminalState e;
  e.UsuarioBanco = "SYSDBA";
  e.SenhaBanco = "masterkey";
  QString s = "TIPO=1;DATA SOURCE=/d/kw-velt/dados.fdb;OUTRA=1";
  EscolheConexao(e, s);
  EXPECT_EQ(s, "Provider=ZStyle IBOLE Provider;User=SYSDBA;Password=masterkey;Data Source=/d/kw-velt/dados.fdb");
  e.StrConexao = s;
  // AbreConexao appends the credentials before opening; the open fails here.
  e.StrConexao += "";
  QString odbc = "tipo=2;dbname=srv:/db/velt.fdb";
  EscolheConexao(e, odbc);
  EXPECT_EQ(odbc, "DRIVER=Firebird/InterBase(r) driver;UID=SYSDBA;PWD=masterkey;DBNAME=srv:/db/velt.fdb");
  QString plano = "srv/3051:/db/velt.fdb";
  EscolheConexao(e, plano);
  EXPECT_EQ(plano, "srv/3051:/db/velt.fdb");
}

TEST(EscolheConexao, ConnectionTextsNameTheDatabaseAndCredentials) {
  auto d = InterpretaStringConexao(
      "Provider=ZStyle IBOLE Provider;User=A;Password=B;Data Source=h/3051:/x.fdb;UID=SYSDBA;PWD=pw");
  EXPECT_EQ(d.banco, "h/3051:/x.fdb");
  EXPECT_EQ(d.usuario, "SYSDBA");
  EXPECT_EQ(d.senha, "pw");
  EXPECT_EQ(InterpretaStringConexao("/tmp/a.fdb;UID=u;PWD=p").banco, "/tmp/a.fdb");
}

TEST(SemNulo, NullBecomesEmptyText) {
  EXPECT_EQ(SemNulo(QVariant()).toString(), "");
  EXPECT_EQ(SemNulo(5).toInt(), 5);
}
