#pragma once
// Everything the program asks or tells the operator goes through this port:
// message boxes, input boxes and modal screens. The Qt skin shows real
// dialogs; the scripted implementation answers from a queue (tests, replay).
#include <QString>

enum class Icone { Nenhum, Exclamacao, Critico, Informacao, Pergunta };
enum class Botoes { Ok, SimNao, SimNaoCancelar };
enum class Resposta { Ok, Sim, Nao, Cancelar };

struct PedidoMensagem {
  QString texto;
  Icone icone = Icone::Exclamacao;
  Botoes botoes = Botoes::Ok;
  Resposta padrao = Resposta::Ok;  // the button Enter takes
  QString titulo;                  // empty: the program's title
};

struct PedidoEntrada {
  QString titulo;
  QString pergunta;
  QString padrao;
  int x = -1, y = -1;  // position on the display; -1 centres
};

class Operator {
 public:
  virtual ~Operator() = default;
  virtual Resposta mensagem(const PedidoMensagem &pedido) = 0;
  // Returns false when the operator cancelled (the text is then empty).
  virtual bool entrada(const PedidoEntrada &pedido, QString &resposta) = 0;

  // Shorthand for the common OK box with the program's title.
  void avisa(const QString &texto, Icone icone = Icone::Exclamacao, const QString &titulo = {}) {
    mensagem({texto, icone, Botoes::Ok, Resposta::Ok, titulo});
  }
};

// The title of every message box unless a screen gives its own.
inline QString tituloPrograma() { return QStringLiteral("PDV-VELT"); }
