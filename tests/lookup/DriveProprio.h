#pragma once
// A demo drive of one test's own: its database may be slowed down, renamed
// away or cut off without touching the drive the other tests share.
#include <gtest/gtest.h>

#include <QFile>

#include "core/ConfigTerminal.h"
#include "core/Database.h"
#include "support/TestSupport.h"

namespace testsupport {

class DriveProprio {
 public:
  DriveProprio() {
    QString saida;
    const int status = runBuilt("pdv-admin", {"init-drive", drive_.root(), "--demo"}, &saida);
    if (status != 0) ADD_FAILURE() << "pdv-admin init-drive failed: " << saida.toStdString();
    TerminalState e;
    LeArquivoConfig(e);
    EscolheConexao(e, e.StrConexao);
    stringConexao_ = e.StrConexao + ";UID=" + e.UsuarioBanco + ";PWD=" + e.SenhaBanco;
  }
  QString banco() const { return drive_.path("kw-velt/dados.fdb"); }
  QString raiz() const { return drive_.root(); }
  // The embedded connection string of its database, credentials included.
  const QString &stringConexao() const { return stringConexao_; }
  // The state's connection on this drive's database, as the start-up opens it.
  void conecta(TerminalState &estado) const {
    LeArquivoConfig(estado);
    EscolheConexao(estado, estado.StrConexao);
    AbreConexao(estado);
  }
  void executa(const QString &sql) const {
    ConexaoBanco c;
    c.abre(stringConexao_);
    c.executa(sql);
  }
  // The product search of active products (F9) takes seconds to give its
  // first row: every product is weighed against 120,000 combined rows (with
  // `outra` a smaller system table, and `filtro` a condition on its rows "b",
  // fewer: a statement that ends within the bound of a call however loaded
  // the machine).
  void produtosAtivosLentos(const QString &outra = "RDB$FIELDS", const QString &filtro = {}) const {
    executa(
        "CREATE OR ALTER VIEW PROFAB_ATIVO (CodPro, CdiPro, EanPro, Descricao, NomFab, AtuEst, PenVEst, ValPre1, "
        "Ativo, DscPro) AS SELECT p.CodPro, p.CdiPro, p.EanPro, p.NomPro, '', p.AtuEst, p.PenVEst, p.ValPre1, "
        "CAST('ATIVO' AS VARCHAR(8)), p.DscPro FROM TB_EST_CADPRO p "
        "WHERE p.AtvPro = 1 AND (SELECT COUNT(*) FROM RDB$FIELDS a, " + outra +
        " b WHERE a.RDB$FIELD_NAME <> p.NomPro" + filtro + ") > 0");
  }

 private:
  TempDrive drive_;  // PDV_DRIVE while it lives
  QString stringConexao_;
};

}  // namespace testsupport
