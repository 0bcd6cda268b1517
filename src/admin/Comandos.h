#pragma once
// The commands of pdv-admin. Each returns the program's exit code:
// 0 done, 1 failed, 2 bad command line.
#include <QStringList>
#include <QTextStream>

inline constexpr int SaidaOk = 0;
inline constexpr int SaidaFalha = 1;
inline constexpr int SaidaUso = 2;

// Runs "pdv-admin <argumentos>"; messages go to saida (normal) and erros.
int ExecutaAdmin(const QStringList &argumentos, QTextStream &saida, QTextStream &erros);

// The text of --help.
QString TextoAjuda();
