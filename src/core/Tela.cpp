#include "core/Tela.h"

#include <stdexcept>

#include "core/Operator.h"
#include "core/Teclas.h"
#include "core/Utilidades.h"

// ---------------------------------------------------------------- Campo

Campo::Campo(Tela &tela, QString nome, TipoCampo tipo) : tela_(tela), nome_(std::move(nome)), tipo_(tipo) {
  if (tipo_ == TipoCampo::Grade) {
    grade_ = std::make_unique<Grade>();
    grade_->aoMudar = [this] { tela_.mudou(*this); };
  }
  const bool texto = ehEditavel();
  navega = texto;
  marca = texto;
  tabStop = texto || tipo_ == TipoCampo::Botao || tipo_ == TipoCampo::Grade || tipo_ == TipoCampo::Marca;
}

bool Campo::focavel() const {
  if (!enabled_ || !visible_ || !tabStop) return false;
  if (tipo_ == TipoCampo::Rotulo || tipo_ == TipoCampo::Painel || tipo_ == TipoCampo::Menu ||
      tipo_ == TipoCampo::Imagem || tipo_ == TipoCampo::Progresso)
    return false;
  for (const Campo *p = painel; p; p = p->painel)
    if (!p->enabled_ || !p->visible_) return false;
  return true;
}

void Campo::setTexto(const QString &t) {
  const QString novo = maxLength > 0 ? t.left(maxLength) : t;
  if (novo == texto_) return;
  texto_ = novo;
  selStart = std::min<int>(selStart, static_cast<int>(texto_.size()));
  selLength = 0;
  tela_.mudou(*this);
  if (aoMudar) aoMudar();
}

void Campo::setEnabled(bool e) {
  if (e == enabled_) return;
  enabled_ = e;
  tela_.mudou(*this);
}

void Campo::setVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  tela_.mudou(*this);
}

void Campo::setMarcado(bool m) {
  if (m == marcado_) return;
  marcado_ = m;
  tela_.mudou(*this);
  if (aoMudar) aoMudar();
}

void Campo::setProgresso(int valor, int maximo) {
  if (valor == valor_ && maximo == maximo_) return;
  valor_ = valor;
  maximo_ = maximo;
  tela_.mudou(*this);
}

void Campo::setCores(uint32_t fundo, uint32_t frente) {
  corFundo_ = fundo;
  corFrente_ = frente;
  tela_.mudou(*this);
}

// ---------------------------------------------------------------- Tela

Tela::Tela(Aplicacao &app, QString nome, QString legenda)
    : app_(app), nome_(std::move(nome)), legenda_(std::move(legenda)) {}

Tela::~Tela() = default;

TerminalState &Tela::estado() const { return app_.estado(); }

void Tela::setLegenda(const QString &l) {
  legenda_ = l;
  if (aoMudarTela) aoMudarTela();
}

Campo &Tela::adiciona(const QString &nome, TipoCampo tipo) {
  campos_.push_back(std::make_unique<Campo>(*this, nome, tipo));
  return *campos_.back();
}

Campo *Tela::procura(const QString &nome) {
  for (auto &c : campos_)
    if (c->nome().compare(nome, Qt::CaseInsensitive) == 0) return c.get();
  return nullptr;
}

Campo &Tela::campo(const QString &nome) {
  if (Campo *c = procura(nome)) return *c;
  throw std::out_of_range(("Controle desconhecido em " + nome_ + ": " + nome).toStdString());
}

bool Tela::focaCampo(Campo &destino, bool valida) {
  if (focado_ == &destino) return true;
  if (!destino.focavel()) return false;
  Campo *saindo = focado_;
  // A handler that moves the focus while its own field validates does not
  // validate that field again.
  static thread_local Campo *validando = nullptr;
  if (valida && saindo && saindo != validando && saindo->aoValidar) {
    // Restored however the handler leaves (it may end the program).
    struct Validando {
      Campo *anterior;
      explicit Validando(Campo *c) : anterior(validando) { validando = c; }
      ~Validando() { validando = anterior; }
    } guarda(saindo);
    const bool aceito = saindo->aoValidar();
    if (!aceito || focado_ != saindo || !carregada_) return focado_ == &destino;
  }
  focado_ = &destino;
  if (saindo) {
    if (saindo->marca) desmarcaCampo();
    if (saindo->aoPerderFoco) saindo->aoPerderFoco();
  }
  if (focado_ != &destino) return false;  // a lost-focus handler moved it on
  if (destino.aoGanharFoco) destino.aoGanharFoco();
  if (focado_ == &destino && destino.marca) marcaCampo(destino);
  mudou(destino);
  return true;
}

