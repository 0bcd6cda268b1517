#pragma once
// The screen engine. A screen is a plain class holding named controls and
// their handlers; focus moves through the engine with the classic sequence
// (validate on leaving, which may refuse and keep the focus; lost focus; got
// focus); form-level keys are seen before the field's (key preview). Every
// text field gets the current-field colouring and Enter/Down/Up navigation
// without code of its own.
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/Grade.h"
#include "core/TerminalState.h"

class Tela;
class Aplicacao;
struct TeclaAjuda;

// Texto, Senha, Moeda (an amount, right-aligned) and Data (dd/mm/yyyy) are
// edit fields; Lista is a list box (its items and the selected one).
enum class TipoCampo { Texto, Senha, Moeda, Data, Rotulo, Botao, Painel, Grade, Menu, Imagem, Marca, Progresso, Lista };

// What a masked field shows in a position not typed yet.
inline constexpr QChar CaractereVazioMascara = u'_';

inline constexpr uint32_t CorCampoAtual = 0x80FFFF;  // light yellow (0xBBGGRR)
inline constexpr uint32_t CorJanela = 0xFFFFFF;
inline constexpr uint32_t CorTexto = 0x000000;

class Campo {
 public:
  Campo(Tela &tela, QString nome, TipoCampo tipo);

  const QString &nome() const { return nome_; }
  TipoCampo tipo() const { return tipo_; }
  Tela &tela() const { return tela_; }
  bool focavel() const;
  bool ehEditavel() const {
    return tipo_ == TipoCampo::Texto || tipo_ == TipoCampo::Senha || tipo_ == TipoCampo::Moeda || tipo_ == TipoCampo::Data;
  }

  const QString &texto() const { return texto_; }
  void setTexto(const QString &t);
  bool enabled() const { return enabled_; }
  void setEnabled(bool e);
  bool visible() const { return visible_; }
  void setVisible(bool v);
  bool tabStop = true;
  QString tag;
  QString toolTip;
  int maxLength = 0;  // 0: no limit
  // Decimals an amount field takes (Moeda).
  int casasDecimais = 2;
  // Edit mask: "#" takes a digit, any other character is the field's own
  // ("###.###.###-##"). The text always has the mask's length, with
  // CaractereVazioMascara where nothing was typed. Date fields have one.
  const QString &mascara() const { return mascara_; }
  void setMascara(const QString &m);
  // The characters typed into the mask's "#" positions ("" when none).
  QString textoSemMascara() const;
  bool locked = false;
  uint32_t corFundo() const { return corFundo_; }
  uint32_t corFrente() const { return corFrente_; }
  void setCores(uint32_t fundo, uint32_t frente);
  int selStart = 0, selLength = 0;
  // The whole text selected (the next character typed replaces it); the
  // skin is told, so a field that already has the focus shows it too.
  void selecionaTudo();
  // A control inside a panel is shown and enabled only while its panel is.
  Campo *painel = nullptr;
  // Field navigation (Enter/Down next, Up previous); on by default for text fields.
  bool navega = true;
  // Current-field colouring on focus; on by default for text fields.
  bool marca = true;
  Grade *grade() const { return grade_.get(); }
  // List boxes: the items and the selected one (-1: none); the text is the
  // selected item's.
  const QStringList &itens() const { return itens_; }
  void adicionaItem(const QString &item);
  void removeItem(int indice);
  void limpaItens();
  int ListIndex() const { return indiceLista_; }
  void setListIndex(int i);
  // A panel placed over a row of a grid of the same screen (-1: whichever
  // row is current); the skin keeps it there as the grid scrolls.
  void ancoraNaLinha(Campo &grade, int linha = -1);
  void desancora();
  Campo *ancoraGrade() const { return ancoraGrade_; }
  // The row it sits over now (-1 when not anchored).
  int linhaAncorada() const;
  // Check boxes.
  bool marcado() const { return marcado_; }
  void setMarcado(bool m);
  // Progress bars: value out of maximum.
  int valor() const { return valor_; }
  int maximo() const { return maximo_; }
  void setProgresso(int valor, int maximo);

  // Handlers. aoValidar returns false to refuse leaving the field.
  std::function<bool()> aoValidar;
  std::function<void()> aoGanharFoco, aoPerderFoco, aoClicar, aoMudar;
  // Key down: the handler may set the key to 0 to swallow it.
  std::function<void(int &tecla, int shift)> aoTeclarBaixo;
  // A typed character (its code); set to 0 to refuse it.
  std::function<void(int &caractere)> aoTeclarCaractere;

