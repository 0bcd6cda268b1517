#include "closing/DiarioVendas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr const char *Extensao = ".venda";
constexpr const char *ExtensaoMotivo = ".motivo.txt";

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

// A name not taken yet in the folder: "name.venda", else "name-2.venda"...
QString nomeLivre(const QString &pasta, const QString &base) {
  QString nome = base + Extensao;
  auto tomado = [&](const QString &n) {
    return QFileInfo::exists(pasta + "/" + n) ||
           QFileInfo::exists(pasta + "/" + QString(n).replace(Extensao, ExtensaoMotivo));
  };
  for (int n = 2; tomado(nome); ++n) nome = base + "-" + QString::number(n) + Extensao;
  return nome;
}

QString semExtensao(const QString &nome) {
  return nome.endsWith(Extensao) ? nome.chopped(int(strlen(Extensao))) : nome;
}

}  // namespace

DiarioVendas::DiarioVendas(QString pasta, QString serie) : pasta_(std::move(pasta)), serie_(serie.trimmed()) {}

QString DiarioVendas::nomeSituacao(Situacao s) {
  switch (s) {
    case Situacao::Fechando: return QStringLiteral("fechando");
    case Situacao::Fechada: return QStringLiteral("fechada");
    case Situacao::Gravada: return QStringLiteral("gravada");
  }
  return {};
}

QString DiarioVendas::nomeArquivo(const VendaFechada &venda) {
  QString nome = venda.chave();
  QString serie = venda.serie.trimmed();
  for (QChar &c : serie)
    if (!c.isLetterOrNumber()) c = '_';
  if (!serie.isEmpty()) nome += "-" + serie;
  return nome + Extensao;
}

VendaFechada DiarioVendas::carimbada(const VendaFechada &venda) const {
  if (!venda.serie.trimmed().isEmpty() || serie_.isEmpty()) return venda;
  VendaFechada v = venda;
  v.serie = serie_;
  return v;
}

QString DiarioVendas::caminho(const VendaFechada &venda, bool gravada) const {
  return pasta_ + (gravada ? QStringLiteral("/") + SubpastaGravadas : QString()) + "/" + nomeArquivo(venda);
}

bool DiarioVendas::escreve(const QString &destino, const Entrada &entrada, QString *erro) const {
  const QString dir = QFileInfo(destino).absolutePath();
  if (!QDir().mkpath(dir)) {
    if (erro) *erro = QStringLiteral("não foi possível criar a pasta ") + dir;
    return false;
  }
  QJsonObject o{{"situacao", nomeSituacao(entrada.situacao)}};
  if (entrada.codigoEmpenho) o["empenho"] = QString::number(entrada.codigoEmpenho);
  if (entrada.liberacaoPendente) o["liberar"] = QString::number(entrada.liberacaoPendente);
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
  e.venda = carimbada(venda);
  return escreve(caminho(e.venda, false), e, erro);
}

bool DiarioVendas::marca(const Entrada &entrada, Situacao situacao, QString *erro) {
  Entrada e = entrada;
  e.situacao = situacao;
  return escreve(entrada.arquivo, e, erro);
}

bool DiarioVendas::marcaGravada(const VendaFechada &venda, qlonglong codigoEmpenho, QString *erro,
                                const QString &arquivo, qlonglong liberarCom, QString *gravadoEm) {
  Entrada e;
  e.situacao = Situacao::Gravada;
  e.venda = arquivo.isEmpty() ? carimbada(venda) : venda;
  e.codigoEmpenho = codigoEmpenho;
  e.liberacaoPendente = liberarCom;
  const QString pendente = arquivo.isEmpty() ? caminho(e.venda, false) : arquivo;
  // gravadas may hold another sale under the same name (entries of older
  // versions have no serial in their names): this one takes a free name.
  const QString pastaGravadas = pasta_ + "/" + SubpastaGravadas;
  QString destino = pastaGravadas + "/" + QFileInfo(pendente).fileName();
  if (QFileInfo::exists(destino)) {
    const auto outra = le(destino);
    if (!outra || !(outra->venda == e.venda))
      destino = pastaGravadas + "/" + nomeLivre(pastaGravadas, semExtensao(QFileInfo(pendente).fileName()));
  }
  // Written in gravadas first: a pending file whose twin is there is known
  // to be recorded even if the removal below never happens.
  if (!escreve(destino, e, erro)) return false;
  if (gravadoEm) *gravadoEm = destino;
  // Its sale is in the database now: the pending file goes.
  QFile::remove(pendente);
  sincronizaPasta(pasta_);
  return true;
}