Campo *Tela::proximoFocavel(Campo *de, int direcao) const {
  const int n = static_cast<int>(campos_.size());
  if (n == 0) return nullptr;
  int inicio = -1;
  for (int i = 0; i < n; ++i)
    if (campos_[i].get() == de) inicio = i;
  for (int passo = 1; passo <= n; ++passo) {
    int i = inicio < 0 ? (direcao > 0 ? passo - 1 : n - passo) : ((inicio + direcao * passo) % n + n) % n;
    if (campos_[i]->focavel()) return campos_[i].get();
  }
  return nullptr;
}

void Tela::moveFoco(int direcao) {
  if (Campo *proximo = proximoFocavel(focado_, direcao)) focaCampo(*proximo);
}

void Tela::TeclaNavega(int &tecla) {
  if (tecla == tecla::Acima) EnviaShiftTab();
  else if (tecla == tecla::Enter || tecla == tecla::Abaixo) EnviaTab();
}

static void moveLinhaGrade(Grade &g, int tecla) {
  int linha = g.Row;
  const int ultima = g.Rows() - 1;
  if (tecla == tecla::Acima) linha -= 1;
  else if (tecla == tecla::Abaixo) linha += 1;
  else if (tecla == tecla::PageUp) linha -= 10;
  else if (tecla == tecla::PageDown) linha += 10;
  else if (tecla == tecla::Home) linha = g.FixedRows;
  else if (tecla == tecla::End) linha = ultima;
  else if (tecla == tecla::Esquerda || tecla == tecla::Direita) {
    g.Col = g.ColSel = std::clamp(g.Col + (tecla == tecla::Direita ? 1 : -1), 0, std::max(0, g.Cols() - 1));
    if (g.aoMudar) g.aoMudar();
    return;
  } else return;
  linha = std::clamp(linha, g.FixedRows, std::max(g.FixedRows, ultima));
  g.Row = g.RowSel = linha;
  if (linha < g.TopRow()) g.setTopRow(linha);
  else if (g.aoMudar) g.aoMudar();
}

void Tela::teclaBaixo(int tecla, int shift) {
  if (keyPreview && aoTeclarForm) {
    aoTeclarForm(tecla, shift);
    if (tecla == 0) return;
  }
  Campo *c = focado_;
  if (c && c->aoTeclarBaixo) {
    c->aoTeclarBaixo(tecla, shift);
    if (tecla == 0 || focado_ != c) return;
  }
  if (tecla == tecla::Tab) {
    (shift & tecla::MascaraShift) ? EnviaShiftTab() : EnviaTab();
    return;
  }
  if (!c) return;
  if (c->tipo() == TipoCampo::Grade) {
    moveLinhaGrade(*c->grade(), tecla);
    return;
  }
  if (c->tipo() == TipoCampo::Marca && tecla == tecla::Espaco) {
    c->setMarcado(!c->marcado());
    if (c->aoClicar) c->aoClicar();
    return;
  }
  if (c->tipo() == TipoCampo::Botao && (tecla == tecla::Enter || tecla == tecla::Espaco)) {
    if (c->aoClicar) c->aoClicar();
    return;
  }
  if (c->ehEditavel() && !c->locked && (tecla == tecla::Delete || tecla == tecla::Back)) {
    QString t = c->texto();
    int inicio = c->selStart, comprimento = c->selLength;
    if (comprimento == 0) {
      if (tecla == tecla::Back) { if (inicio == 0) return; --inicio; }
      comprimento = 1;
    }
    t.remove(inicio, comprimento);
    c->setTexto(t);
    c->selStart = inicio;
    return;
  }
  if (c->navega) TeclaNavega(tecla);
}

// The key code a typed character's key has (letters as capitals, digits,
// the space bar); 0 for characters whose key the screens never test.
static int codigoDaTecla(QChar ch) {
  const QChar maiuscula = ch.toUpper();
  if ((maiuscula >= 'A' && maiuscula <= 'Z') || (ch >= '0' && ch <= '9') || ch == ' ') return maiuscula.unicode();
  return 0;
}

void Tela::avisaTeclaDeCaractere(QChar ch) {
  int codigo = codigoDaTecla(ch);
  if (codigo == 0) return;
  const int shift = ch.isUpper() ? tecla::MascaraShift : 0;
  // Key down comes before the character, as with any key; a handler that
  // swallows it does not stop the character.
  if (keyPreview && aoTeclarForm) aoTeclarForm(codigo, shift);
  if (codigo != 0 && focado_ && focado_->aoTeclarBaixo) focado_->aoTeclarBaixo(codigo, shift);
}

