#include "sale/EstoqueCupom.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QThread>
#include <cstdlib>

#include "core/Database.h"
#include "core/EstoquePendente.h"
#include "core/TerminalState.h"

const ItemEstoque *EstoqueCupom::item(int numero) const {
  for (const ItemEstoque &i : itens)
    if (i.item == numero) return &i;
  return nullptr;
}

QList<ItemEstoque> EstoqueCupom::levantados() const {
  QList<ItemEstoque> r;
  for (const ItemEstoque &i : itens)
    if (!i.devido) r << i;
  return r + devolucoesDevidas;
}


bool GravaEstoqueCupom(const QString &arquivo, const EstoqueCupom &r, QString *erro) {
  const auto lista = [](const QList<ItemEstoque> &l) {
    QJsonArray a;
    for (const ItemEstoque &i : l) {
      QJsonObject o{{"item", i.item}, {"produto", i.produto}, {"quantidade", QString::number(i.quantidade.milesimos())}};
      if (i.devido) o["devido"] = true;
      a.append(o);
    }
    return a;
  };
  QJsonObject o{{"caixa", r.caixa},
                {"cupom", QString::number(r.cupom)},
                {"data", r.data.toString(Qt::ISODate)},
                {"itens", lista(r.itens)}};
  if (!r.devolucoesDevidas.isEmpty()) o["devolver"] = lista(r.devolucoesDevidas);
  QDir().mkpath(QFileInfo(arquivo).absolutePath());
  QSaveFile f(arquivo);
  if (f.open(QIODevice::WriteOnly)) {
    f.write(QJsonDocument(o).toJson(QJsonDocument::Indented));
    if (f.commit()) return true;
  }
  if (erro) *erro = f.fileName() + ": " + f.errorString();
  return false;
}

std::optional<EstoqueCupom> LeEstoqueCupom(const QString &arquivo) {
  QFile f(arquivo);
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  QJsonParseError falha;
  const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &falha);
  if (falha.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
  const QJsonObject o = doc.object();
  EstoqueCupom r;
  bool ok = false;
  r.caixa = o.value("caixa").toString();
  r.cupom = o.value("cupom").toString().toLongLong(&ok);
  if (!ok) return std::nullopt;
  r.data = QDate::fromString(o.value("data").toString(), Qt::ISODate);
  const auto le = [&ok](const QJsonArray &a, QList<ItemEstoque> &l) {
    for (const QJsonValue &v : a) {
      const QJsonObject i = v.toObject();
      ItemEstoque it;
      it.item = i.value("item").toInt();
      it.produto = i.value("produto").toString();
      it.quantidade = Quantidade::deMilesimos(i.value("quantidade").toString().toLongLong(&ok));
      if (!ok || it.produto.isEmpty()) return false;
      it.devido = i.value("devido").toBool();
      l << it;
    }
    return true;
  };
  if (!le(o.value("itens").toArray(), r.itens) || !le(o.value("devolver").toArray(), r.devolucoesDevidas))
    return std::nullopt;
  return r;
}

void ApagaEstoqueCupom(const QString &arquivo) { QFile::remove(arquivo); }

void DevolveEstoque(TerminalState &e, const QList<ItemEstoque> &itens) {
  if (itens.isEmpty()) return;
  TransacaoBanco t(e.conexao());
  for (const ItemEstoque &i : itens) AtualizaEstoquePendente(e, i.produto, -i.quantidade);
  t.confirma();
}
