#include "fiscal/sim/Bobina.h"

#include <QFile>

namespace ecfsim {

void Bobina::linha(const QString &texto) {
  QString t = texto;
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace('\r', '\n');
  const QStringList partes = t.split('\n');
  for (const QString &parte : partes) {
    QString resto = parte;
    do {
      linhas_ << resto.left(ColunasBobina);
      resto = resto.mid(ColunasBobina);
    } while (!resto.isEmpty());
  }
}

void Bobina::centro(const QString &texto) {
  const QString t = texto.left(ColunasBobina);
  linhas_ << QString((ColunasBobina - t.size()) / 2, ' ') + t;
}

void Bobina::duas(const QString &esquerda, const QString &direita) {
  const int espaco = ColunasBobina - int(esquerda.size()) - int(direita.size());
  if (espaco < 1) {
    linha(esquerda);
    linhas_ << direita.rightJustified(ColunasBobina);
  } else {
    linhas_ << esquerda + QString(espaco, ' ') + direita;
  }
}

void Bobina::traco(QChar c) { linhas_ << QString(ColunasBobina, c); }

bool AcrescentaBobina(const QString &arquivo, const QStringList &linhas) {
  if (linhas.isEmpty()) return true;
  QFile f(arquivo);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
  return f.write((linhas.join('\n') + '\n').toUtf8()) >= 0;
}

}  // namespace ecfsim
