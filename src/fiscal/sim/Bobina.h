#pragma once
// The paper tape: what one command prints, 48 columns wide, appended to the
// tape file (bobina.txt, UTF-8) when the command ends.
#include <QString>
#include <QStringList>

namespace ecfsim {

inline constexpr int ColunasBobina = 48;

class Bobina {
 public:
  void linha(const QString &texto = {});  // long texts wrap; "\n" breaks
  void centro(const QString &texto);
  void duas(const QString &esquerda, const QString &direita);
  void traco(QChar c = '-');
  const QStringList &linhas() const { return linhas_; }
  bool vazia() const { return linhas_.isEmpty(); }

 private:
  QStringList linhas_;
};

// Appends the lines to the tape file; false when it cannot be written.
bool AcrescentaBobina(const QString &arquivo, const QStringList &linhas);

}  // namespace ecfsim
