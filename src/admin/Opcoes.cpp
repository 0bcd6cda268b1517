#include "admin/Opcoes.h"

std::optional<LinhaComando> LeLinhaComando(const QString &comando, const QStringList &argumentos,
                                           const FormaComando &forma, QString *erro) {
  LinhaComando linha;
  linha.comando = comando;
  for (qsizetype i = 0; i < argumentos.size(); ++i) {
    const QString &arg = argumentos[i];
    if (!arg.startsWith("--")) {
      linha.posicionais << arg;
      continue;
    }
    QString nome = arg.mid(2);
    QString valor;
    bool valorNoArgumento = false;
    if (const qsizetype igual = nome.indexOf('='); igual >= 0) {
      valor = nome.mid(igual + 1);
      nome = nome.left(igual);
      valorNoArgumento = true;
    }
    if (forma.chaves.contains(nome) && !valorNoArgumento) {
      linha.chaves.insert(nome);
    } else if (forma.comValor.contains(nome)) {
      if (!valorNoArgumento) {
        if (i + 1 >= argumentos.size()) {
          *erro = QString("%1: a opção --%2 precisa de um valor.").arg(comando, nome);
          return std::nullopt;
        }
        valor = argumentos[++i];
      }
      linha.valores.insert(nome, valor);
    } else {
      *erro = QString("%1: opção desconhecida --%2.").arg(comando, nome);
      return std::nullopt;
    }
  }
  if (linha.posicionais.size() < forma.minimoPosicionais ||
      linha.posicionais.size() > forma.maximoPosicionais) {
    *erro = QString("%1: número de argumentos inválido (veja pdv-admin --help).").arg(comando);
    return std::nullopt;
  }
  return linha;
}
