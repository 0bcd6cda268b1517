#include "core/ConfigTerminal.h"

#include <QFile>
#include <QSaveFile>

#include "core/Cp1252.h"
#include "core/Senhap.h"
#include "core/TerminalState.h"
#include "platform/Paths.h"

QList<QByteArray> LinhasArquivoConfig(const QByteArray &conteudo) {
  QList<QByteArray> linhas;
  if (conteudo.contains("\r\n")) {
    linhas = conteudo.split('\n');
    // Re-join pieces whose break was a lone LF (no CR before it).
    QList<QByteArray> juntas;
    QByteArray atual;
    for (qsizetype i = 0; i < linhas.size(); ++i) {
      atual += linhas[i];
      const bool ultimo = i + 1 == linhas.size();
      if (ultimo) break;
      if (atual.endsWith('\r')) {
        atual.chop(1);
        juntas << atual;
        atual.clear();
      } else {
        atual += '\n';
      }
    }
    if (!atual.isEmpty()) juntas << atual;
    return juntas;
  }
  QByteArray normal = conteudo;
  const char separador = normal.contains('\n') ? '\n' : '\r';
  linhas = normal.split(separador);
  if (!linhas.isEmpty() && linhas.last().isEmpty()) linhas.removeLast();
  return linhas;
}

LinhasConfig InterpretaConfig(const QByteArray &conteudo) {
  const QList<QByteArray> l = LinhasArquivoConfig(conteudo);
  auto linha = [&](int n) { return n <= l.size() ? l[n - 1] : QByteArray(); };
  auto tratada = [&](int n) { return cp1252::decode(linha(n)).toUpper().trimmed(); };
  LinhasConfig c;
  c.linha1 = cp1252::decode(linha(1));
  c.conexao = cp1252::decode(linha(2));
  c.usuario = SenhapTexto(linha(3));
  c.senha = SenhapTexto(linha(4));
  c.caixa = tratada(5);
  c.identificacaoEcf = tratada(6);
  c.marcaEcf = tratada(7);
  return c;
}

bool LeArquivoConfig(TerminalState &estado, const QString &caminho) {
  QFile arquivo(platform::hostPath(caminho));
  if (!arquivo.open(QIODevice::ReadOnly)) return false;
  const LinhasConfig c = InterpretaConfig(arquivo.readAll());
  estado.ConfigLinha1 = c.linha1;
  estado.StrConexao = c.conexao;
  estado.UsuarioBanco = c.usuario;
  estado.SenhaBanco = c.senha;
  estado.NumCaixa = c.caixa;
  estado.IdentificacaoEcf = c.identificacaoEcf;
  estado.MarcaEcf = c.marcaEcf;
  return true;
}

bool EscreveArquivoConfig(const QString &caminhoHost, const LinhasConfig &c, QString *erro) {
  const QByteArray usuario = SenhapInversaTexto(c.usuario);
  const QByteArray senha = SenhapInversaTexto(c.senha);
  for (const QByteArray *s : {&usuario, &senha}) {
    if (s->contains("\r\n")) {
      if (erro) *erro = QStringLiteral("A senha ou o usuário embaralhado contém uma quebra de linha; escolha outro texto.");
      return false;
    }
  }
  QByteArray texto;
  for (const QByteArray &l : {cp1252::encode(c.linha1), cp1252::encode(c.conexao), usuario, senha,
                              cp1252::encode(c.caixa), cp1252::encode(c.identificacaoEcf),
                              cp1252::encode(c.marcaEcf)})
    texto += l + "\r\n";
  QSaveFile arquivo(caminhoHost);
  if (!arquivo.open(QIODevice::WriteOnly) || arquivo.write(texto) != texto.size() || !arquivo.commit()) {
    if (erro) *erro = QStringLiteral("Não foi possível gravar %1: %2").arg(caminhoHost, arquivo.errorString());
    return false;
  }
  return true;
}
