#pragma once
// Credential scrambling of the configuration file's lines 3 and 4 and of the
// operators' password column. The terminal only decodes; the inverse is for
// the admin tool that writes them.
#include <QByteArray>
#include <QString>

// Stored 8-bit text -> plain 8-bit text.
QByteArray Senhap(const QByteArray &stored);
// Plain 8-bit text -> stored 8-bit text (Senhap(SenhapInversa(p)) == p).
QByteArray SenhapInversa(const QByteArray &plain);

// The same through the Windows code page, for texts the program holds as QString.
QString SenhapTexto(const QByteArray &stored);
QByteArray SenhapInversaTexto(const QString &plain);