QList<DiarioVendas::Entrada> DiarioVendas::liberacoesPendentes() const {
  QList<Entrada> r;
  const QDir dir(pasta_ + "/" + SubpastaGravadas);
  for (const QString &nome : dir.entryList({QStringLiteral("*.venda")}, QDir::Files, QDir::Name)) {
    auto e = le(dir.filePath(nome));
    if (e && e->situacao == Situacao::Gravada && e->liberacaoPendente != 0) r << *e;
  }
  return r;
}

bool DiarioVendas::marcaLiberada(const QString &arquivoGravada, QString *erro) {
  auto e = le(arquivoGravada, erro);
  if (!e) return false;
  e->liberacaoPendente = 0;
  return escreve(arquivoGravada, *e, erro);
}

void DiarioVendas::anotaErro(const VendaFechada &venda, const QString &erro, const QString &arquivo) {
  const QString alvo = arquivo.isEmpty() ? caminho(carimbada(venda), false) : arquivo;
  auto e = le(alvo);
  if (!e || e->situacao == Situacao::Gravada) return;
  e->ultimoErro = erro;
  escreve(alvo, *e, nullptr);
}

QString DiarioVendas::moveParaSubpasta(const QString &arquivo, const char *subpasta, const QString &motivo,
                                       QString *erro) {
  const QString destinoPasta = pasta_ + "/" + subpasta;
  if (!QDir().mkpath(destinoPasta)) {
    if (erro) *erro = QStringLiteral("não foi possível criar a pasta ") + destinoPasta;
    return {};
  }
  const QString nome = nomeLivre(destinoPasta, semExtensao(QFileInfo(arquivo).fileName()));
  const QString destino = destinoPasta + "/" + nome;
  // The reason first: a file set aside always says why.
  QFile m(destinoPasta + "/" + semExtensao(nome) + ExtensaoMotivo);
  const QByteArray texto = (motivo + "\nArquivo original: " + arquivo + "\n").toUtf8();
  const bool motivoOk =
      m.open(QIODevice::WriteOnly | QIODevice::Truncate) && m.write(texto) == texto.size() && m.flush();
  m.close();
  if (!motivoOk ||
      ::rename(QFile::encodeName(arquivo).constData(), QFile::encodeName(destino).constData()) != 0) {
    if (erro) *erro = QStringLiteral("não foi possível mover ") + arquivo + QStringLiteral(" para ") + destinoPasta;
    if (!QFileInfo::exists(destino)) QFile::remove(m.fileName());
    return {};
  }
  sincronizaPasta(destinoPasta);
  sincronizaPasta(pasta_);
  return destino;
}

void DiarioVendas::descarta(const VendaFechada &venda, const QString &motivo) {
  const QString porque = motivo.isEmpty() ? QStringLiteral("O cupom %1 foi cancelado.").arg(venda.cupom) : motivo;
  QString arquivo = caminho(carimbada(venda), false);
  if (!QFileInfo::exists(arquivo)) {
    // An entry of an older version, named without the serial.
    VendaFechada semSerie = venda;
    semSerie.serie.clear();
    arquivo = caminho(semSerie, false);
    const auto e = le(arquivo);
    if (!e || e->venda.cupom != venda.cupom || e->venda.data != venda.data || !e->venda.serie.isEmpty()) return;
  }
  moveParaSubpasta(arquivo, SubpastaCanceladas, porque, nullptr);
}

void DiarioVendas::descarta(const Entrada &entrada, const QString &motivo) {
  moveParaSubpasta(entrada.arquivo, SubpastaCanceladas, motivo, nullptr);
}

QString DiarioVendas::separa(const QString &arquivo, const QString &motivo, QString *erro) {
  return moveParaSubpasta(arquivo, SubpastaRecusadas, motivo, erro);
}

int DiarioVendas::quantasSeparadas() const {
  return static_cast<int>(
      QDir(pasta_ + "/" + SubpastaRecusadas).entryList({QStringLiteral("*") + Extensao}, QDir::Files).size());
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
  // Entries of older versions have no "liberar": their release was started
  // right after they were marked.
  e.liberacaoPendente = o.value("liberar").toString().toLongLong();
  e.ultimoErro = o.value("ultimoErro").toString();
  return e;
}

