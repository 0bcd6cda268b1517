#include "fiscal/sim/Controle.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <set>

namespace ecfsim {

namespace {

const QString VariavelFalhas = QStringLiteral("PDV_ECF_SIM_FALHAS");

// Entries of the variable already used in this process ("once" entries).
std::set<QString> &usadasDoAmbiente() {
  static std::set<QString> usadas;
  return usadas;
}

std::optional<int64_t> leDeslocamento(const QString &texto) {
  static const QRegularExpression forma(R"(^([+-]?)(\d+)([dhms]?)$)");
  const auto m = forma.match(texto);
  if (!m.hasMatch()) return std::nullopt;
  int64_t n = m.captured(2).toLongLong();
  const QString unidade = m.captured(3);
  if (unidade == QLatin1String("d")) n *= 86400;
  else if (unidade == QLatin1String("h")) n *= 3600;
  else if (unidade == QLatin1String("m")) n *= 60;
  return m.captured(1) == QLatin1String("-") ? -n : n;
}

bool interpreta(const QStringList &p, Controle &c, RetornoForcado &forcado) {
  const QString chave = p[0].toLower();
  bool ok = true;
  if (chave == QLatin1String("desligada") && p.size() == 1) c.desligada = true;
  else if (chave == QLatin1String("st1") && p.size() == 2) c.st1 |= p[1].toInt(&ok) & 0xFF;
  else if (chave == QLatin1String("st2") && p.size() == 2) c.st2 |= p[1].toInt(&ok) & 0xFF;
  else if (chave == QLatin1String("ack") && p.size() == 2) c.ack = p[1].toInt(&ok);
  else if (chave == QLatin1String("baud") && p.size() == 2) c.baud = p[1].toInt(&ok);
  else if (chave == QLatin1String("papel") && p.size() == 2 && p[1] == QLatin1String("pouco")) c.papel = Papel::Pouco;
  else if (chave == QLatin1String("papel") && p.size() == 2 && p[1] == QLatin1String("fim")) c.papel = Papel::Fim;
  else if (chave == QLatin1String("relogio") && p.size() == 2 && p[1].contains('T')) {
    c.relogioFixo = QDateTime::fromString(p[1], Qt::ISODate);
    ok = c.relogioFixo.isValid();
  } else if (chave == QLatin1String("relogio") && p.size() == 2) {
    const auto d = leDeslocamento(p[1]);
    if (d) c.deslocamentoSegundos += *d;
    ok = d.has_value();
  } else if (chave == QLatin1String("retorno") && (p.size() == 3 || (p.size() == 4 && p[3] == QLatin1String("sempre")))) {
    forcado.funcao = p[1];
    forcado.valor = p[2].toInt(&ok);
    forcado.sempre = p.size() == 4;
    if (ok) c.retornos.append(forcado);
  } else
    ok = false;
  return ok;
}

QString semPrefixo(QString funcao) {
  for (const char *prefixo : {"Bematech_FI_", "ECF_"})
    if (funcao.startsWith(QLatin1String(prefixo))) return funcao.mid(int(qstrlen(prefixo)));
  return funcao;
}

void comentaLinhaUsada(const QString &pasta, int linha) {
  const QString caminho = pasta + '/' + ArquivoControle;
  QFile f(caminho);
  if (!f.open(QIODevice::ReadOnly)) return;
  QStringList linhas = QString::fromUtf8(f.readAll()).split('\n');
  f.close();
  if (linha < 0 || linha >= linhas.size()) return;
  linhas[linha] = QStringLiteral("# usada: ") + linhas[linha];
  QSaveFile s(caminho);
  if (s.open(QIODevice::WriteOnly)) {
    s.write(linhas.join('\n').toUtf8());
    s.commit();
  }
}

}  // namespace

QDateTime Controle::agora() const {
  return (relogioFixo.isValid() ? relogioFixo : QDateTime::currentDateTime()).addSecs(deslocamentoSegundos);
}

void InterpretaLinhas(const QStringList &linhas, bool doAmbiente, Controle &c) {
  for (int i = 0; i < linhas.size(); ++i) {
    const QString linha = linhas[i].section('#', 0, 0).simplified();
    if (linha.isEmpty()) continue;
    RetornoForcado forcado;
    forcado.doAmbiente = doAmbiente;
    forcado.linha = i;
    if (doAmbiente && usadasDoAmbiente().count(QString::number(i) + linha)) continue;
    if (!interpreta(linha.split(' '), c, forcado)) c.naoEntendidas << linhas[i];
  }
}

Controle LeControle(const QString &pasta) {
  Controle c;
  QFile f(pasta + '/' + ArquivoControle);
  if (f.open(QIODevice::ReadOnly)) InterpretaLinhas(QString::fromUtf8(f.readAll()).split('\n'), false, c);
  const QString ambiente = qEnvironmentVariable(VariavelFalhas.toLatin1().constData());
  if (!ambiente.isEmpty()) InterpretaLinhas(ambiente.split(';'), true, c);
  return c;
}

std::optional<int> ConsomeRetorno(Controle &c, const QString &pasta, const QString &funcao) {
  for (int i = 0; i < c.retornos.size(); ++i) {
    const RetornoForcado r = c.retornos[i];
    if (semPrefixo(r.funcao).compare(funcao, Qt::CaseInsensitive) != 0) continue;
    if (!r.sempre) {
      c.retornos.removeAt(i);
      if (r.doAmbiente) {
        const QStringList entradas = qEnvironmentVariable(VariavelFalhas.toLatin1().constData()).split(';');
        usadasDoAmbiente().insert(QString::number(r.linha) + entradas.value(r.linha).section('#', 0, 0).simplified());
      } else {
        comentaLinhaUsada(pasta, r.linha);
      }
    }
    return r.valor;
  }
  return std::nullopt;
}

}  // namespace ecfsim
