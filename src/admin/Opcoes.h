#pragma once
// The command line of pdv-admin: a command, its positional arguments and its
// "--name value" options and "--flag" switches.
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

struct LinhaComando {
  QString comando;
  QStringList posicionais;
  QMap<QString, QString> valores;  // "--user SYSDBA" -> valores["user"]
  QSet<QString> chaves;            // "--demo" -> chaves has "demo"

  bool tem(const QString &chave) const { return chaves.contains(chave); }
  QString valor(const QString &nome, const QString &padrao = {}) const {
    return valores.value(nome, padrao);
  }
  std::optional<QString> valorOpcional(const QString &nome) const {
    if (!valores.contains(nome)) return std::nullopt;
    return valores.value(nome);
  }
};

// What one command accepts: options that take a value and plain switches.
struct FormaComando {
  QSet<QString> comValor;
  QSet<QString> chaves;
  int minimoPosicionais = 0;
  int maximoPosicionais = 0;
};

// Reads the arguments after the command name. Returns nullopt with a message
// in *erro for an unknown option, a missing value or a wrong argument count.
std::optional<LinhaComando> LeLinhaComando(const QString &comando, const QStringList &argumentos,
                                           const FormaComando &forma, QString *erro);
