#include "core/OperadorRoteiro.h"

QString nomeResposta(Resposta r) {
  switch (r) {
    case Resposta::Ok: return "OK";
    case Resposta::Sim: return "Yes";
    case Resposta::Nao: return "No";
    case Resposta::Cancelar: return "Cancel";
  }
  return {};
}

QString nomeIcone(Icone i) {
  switch (i) {
    case Icone::Nenhum: return "none";
    case Icone::Exclamacao: return "exclamation";
    case Icone::Critico: return "critical";
    case Icone::Informacao: return "information";
    case Icone::Pergunta: return "question";
  }
  return {};
}

static bool botaoExiste(Botoes botoes, Resposta r) {
  switch (botoes) {
    case Botoes::Ok: return r == Resposta::Ok;
    case Botoes::SimNao: return r == Resposta::Sim || r == Resposta::Nao;
    case Botoes::SimNaoCancelar: return r != Resposta::Ok;
  }
  return false;
}

Resposta OperadorRoteiro::mensagem(const PedidoMensagem &pedido) {
  EventoOperador e{EventoOperador::Tipo::Mensagem, pedido, {}, pedido.padrao, {}, true, false};
  if (!respostas_.empty() && botaoExiste(pedido.botoes, respostas_.front())) {
    e.resposta = respostas_.front();
    e.respostaPadrao = false;
    respostas_.pop_front();
  }
  eventos_.append(e);
  if (aoRegistrar) aoRegistrar(e);
  return e.resposta;
}

bool OperadorRoteiro::entrada(const PedidoEntrada &pedido, QString &resposta) {
  EventoOperador e{EventoOperador::Tipo::Entrada, {}, pedido, Resposta::Ok, pedido.padrao, true, false};
  if (!entradas_.empty()) {
    e.textoResposta = entradas_.front().texto;
    e.cancelada = entradas_.front().cancela;
    e.respostaPadrao = false;
    entradas_.pop_front();
  }
  eventos_.append(e);
  if (aoRegistrar) aoRegistrar(e);
  resposta = e.cancelada ? QString() : e.textoResposta;
  return !e.cancelada;
}

QStringList OperadorRoteiro::mensagens() const {
  QStringList textos;
  for (const EventoOperador &e : eventos_)
    if (e.tipo == EventoOperador::Tipo::Mensagem) textos << e.mensagem.texto;
  return textos;
}