void Tela::digita(const QString &texto) {
  for (QChar ch : texto) {
    if (!focado_ || !focado_->ehEditavel() || !focado_->enabled()) return;
    avisaTeclaDeCaractere(ch);
    Campo *c = focado_;
    if (!c || !c->ehEditavel() || !c->enabled()) return;
    int codigo = ch.unicode();
    if (c->aoTeclarCaractere) {
      c->aoTeclarCaractere(codigo);
      if (codigo == 0 || focado_ != c) continue;
    }
    if (c->locked) continue;
    QString t = c->texto();
    const int inicio = std::clamp(c->selStart, 0, static_cast<int>(t.size()));
    const int comprimento = std::clamp(c->selLength, 0, static_cast<int>(t.size()) - inicio);
    if (c->maxLength > 0 && t.size() - comprimento >= c->maxLength) continue;
    t.replace(inicio, comprimento, QChar(codigo));
    c->setTexto(t);
    c->selStart = inicio + 1;
    c->selLength = 0;
  }
}

void Tela::clica(const QString &nome) {
  Campo &c = campo(nome);
  if (!c.enabled() || !c.visible()) return;
  for (const Campo *p = c.painel; p; p = p->painel)
    if (!p->enabled() || !p->visible()) return;
  if ((c.tipo() == TipoCampo::Botao || c.tipo() == TipoCampo::Marca) && c.focavel() && !focaCampo(c)) return;
  if (c.tipo() == TipoCampo::Marca) c.setMarcado(!c.marcado());
  if (c.aoClicar) c.aoClicar();
}

void Tela::marcaCampo(Campo &c) {
  campoAnterior_ = &c;
  corFundoAnt_ = c.corFundo();
  corFrenteAnt_ = c.corFrente();
  c.setCores(CorCampoAtual, 0);
  AreaTransferencia &area = app_.areaTransferencia();
  if (area.texto().startsWith("#Calc#")) {
    c.setTexto(PegaCampo(area.texto(), "#", 3));
    area.setTexto(QString());
  }
  c.selecionaTudo();
  estado().LbMens = c.toolTip;
}

void Tela::desmarcaCampo() {
  if (!campoAnterior_) return;
  Campo &c = *campoAnterior_;
  c.setCores(corFundoAnt_, corFrenteAnt_);
  if (c.tag == "N") c.setTexto(FormataValor(ParaMoeda(c.texto()), 0));
  estado().LbMens.clear();
  campoAnterior_ = nullptr;
}

// ---------------------------------------------------------------- Aplicacao

Aplicacao::Aplicacao(TerminalState &estado, Operator &operador, AreaTransferencia &area)
    : estado_(estado), operador_(operador), area_(area) {}

void Aplicacao::carrega(Tela &tela) {
  if (tela.carregada_) return;
  tela.carregada_ = true;
  if (!abertas_.contains(&tela)) abertas_.append(&tela);
  tela.carrega();
}

void Aplicacao::ativa(Tela &tela) {
  tela.ativa();
  if (!tela.focado_ && tela.visivel_)
    if (Campo *primeiro = tela.proximoFocavel(nullptr, +1)) tela.focaCampo(*primeiro);
}

void Aplicacao::mostra(Tela &tela, bool modal) {
  carrega(tela);
  if (!tela.carregada_) return;  // its load step unloaded it
  tela.visivel_ = true;
  tela.modal_ = modal;
  abertas_.removeAll(&tela);
  abertas_.prepend(&tela);
  if (aoMostrar) aoMostrar(tela);
  ativa(tela);
  if (!modal) return;
  if (executaModal && tela.visivel_) executaModal(tela);
  // Back from the modal screen: the screen behind it is active again.
  if (Tela *frente = telaFrente(); frente && frente != &tela) ativa(*frente);
}

void Aplicacao::esconde(Tela &tela) {
  if (!tela.visivel_) return;
  tela.visivel_ = false;
  if (aoEsconder) aoEsconder(tela);
}

bool Aplicacao::descarrega(Tela &tela, bool forcado) {
  if (!tela.carregada_) return true;
  if (!forcado && !tela.podeFechar()) return false;
  // The bookkeeping runs even when the unload step ends the program.
  struct Baixa {
    Aplicacao &app;
    Tela &tela;
    ~Baixa() {
      const bool estavaVisivel = tela.visivel_;
      tela.visivel_ = false;
      tela.carregada_ = false;
      app.abertas_.removeAll(&tela);
      if (estavaVisivel && app.aoEsconder) app.aoEsconder(tela);
      if (app.aoDescarregar) app.aoDescarregar(tela);
    }
  } baixa{*this, tela};
  tela.descarrega();
  return true;
}

Ampulheta::Ampulheta(const Aplicacao &app) : app_(app) {
  if (app_.ocupado) app_.ocupado(true);
}

Ampulheta::~Ampulheta() {
  if (app_.ocupado) app_.ocupado(false);
}

Tela *Aplicacao::telaFrente() const {
  for (Tela *t : abertas_)
    if (t->visivel_) return t;
  return nullptr;
}