 private:
  friend class Tela;
  Tela &tela_;
  QString nome_;
  TipoCampo tipo_;
  QString texto_;
  bool enabled_ = true;
  bool visible_ = true;
  bool marcado_ = false;
  int valor_ = 0, maximo_ = 0;
  uint32_t corFundo_ = CorJanela;
  uint32_t corFrente_ = CorTexto;
  std::unique_ptr<Grade> grade_;
  QString mascara_;
  QStringList itens_;
  int indiceLista_ = -1;
  Campo *ancoraGrade_ = nullptr;
  int linhaAncora_ = -1;
};

// Clipboard as the field helpers see it.
class AreaTransferencia {
 public:
  virtual ~AreaTransferencia() = default;
  virtual QString texto() const = 0;
  virtual void setTexto(const QString &t) = 0;
};

class AreaTransferenciaMemoria : public AreaTransferencia {
 public:
  QString texto() const override { return t_; }
  void setTexto(const QString &t) override { t_ = t; }

 private:
  QString t_;
};

class Tela : public TelaRegistrada {
 public:
  Tela(Aplicacao &app, QString nome, QString legenda);
  ~Tela() override;
  Tela(const Tela &) = delete;
  Tela &operator=(const Tela &) = delete;

  QString nomeTela() const override { return nome_; }
  QString legendaTela() const override { return legenda_; }
  void setLegenda(const QString &l);
  Aplicacao &app() const { return app_; }
  TerminalState &estado() const;

  // Controls, in tab order of creation.
  Campo &adiciona(const QString &nome, TipoCampo tipo);
  Campo &campo(const QString &nome);
  Campo *procura(const QString &nome);
  const std::vector<std::unique_ptr<Campo>> &campos() const { return campos_; }
  Grade &grade(const QString &nome) { return *campo(nome).grade(); }

  // Focus.
  Campo *focado() const { return focado_; }
  // Runs the focus sequence; false when the field being left refused.
  // Without validation the field being left is not asked (a reset, Esc).
  bool focaCampo(Campo &destino, bool valida = true);
  bool focaCampo(const QString &nome, bool valida = true) { return focaCampo(campo(nome), valida); }
  void EnviaTab() { moveFoco(+1); }
  void EnviaShiftTab() { moveFoco(-1); }

  // The focused field became disabled or hidden (or its panel did): the
  // focus moves on to the next field that takes it, without validation.
  void confereFoco();
  // Runs the got-focus step of the focused field again (back from a modal
  // screen): its colouring and its handler, no validation.
  void reganhaFoco();
  // A field that refused what was typed keeps the focus, as if it got it
  // back from the warning: an amount is selected whole, so the cashier's
  // next typing replaces the refused one.
  void campoRecusado(Campo &c);

  // Input from the operator (skin, tests, replay).
  void teclaBaixo(int tecla, int shift = 0);
  void digita(const QString &texto);
  void clica(const QString &nome);

  // Form events.
  bool keyPreview = false;
  std::function<void(int &tecla, int shift)> aoTeclarForm;
  virtual void carrega() {}
  virtual void ativa() {}
  // Returns false to refuse closing.
  virtual bool podeFechar() { return true; }
  virtual void descarrega() {}
  // What the screen keeps outside its controls and a transcript should show
  // (one line each, "name value").
  virtual QStringList estadoInterno() const { return {}; }
  // The keys F1 lists for this screen (by default its entry in the key
  // tables, or the keys every screen shares).
  virtual QList<TeclaAjuda> teclasAjuda() const;

  bool visivel() const { return visivel_; }
  bool modal() const { return modal_; }
  bool carregada() const { return carregada_; }

  // The engine calls these; the application keeps the screen list.
  void marcaCampo(Campo &c);
  void desmarcaCampo();

  // Told after any change of a control (the skin repaints).
  std::function<void(Campo &)> aoMudarCampo;
  std::function<void()> aoMudarTela;

 protected:
  friend class Aplicacao;
  friend class Campo;
  void mudou(Campo &c) { if (aoMudarCampo) aoMudarCampo(c); }
  void moveFoco(int direcao);
  Campo *proximoFocavel(Campo *de, int direcao) const;
  void TeclaNavega(int &tecla);
  void avisaTeclaDeCaractere(QChar ch);
  // The typing of one character into an edit field, as its kind allows.
  void escreveCaractere(Campo &c, QChar ch);
  void apagaCaractere(Campo &c, bool paraTras);

