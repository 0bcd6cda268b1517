#include "fiscalday/Leitura_X.h"

#include <QFile>
#include <algorithm>

#include "core/Cp1252.h"
#include "core/Operator.h"
#include "fiscalday/SaiComEsc.h"
#include "platform/Paths.h"

Leitura_X::Leitura_X(Aplicacao &app) : Tela(app, "Leitura_X", QStringLiteral("RELATÓRIO DE:")) {
  adiciona("Label1", TipoCampo::Rotulo).setTexto("LEITURA X");
  Campo &lista = adiciona("LX", TipoCampo::Lista);
  lista.tabStop = false;
  Campo &ok = adiciona("OK", TipoCampo::Botao);
  ok.setTexto("OK");
  ok.setEnabled(false);
  ok.aoClicar = [this] { this->app().descarrega(*this, true); };
  SaiComEsc(*this);
  // The reading is read with the keys wherever the focus is: the arrows a
  // line, PageUp/PageDown a page, Home/End its ends.
  auto sai = aoTeclarForm;
  aoTeclarForm = [this, sai](int &tecla, int shift) {
    if (RolaLeitura(campo("LX"), tecla)) {
      tecla = 0;
      return;
    }
    sai(tecla, shift);
  };
}

bool Leitura_X::RolaLeitura(Campo &lista, int tecla) {
  const int ultima = static_cast<int>(lista.itens().size()) - 1;
  const int atual = lista.ListIndex();
  int nova;
  switch (tecla) {
    case tecla::Acima: nova = atual - 1; break;
    case tecla::Abaixo: nova = atual + 1; break;
    case tecla::PageUp: nova = atual - LinhasPorPagina; break;
    case tecla::PageDown: nova = (atual < 0 ? 0 : atual) + LinhasPorPagina; break;
    case tecla::Home: nova = 0; break;
    case tecla::End: nova = ultima; break;
    default: return false;
  }
  if (ultima >= 0) lista.setListIndex(std::clamp(nova, 0, ultima));
  return true;
}

QStringList Leitura_X::Linhas(const QByteArray &conteudo) {
  QString texto = cp1252::decode(conteudo);
  texto.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  texto.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  if (texto.endsWith(QLatin1Char('\n'))) texto.chop(1);
  if (texto.isEmpty()) return {};
  return texto.split(QLatin1Char('\n'));
}

void Leitura_X::ativa() {
  if (lida_) return;
  lida_ = true;
  Campo &lista = campo("LX");
  lista.limpaItens();
  QFile arquivo(platform::hostPath(QString::fromLatin1(ArquivoRetorno)));
  if (arquivo.open(QIODevice::ReadOnly)) {
    for (const QString &linha : Linhas(arquivo.readAll())) lista.adicionaItem(linha);
  } else {
    // No reading to show: the cashier is told so instead of an empty list.
    app().operador().avisa(QStringLiteral("Não foi possível ler a Leitura X em ") +
                           QString::fromLatin1(ArquivoRetorno) + ": " + arquivo.errorString());
  }
  campo("OK").setEnabled(true);
  focaCampo("OK", false);
}
