#pragma once
// The Windows code page the terminal's files and the printer libraries use.
// The five codes CP1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to
// the C1 control characters of the same value, as Windows does, so every one
// of the 256 codes survives a decode and an encode unchanged.
#include <QByteArray>
#include <QString>

namespace cp1252 {

QString decode(const QByteArray &bytes);
// Characters that CP1252 cannot hold become '?'.
QByteArray encode(const QString &text);
// The text as a CP1252 column stores it: characters the code page cannot
// hold and control characters (NUL, other C0 and C1 codes; tab, CR and LF
// stay) become '?'.
QString armazenavel(const QString &text);
// True when every character survives armazenavel unchanged.
bool ehArmazenavel(const QString &text);
// What a field says of typed text that fails ehArmazenavel.
inline const QString MensagemNaoArmazenavel = QStringLiteral(
    "O texto digitado tem caracteres que o banco de dados não guarda (emoji, letras de outros alfabetos ou "
    "caracteres de controle). Digite só letras, números e sinais comuns.");

}  // namespace cp1252
