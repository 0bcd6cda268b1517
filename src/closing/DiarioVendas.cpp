#include "closing/DiarioVendas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace {

constexpr const char *Extensao = ".venda";
constexpr const char *SubpastaGravadas = "gravadas";

bool sincronizaPasta(const QString &pasta) {
#ifdef Q_OS_UNIX
  const int fd = ::open(QFile::encodeName(pasta).constData(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
#else
  Q_UNUSED(pasta);
  return true;
#endif
}

}  // namespace

DiarioVendas::DiarioVendas(QString pasta) : pasta_(std::move(pasta)) {}

QString DiarioVendas::nomeSituacao(Situacao s) {
  switch (s) {
    case Situacao::Fechando: return QStringLiteral("fechando");
    case Situacao::Fechada: return QStringLiteral("fechada");
    case Situacao::Gravada: return QStringLiteral("gravada");
  }
  return {};
}

QString DiarioVendas::caminho(const QString &chave, bool gravada) const {
  return pasta_ + (gravada ? QStringLiteral("/") + SubpastaGravadas : QString()) + "/" + chave + Extensao;
}

bool DiarioVendas::escreve(const QString &destino, const Entrada &entrada, QString *erro) const {
  const QString dir = QFileInfo(destino).absolutePath();
  if (!QDir().mkpath(dir)) {
    if (erro) *erro = QStringLiteral("não foi possível criar a pasta ") + dir;
    return false;
  }
  QJsonObject o{{"situacao", nomeSituacao(entrada.situacao)}};
  if (entrada.codigoEmpenho) o["empenho"] = QString::number(entrada.codigoEmpenho);
  if (!entrada.ultimoErro.isEmpty()) o["ultimoErro"] = entrada.ultimoErro;
  // A sale is written three times (closing, closed, recorded): its own text
  // is made once and the small state around it each time.
  if (!(vendaEmCache_ == entrada.venda) || jsonEmCache_.isEmpty()) {
    vendaEmCache_ = entrada.venda;
    jsonEmCache_ = QJsonDocument(entrada.venda.paraJson()).toJson(QJsonDocument::Compact);
  }
  QByteArray conteudo = QJsonDocument(o).toJson(QJsonDocument::Compact);
  conteudo.chop(1);  // the closing brace
  conteudo += ",\"venda\":" + jsonEmCache_ + "}";
  const QString temporario = destino + ".tmp";
  QFile f(temporario);
  bool ok = f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(conteudo) == conteudo.size() && f.flush();
#ifdef Q_OS_UNIX
  ok = ok && ::fsync(f.handle()) == 0;
#endif
  const QString porque = f.errorString();
  f.close();
  // rename() replaces the old file in one step: a reader sees the old
  // content or the new one, never half of either.
  ok = ok && ::rename(QFile::encodeName(temporario).constData(), QFile::encodeName(destino).constData()) == 0;
  ok = ok && sincronizaPasta(dir);
  if (!ok) {
    QFile::remove(temporario);
    if (erro) *erro = QStringLiteral("não foi possível gravar ") + destino + ": " + porque;
  }
  return ok;
}

bool DiarioVendas::grava(const VendaFechada &venda, Situacao situacao, QString *erro) {
  Entrada e;
  e.situacao = situacao;
  e.venda = venda;
  return escreve(caminho(venda.chave(), false), e, erro);
}

bool DiarioVendas::marcaGravada(const VendaFechada &venda, qlonglong codigoEmpenho, QString *erro) {
  Entrada e;
  e.situacao = Situacao::Gravada;
  e.venda = venda;
  e.codigoEmpenho = codigoEmpenho;
  // Written in gravadas first: a pending file whose twin is there is known
  // to be recorded even if the removal below never happens.
  if (!escreve(caminho(venda.chave(), true), e, erro)) return false;
  QFile::remove(caminho(venda.chave(), false));
  sincronizaPasta(pasta_);
  return true;
}

void DiarioVendas::anotaErro(const VendaFechada &venda, const QString &erro) {
  const QString arquivo = caminho(venda.chave(), false);
  auto e = le(arquivo);
  if (!e || e->situacao == Situacao::Gravada) return;
  e->ultimoErro = erro;
  escreve(arquivo, *e, nullptr);
}

void DiarioVendas::descarta(const VendaFechada &venda) { descarta(venda.chave()); }

void DiarioVendas::descarta(const QString &chave) {
  if (QFile::remove(caminho(chave, false))) sincronizaPasta(pasta_);
}

std::optional<DiarioVendas::Entrada> DiarioVendas::le(const QString &arquivo, QString *erro) const {
  QFile f(arquivo);
  if (!f.open(QIODevice::ReadOnly)) {
    if (erro) *erro = f.errorString();
    return std::nullopt;
  }
  QJsonParseError pe;
  const QJsonDocument d = QJsonDocument::fromJson(f.readAll(), &pe);
  if (!d.isObject()) {
    if (erro) *erro = pe.errorString();
    return std::nullopt;
  }
  const QJsonObject o = d.object();
  Entrada e;
  e.arquivo = arquivo;
  const QString s = o.value("situacao").toString();
  if (s == nomeSituacao(Situacao::Fechando)) e.situacao = Situacao::Fechando;
  else if (s == nomeSituacao(Situacao::Fechada)) e.situacao = Situacao::Fechada;
  else if (s == nomeSituacao(Situacao::Gravada)) e.situacao = Situacao::Gravada;
  else {
    if (erro) *erro = QStringLiteral("situação desconhecida \"%1\"").arg(s);
    return std::nullopt;
  }
  auto venda = VendaFechada::deJson(o.value("venda").toObject(), erro);
  if (!venda) return std::nullopt;
  e.venda = *venda;
  e.codigoEmpenho = o.value("empenho").toString().toLongLong();
  e.ultimoErro = o.value("ultimoErro").toString();
  return e;
}

QList<DiarioVendas::Entrada> DiarioVendas::pendentes(QStringList *ilegiveis) const {
  QList<Entrada> r;
  const QDir dir(pasta_);
  const QString gravadas = pasta_ + "/" + SubpastaGravadas + "/";
  for (const QString &nome : dir.entryList({QStringLiteral("*") + Extensao}, QDir::Files, QDir::Name)) {
    const QString arquivo = dir.filePath(nome);
    // Recorded already: the removal of the pending file did not happen.
    if (QFile::exists(gravadas + nome)) {
      QFile::remove(arquivo);
      continue;
    }
    QString erro;
    auto e = le(arquivo, &erro);
    if (!e || e->situacao == Situacao::Gravada) {
      if (!e && ilegiveis) *ilegiveis << arquivo + ": " + erro;
      continue;
    }
    r << *e;
  }
  std::sort(r.begin(), r.end(), [](const Entrada &a, const Entrada &b) {
    return std::tie(a.venda.data, a.venda.cupom) < std::tie(b.venda.data, b.venda.cupom);
  });
  return r;
}

void DiarioVendas::limpaGravadas(const QDate &hoje) const {
  QDir dir(pasta_ + "/" + SubpastaGravadas);
  const QDateTime limite(hoje.addDays(-DiasGuardadas), QTime(0, 0));
  for (const QFileInfo &f : dir.entryInfoList({QStringLiteral("*") + Extensao}, QDir::Files))
    if (f.lastModified() < limite) QFile::remove(f.absoluteFilePath());
}