 private:
  Aplicacao &app_;
  QString nome_, legenda_;
  std::vector<std::unique_ptr<Campo>> campos_;
  Campo *focado_ = nullptr;
  Campo *campoAnterior_ = nullptr;  // the field carrying the focus colours
  uint32_t corFundoAnt_ = CorJanela, corFrenteAnt_ = CorTexto;
  bool visivel_ = false, modal_ = false, carregada_ = false;
};

// Shows the hourglass while it lives.
class Ampulheta {
 public:
  explicit Ampulheta(const Aplicacao &app);
  ~Ampulheta();
  Ampulheta(const Ampulheta &) = delete;
  Ampulheta &operator=(const Ampulheta &) = delete;

 private:
  const Aplicacao &app_;
};

// The open screens, in front-to-back order, and the services they share.
class Aplicacao {
 public:
  Aplicacao(TerminalState &estado, Operator &operador, AreaTransferencia &area);
  TerminalState &estado() const { return estado_; }
  Operator &operador() const { return operador_; }
  AreaTransferencia &areaTransferencia() const { return area_; }

  // Load step (once), then shown. A modal screen returns when it hides.
  void carrega(Tela &tela);
  void mostra(Tela &tela, bool modal = false);
  void esconde(Tela &tela);
  // Unloads: asks podeFechar() unless forced; false when refused.
  bool descarrega(Tela &tela, bool forcado = false);
  void ativa(Tela &tela);
  // The cashier brought an open screen to the front (clicked its window):
  // it becomes the front screen and FormAtual, and its activation step runs.
  void trazFrente(Tela &tela);
  // A modeless screen the application owns: loaded and shown; deleted after
  // it is unloaded, once none of its handlers runs (recolhe).
  Tela &abreModeless(std::unique_ptr<Tela> tela);
  void recolhe();
  // Told when an owned screen waits to be deleted (the skin posts recolhe).
  std::function<void()> aoAguardarRecolha;

  // The sale screen's help line (LbMens): the state's text and, when the
  // main screen has an "LbMens" control, its caption.
  void mostraAjuda(const QString &texto);
  // The sale screen's message line (TxtMens): what was just done.
  void mostraMensagem(const QString &texto);

  Tela *telaFrente() const;
  const QList<Tela *> &telas() const { return abertas_; }

  // Work repeated while the program runs (kept sales waiting for the
  // database): the skin runs each on a timer of its interval, a replay when
  // its script says "timers". A task must not assume any screen is in front.
  struct TarefaPeriodica {
    int intervaloMs;
    std::function<void()> tarefa;
  };
  void agendaPeriodica(int intervaloMs, std::function<void()> tarefa);
  // Runs every task once, in the order they were scheduled.
  void executaPeriodicas();
  const std::vector<TarefaPeriodica> &periodicas() const { return periodicas_; }
  // Told of each task scheduled (the skin starts its timer).
  std::function<void(const TarefaPeriodica &)> aoAgendar;

  // Told when a screen is shown, hidden or unloaded (skin, transcript).
  std::function<void(Tela &)> aoMostrar, aoEsconder, aoDescarregar;
  // Runs a modal screen until it hides; installed by the skin or the replay.
  std::function<void(Tela &)> executaModal;
  // The window system's handle of a screen's window (made now if it is not
  // yet); installed by the skin. Without one a screen has no window.
  std::function<quint64(Tela &)> identificadorJanela;
  // The hourglass pointer on (true) and off during a long step.
  std::function<void(bool)> ocupado;
  // Lets the display repaint during a long step (the skin runs its events once).
  std::function<void()> redesenha;
  void deixaRedesenhar() const { if (redesenha) redesenha(); }
  // Lets the operator act during a long step that allows it (keys and
  // clicks reach the screens; the skin runs all its events once).
  std::function<void()> atendeOperador;
  void deixaOperadorAgir() const { if (atendeOperador) atendeOperador(); else deixaRedesenhar(); }

 private:
  TerminalState &estado_;
  Operator &operador_;
  AreaTransferencia &area_;
  QList<Tela *> abertas_;
  // An owned screen that was unloaded waits for recolhe.
  void descarta(Tela &tela);
  void limpaAjudaDe(const Tela &tela);
  std::vector<std::unique_ptr<Tela>> proprias_, descartadas_;
  std::vector<TarefaPeriodica> periodicas_;
};
