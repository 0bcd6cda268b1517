#pragma once
// Creating a database for the cash desks and running the db/ scripts on it.
#include <QString>
#include <QStringList>
#include <functional>

class ConexaoBanco;

// Where a database is: a local file (embedded engine, no server) or a file on
// a Firebird server ("host:path", "host/port:path"), with the credentials.
struct AlvoBanco {
  QString banco;
  QString usuario = "SYSDBA";
  QString senha = "masterkey";
};

// True for "host:path" and "host/port:path" (a drive letter "c:\..." is local).
bool EhBancoEmServidor(const QString &banco);

// The connection string the core connection understands.
QString StringConexaoDe(const AlvoBanco &alvo);

// CREATE DATABASE through the Firebird client: page size 8192, default
// character set WIN1252. A local target must not exist yet; its folder is
// created. Returns false with the server's message in *erro.
bool CriaBancoVazio(const AlvoBanco &alvo, QString *erro);

// Drops a database (a server's or a local file) as its owner or SYSDBA.
// Returns false with the server's message in *erro.
bool ApagaBanco(const AlvoBanco &alvo, QString *erro);

// The text of a script shipped with the program ("schema.sql", "demo.sql").
QString TextoScript(const QString &nome);

// Runs every statement of the script, each committed on its own. Throws
// ErroBanco naming the statement that failed.
int AplicaScript(ConexaoBanco &conexao, const QString &script);

// Everything create-db and init-drive do to a database.
struct PedidoBanco {
  AlvoBanco alvo;
  bool demo = false;
  qint64 produtosExtras = 0;
};

// Creates the database, runs the schema and, when asked, the demo and the
// generated catalogue. Progress lines go to *relato. Returns false with *erro.
bool MontaBanco(const PedidoBanco &pedido, const std::function<void(const QString &)> &relato,
                QString *erro);
