#include <gtest/gtest.h>

#include "support/TestSupport.h"

#include <QDate>

#include "core/Database.h"
#include "core/Moeda.h"
#include "core/TerminalState.h"

// Each value as the statement text carries it.
TEST(MontaSql, LiteralsByTable) {
  const std::pair<QVariant, const char *> casos[] = {
      // Day-first dates of every shape go month first.
      {QString("5/1/2024"), "'01/05/2024'"}, {QString("15/1/2024"), "'01/15/2024'"},
      {QString("5/11/2024"), "'11/05/2024'"}, {QString("5/1/24"), "'01/05/2024'"},
      {QString("15/1/99"), "'01/15/1999'"}, {QString("5/11/24"), "'11/05/2024'"},
      {QDate(2023, 12, 25), "'12/25/2023'"},
      // Not a date shape, or a date that does not exist: a text for the server to refuse.
      {QString("25/12/2023 10:00"), "'25/12/2023 10:00'"}, {QString("31/02/2023"), "'31/02/2023'"},
      // Decimals go unquoted with a point; whole numbers quoted.
      {1.5, "1.5"}, {QString("1,5"), "1.5"}, {QString("1.234,56"), "1234.56"},
      {QVariant::fromValue(Moeda::deCentavos(-1050)), "-10.5"}, {3.0, "'3'"},
      {QVariant::fromValue(Moeda::deInteiro(7)), "'7'"},
      // Commas between digits in a text that is not a number stay a quoted text.
      {QString("1,2,3"), "'1,2,3'"},
      {QVariant(), "Null"}, {QString(""), "''"}, {QString("O'Brien"), "'O''Brien'"},
  };
  for (const auto &[valor, literal] : casos) EXPECT_EQ(LiteralSql(valor), literal) << valor.toString().toStdString();
}

TEST(MontaSql, MarkersTakeTheValuesInOrderAndAValueCannotEndItsLiteral) {
  EXPECT_EQ(MontaSql("x=? and y=?", {QString("25/12/2023"), 3}), "x='12/25/2023' and y='3'");
  EXPECT_EQ(MontaSql("Select * From T Where N=?", {QString("x' or '1'='1")}),
            "Select * From T Where N='x'' or ''1''=''1'");
  // A marker inside a value is not a marker; markers without a value stay.
  EXPECT_EQ(MontaSql("a=? and b=?", {QString("why?"), 2}), "a='why?' and b='2'");
  EXPECT_EQ(MontaSql("no markers", {1}), "no markers");
  EXPECT_EQ(MontaSql("a=? and b=?", {1}), "a='1' and b=?");
  // At most 5000 characters are kept after each marker.
  EXPECT_EQ(MontaSql("?" + QString(6000, 'x'), {1}).size(), 3 + 5000);
}

TEST(EscolheConexao, ProviderAndOdbcStrings) {
  TerminalState e;
  e.UsuarioBanco = "SYSDBA";
  e.SenhaBanco = "masterkey";
  QString s = "TIPO=1;DATA SOURCE=/d/kw-velt/dados.fdb;OUTRA=1";
  EscolheConexao(e, s);
  EXPECT_EQ(s, "Provider=ZStyle IBOLE Provider;User=SYSDBA;Password=masterkey;Data Source=/d/kw-velt/dados.fdb");
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
