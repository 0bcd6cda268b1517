#pragma once
// The scripted operator of tests and of the replay mode: answers message and
// input boxes from queues, takes the default button when nothing is queued,
// and records every text it was shown.
#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "core/Operator.h"

struct EventoOperador {
  enum class Tipo { Mensagem, Entrada } tipo;
  PedidoMensagem mensagem;
  PedidoEntrada entrada;
  Resposta resposta = Resposta::Ok;
  QString textoResposta;
  bool respostaPadrao = false;  // nothing was queued
  bool cancelada = false;
};

QString nomeResposta(Resposta r);
QString nomeIcone(Icone i);

class OperadorRoteiro : public Operator {
 public:
  void respondeMensagem(Resposta r) { respostas_.push_back(r); }
  void respondeEntrada(const QString &texto) { entradas_.push_back({texto, false}); }
  void cancelaEntrada() { entradas_.push_back({QString(), true}); }

  Resposta mensagem(const PedidoMensagem &pedido) override;
  bool entrada(const PedidoEntrada &pedido, QString &resposta) override;

  const QList<EventoOperador> &eventos() const { return eventos_; }
  // The texts of every message box shown, in order.
  QStringList mensagens() const;
  void limpa() { eventos_.clear(); }
  // Told of each event as it happens (the replay transcript).
  std::function<void(const EventoOperador &)> aoRegistrar;

 private:
  struct Entrada { QString texto; bool cancela; };
  std::deque<Resposta> respostas_;
  std::deque<Entrada> entradas_;
  QList<EventoOperador> eventos_;
};
