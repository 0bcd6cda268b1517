#pragma once
// The fixture of the tests through a Firebird server on 127.0.0.1, started by
// the test script (scripts/test.sh): a demo database made on the server once
// per suite. Skipped when no server was started for the run
// (PDV_TEST_FB_SERVER unset).
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "support/TestSupport.h"

inline QString servidor() { return qEnvironmentVariable("PDV_TEST_FB_SERVER"); }
inline QString senhaSysdba() { return qEnvironmentVariable("PDV_TEST_FB_PASSWORD"); }

class Servidor : public ::testing::Test {
 protected:
  static inline QTemporaryDir *pasta = nullptr;
  static inline QString banco;  // the path on the server's side

  static void SetUpTestSuite() {
    if (servidor().isEmpty()) return;
    pasta = new QTemporaryDir();
    QFile::setPermissions(pasta->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                             QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
    banco = pasta->path() + "/velt.fdb";
    QString saida;
    const int status = testsupport::runBuilt(
        "pdv-admin", {"create-db", servidor() + ":" + banco, "--demo", "--user", "SYSDBA", "--password", senhaSysdba()},
        &saida);
    ASSERT_EQ(status, 0) << saida.toStdString();
  }
  static void TearDownTestSuite() {
    delete pasta;
    pasta = nullptr;
  }
  void SetUp() override {
    if (servidor().isEmpty()) GTEST_SKIP() << "no Firebird server for this run";
  }
  // A desk's connection string, as the configuration gives it after EscolheConexao.
  static QString caixa(const QString &endereco) {
    return "DRIVER=Firebird/InterBase(r) driver;UID=SYSDBA;PWD=" + senhaSysdba() + ";DBNAME=" + endereco + ":" + banco;
  }
};
