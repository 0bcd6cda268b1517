#include "ui/QtOperador.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon iconeQt(Icone i) {
  switch (i) {
    case Icone::Exclamacao: return QMessageBox::Warning;
    case Icone::Critico: return QMessageBox::Critical;
    case Icone::Informacao: return QMessageBox::Information;
    case Icone::Pergunta: return QMessageBox::Question;
    case Icone::Nenhum: break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButton botaoQt(Resposta r) {
  switch (r) {
    case Resposta::Ok: return QMessageBox::Ok;
    case Resposta::Sim: return QMessageBox::Yes;
    case Resposta::Nao: return QMessageBox::No;
    case Resposta::Cancelar: return QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

// The cashier reads Portuguese whatever language the machine's Qt speaks.
QString textoBotao(Resposta r) {
  switch (r) {
    case Resposta::Ok: return QStringLiteral("OK");
    case Resposta::Sim: return QStringLiteral("&Sim");
    case Resposta::Nao: return QStringLiteral("&Não");
    case Resposta::Cancelar: return QStringLiteral("Cancelar");
  }
  return {};
}

}  // namespace

Resposta QtOperador::mensagem(const PedidoMensagem &pedido) {
  QWidget *pai = janelaAtual ? janelaAtual() : nullptr;
  QMessageBox caixa(iconeQt(pedido.icone), pedido.titulo.isEmpty() ? tituloPrograma() : pedido.titulo,
                    pedido.texto, QMessageBox::NoButton, pai);
  QList<Resposta> respostas;
  switch (pedido.botoes) {
    case Botoes::Ok: respostas = {Resposta::Ok}; break;
    case Botoes::SimNao: respostas = {Resposta::Sim, Resposta::Nao}; break;
    case Botoes::SimNaoCancelar: respostas = {Resposta::Sim, Resposta::Nao, Resposta::Cancelar}; break;
  }
  for (Resposta r : respostas) {
    QPushButton *b = caixa.addButton(botaoQt(r));
    b->setText(textoBotao(r));
    if (r == pedido.padrao) caixa.setDefaultButton(b);
  }
  if (respostas.contains(Resposta::Cancelar)) caixa.setEscapeButton(QMessageBox::Cancel);
  else if (respostas.contains(Resposta::Nao)) caixa.setEscapeButton(QMessageBox::No);
  const auto escolhido = static_cast<QMessageBox::StandardButton>(caixa.exec());
  for (Resposta r : respostas)
    if (botaoQt(r) == escolhido) return r;
  return pedido.padrao;
}

bool QtOperador::entrada(const PedidoEntrada &pedido, QString &resposta) {
  QInputDialog dialogo(janelaAtual ? janelaAtual() : nullptr);
  dialogo.setWindowTitle(pedido.titulo.isEmpty() ? tituloPrograma() : pedido.titulo);
  dialogo.setLabelText(pedido.pergunta);
  dialogo.setTextValue(pedido.padrao);
  dialogo.setOkButtonText(textoBotao(Resposta::Ok));
  dialogo.setCancelButtonText(textoBotao(Resposta::Cancelar));
  if (pedido.x >= 0 && pedido.y >= 0) dialogo.move(pedido.x, pedido.y);
  const bool aceito = dialogo.exec() == QDialog::Accepted;
  resposta = aceito ? dialogo.textValue() : QString();
  return aceito;
}
