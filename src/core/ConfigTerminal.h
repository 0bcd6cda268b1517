#pragma once
// The terminal configuration file "c:\kw-velt\default.txt": seven lines of
// 8-bit Windows code page text.
#include <QByteArray>
#include <QList>
#include <QString>

struct TerminalState;

inline constexpr const char *ArquivoConfigTerminal = "c:\\kw-velt\\default.txt";

struct LinhasConfig {
  QString linha1, conexao, usuario, senha, caixa, identificacaoEcf, marcaEcf;
};

// Splits the file into lines. CR LF ends a line; a file without any CR LF is
// split at LF (or lone CR). Inside a CR LF file a lone CR or LF is data: a
// scrambled line may hold any code.
QList<QByteArray> LinhasArquivoConfig(const QByteArray &conteudo);

// Reads the seven lines with their treatments. Missing lines stay empty.
LinhasConfig InterpretaConfig(const QByteArray &conteudo);

// Reads the file at its program path into the state; returns false (state
// untouched) when the file cannot be read.
bool LeArquivoConfig(TerminalState &estado, const QString &caminho = ArquivoConfigTerminal);

// Writes a configuration file (admin tool). Lines 3 and 4 are scrambled here.
// Fails with a message when a scrambled line would hold the CR LF pair, which
// no reader could tell from a line end.
bool EscreveArquivoConfig(const QString &caminhoHost, const LinhasConfig &linhas, QString *erro);
