#pragma once
// The database user the cash desks log in with: a server user of its own,
// never SYSDBA or the database's owner, holding only the rights a desk's
// statements need (read the catalogue and the shop's registers; write the
// sales, the pending stock, the logs).
#include <QList>
#include <QString>
#include <QStringList>

class ConexaoBanco;

// One GRANT: the rights on one table, view or generator.
struct PermissaoCaixa {
  QString direitos;  // "SELECT, INSERT", "UPDATE (PenVEst)", "USAGE"
  QString objeto;    // "TB_VDA_CADEPN", "SEQUENCE NUMEPN"
  // A table whose rows the desk's local copy holds (what a sale reads).
  bool copiada = false;
};

// Everything a desk is granted, in the order it is granted.
const QList<PermissaoCaixa> &PermissoesCaixa();

// Why `nome` cannot be the desks' user ("" when it can): a plain name of
// letters, digits and "_" starting with a letter (it is written unquoted
// into CREATE USER and GRANT, so the server keeps it in capitals and a desk
// logs in with it in any case), at most 31 characters, neither SYSDBA nor
// PUBLIC nor `dono` (the user that owns the database).
QString NomeUsuarioCaixaInvalido(const QString &nome, const QString &dono);

// Why `senha` cannot be the desks' password ("" when it can): not empty,
// no ";" (the separator of the desks' connection text), no control
// characters (the configuration file is read line by line).
QString SenhaUsuarioCaixaInvalida(const QString &senha);

// Creates the user on the server's security database, or sets the password
// of the one that exists (*jaExistia tells which), then grants it the desks'
// rights in the database of `conexao`, which must be open as an administrator
// of the server (SYSDBA). Throws ErroBanco.
void PreparaUsuarioCaixa(ConexaoBanco &conexao, const QString &nome, const QString &senha, bool *jaExistia);