DiarioVendas::Exame DiarioVendas::examina() const {
  Exame r;
  const QDir dir(pasta_);
  const QString gravadas = pasta_ + "/" + SubpastaGravadas + "/";
  // The recorded entry of a sale, when gravadas has it under that name.
  auto gravadaComo = [&](const QString &nome, const VendaFechada &venda) {
    if (!QFile::exists(gravadas + nome)) return false;
    const auto g = le(gravadas + nome);
    return g && g->venda == venda;
  };
  for (const QString &nome : dir.entryList({QStringLiteral("*") + Extensao}, QDir::Files, QDir::Name)) {
    const QString arquivo = dir.filePath(nome);
    QString erro;
    auto e = le(arquivo, &erro);
    if (!e) {
      r.ilegiveis << arquivo + ": " + erro;
      continue;
    }
    const QString proprio = nomeArquivo(e->venda);
    if (e->situacao == Situacao::Gravada) {
      r.copias << Separada{arquivo, QStringLiteral("Cópia de uma venda já gravada no banco de dados (cupom %1): não "
                                                   "é uma venda a gravar.")
                                        .arg(e->venda.cupom)};
      continue;
    }
    // Recorded already: the journal's own file whose removal did not
    // happen, or a copy of it under another name.
    if (gravadaComo(nome, e->venda) || (nome != proprio && gravadaComo(proprio, e->venda))) {
      if (nome == proprio || gravadaComo(nome, e->venda)) r.jaGravadas << arquivo;
      else
        r.copias << Separada{arquivo, QStringLiteral("Cópia de uma venda já gravada no banco de dados (cupom %1, "
                                                     "gravadas/%2).")
                                          .arg(e->venda.cupom)
                                          .arg(proprio)};
      continue;
    }
    r.pendentes << *e;
  }
  // The same sale twice (a file copied within the folder): the one under
  // its own name stays, else the first.
  QList<Entrada> unicas;
  for (const Entrada &e : r.pendentes) {
    auto mesma = std::find_if(unicas.begin(), unicas.end(), [&](const Entrada &u) { return u.venda == e.venda; });
    if (mesma == unicas.end()) {
      unicas << e;
      continue;
    }
    Entrada copia = e;
    if (QFileInfo(e.arquivo).fileName() == nomeArquivo(e.venda)) std::swap(copia, *mesma);
    r.copias << Separada{copia.arquivo, QStringLiteral("Cópia da venda do cupom %1 (%2): a venda é gravada uma vez, "
                                                       "pelo outro arquivo.")
                                            .arg(copia.venda.cupom)
                                            .arg(QFileInfo(mesma->arquivo).fileName())};
  }
  r.pendentes = unicas;
  std::sort(r.pendentes.begin(), r.pendentes.end(), [](const Entrada &a, const Entrada &b) {
    return std::tie(a.venda.data, a.venda.cupom, a.arquivo) < std::tie(b.venda.data, b.venda.cupom, b.arquivo);
  });
  return r;
}

QList<DiarioVendas::Entrada> DiarioVendas::pendentes(QStringList *ilegiveis) const {
  Exame r = examina();
  if (ilegiveis) *ilegiveis = r.ilegiveis;
  return r.pendentes;
}

QList<DiarioVendas::Separada> DiarioVendas::organiza() {
  const Exame r = examina();
  for (const QString &arquivo : r.jaGravadas) QFile::remove(arquivo);
  if (!r.jaGravadas.isEmpty()) sincronizaPasta(pasta_);
  QList<Separada> separadas;
  for (const Separada &c : r.copias) {
    const QString destino = separa(c.arquivo, c.motivo);
    if (!destino.isEmpty()) separadas << Separada{destino, c.motivo};
  }
  return separadas;
}

void DiarioVendas::limpaGravadas(const QDate &hoje) const {
  QDir dir(pasta_ + "/" + SubpastaGravadas);
  const QDateTime limite(hoje.addDays(-DiasGuardadas), QTime(0, 0));
  for (const QFileInfo &f : dir.entryInfoList({QStringLiteral("*") + Extensao}, QDir::Files))
    if (f.lastModified() < limite) QFile::remove(f.absoluteFilePath());
}
