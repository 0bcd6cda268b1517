#include "core/Tela.h"

#include <stdexcept>

#include "core/AjudaTeclas.h"
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
  tabStop = texto || tipo_ == TipoCampo::Botao || tipo_ == TipoCampo::Grade || tipo_ == TipoCampo::Marca ||
            tipo_ == TipoCampo::Lista;
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

// A text laid into a mask: kept when it already has the mask's shape,
// otherwise its characters fill the "#" positions in order.
static QString AplicaMascara(const QString &mascara, const QString &texto) {
  bool forma = texto.size() == mascara.size();
  for (int i = 0; forma && i < mascara.size(); ++i)
    if (mascara[i] != '#' && texto[i] != mascara[i]) forma = false;
  if (forma) return texto;
  QString resultado = mascara;
  int j = 0;
  for (int i = 0; i < mascara.size(); ++i) {
    if (mascara[i] != '#') continue;
    while (j < texto.size() && !texto[j].isDigit()) ++j;
    resultado[i] = j < texto.size() ? texto[j++] : CaractereVazioMascara;
  }
  return resultado;
}

void Campo::setMascara(const QString &m) {
  mascara_ = m;
  setTexto(mascara_.isEmpty() ? textoSemMascara() : texto_);
}

QString Campo::textoSemMascara() const {
  if (mascara_.isEmpty()) return texto_;
  QString r;
  for (int i = 0; i < mascara_.size() && i < texto_.size(); ++i)
    if (mascara_[i] == '#' && texto_[i] != CaractereVazioMascara) r += texto_[i];
  return r;
}

void Campo::adicionaItem(const QString &item) {
  itens_.append(item);
  tela_.mudou(*this);
}

void Campo::removeItem(int indice) {
  if (indice < 0 || indice >= itens_.size()) return;
  itens_.removeAt(indice);
  // The selected item removed leaves no selection; one above it moves it up.
  if (indice == indiceLista_) indiceLista_ = -1;
  else if (indice < indiceLista_) --indiceLista_;
  texto_ = itens_.value(indiceLista_);
  tela_.mudou(*this);
}

void Campo::limpaItens() {
  itens_.clear();
  indiceLista_ = -1;
  texto_.clear();
  tela_.mudou(*this);
}

void Campo::setListIndex(int i) {
  if (i < -1 || i >= itens_.size() || i == indiceLista_) return;
  indiceLista_ = i;
  texto_ = itens_.value(i);
  tela_.mudou(*this);
  if (aoMudar) aoMudar();
  if (aoClicar) aoClicar();  // a list box's click is its selection changing
}

void Campo::ancoraNaLinha(Campo &g, int linha) {
  ancoraGrade_ = g.grade() ? &g : nullptr;
  linhaAncora_ = linha;
  tela_.mudou(*this);
}

void Campo::desancora() {
  ancoraGrade_ = nullptr;
  tela_.mudou(*this);
}

int Campo::linhaAncorada() const {
  if (!ancoraGrade_) return -1;
  return linhaAncora_ >= 0 ? linhaAncora_ : ancoraGrade_->grade()->Row();
}

void Campo::selecionaTudo() {
  selStart = 0;
  selLength = static_cast<int>(texto_.size());
  tela_.mudou(*this);
}

void Campo::setTexto(const QString &t) {
  QString novo = maxLength > 0 ? t.left(maxLength) : t;
  if (!mascara_.isEmpty()) novo = AplicaMascara(mascara_, novo);
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
  if (!e) tela_.confereFoco();
}

void Campo::setVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  tela_.mudou(*this);
  if (!v) tela_.confereFoco();
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
  Campo &c = *campos_.back();
  if (tipo == TipoCampo::Data) c.setMascara(QStringLiteral("##/##/####"));
  return c;
}

void Tela::confereFoco() {
  if (!focado_ || focado_->focavel()) return;
  Campo *saindo = focado_;
  Campo *proximo = proximoFocavel(saindo, +1);
  focado_ = nullptr;
  if (campoAnterior_ == saindo) desmarcaCampo();
  if (saindo->aoPerderFoco) saindo->aoPerderFoco();
  mudou(*saindo);
  if (focado_ || !proximo || !proximo->focavel()) return;  // a handler placed it
  focaCampo(*proximo, false);
}

void Tela::reganhaFoco() {
  Campo *c = focado_;
  if (!c) return;
  if (c->aoGanharFoco) c->aoGanharFoco();
  if (focado_ == c && c->marca) marcaCampo(*c);
  mudou(*c);
}

void Tela::campoRecusado(Campo &c) {
  if (focado_ == &c && c.tipo() == TipoCampo::Moeda) c.selecionaTudo();
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
    if (!aceito && focado_ == saindo && carregada_) campoRecusado(*saindo);
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
  int linha = g.Row();
  const int ultima = g.Rows() - 1;
  if (tecla == tecla::Acima) linha -= 1;
  else if (tecla == tecla::Abaixo) linha += 1;
  else if (tecla == tecla::PageUp) linha -= 10;
  else if (tecla == tecla::PageDown) linha += 10;
  else if (tecla == tecla::Home) linha = g.FixedRows;
  else if (tecla == tecla::End) linha = ultima;
  else if (tecla == tecla::Esquerda || tecla == tecla::Direita) {
    g.setCol(g.Col() + (tecla == tecla::Direita ? 1 : -1));
    return;
  } else return;
  linha = std::clamp(linha, g.FixedRows, std::max(g.FixedRows, ultima));
  g.setRow(linha);
  if (linha < g.TopRow()) g.setTopRow(linha);
}

QList<TeclaAjuda> Tela::teclasAjuda() const { return TeclasDaTela(nome_); }

void Tela::teclaBaixo(int tecla, int shift) {
  // F1 lists the screen's keys, on every screen but the list itself.
  if (tecla == tecla::F1 && shift == 0 && nome_ != QLatin1String("AjudaTeclas")) {
    AjudaTeclas ajuda(app_, *this);
    app_.mostra(ajuda, true);
    if (ajuda.carregada()) app_.descarrega(ajuda, true);
    return;
  }
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
  if (c->tipo() == TipoCampo::Lista && (tecla == tecla::Acima || tecla == tecla::Abaixo) && !c->itens().isEmpty()) {
    c->setListIndex(std::clamp(c->ListIndex() + (tecla == tecla::Abaixo ? 1 : -1), 0,
                               static_cast<int>(c->itens().size()) - 1));
    return;
  }
  if (c->ehEditavel() && !c->locked && (tecla == tecla::Delete || tecla == tecla::Back)) {
    apagaCaractere(*c, tecla == tecla::Back);
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
    escreveCaractere(*c, QChar(codigo));
  }
}

// True when the text can still become an amount with the field's decimals:
// a sign first, digits with "." thousands, one decimal comma, and no more
// integer digits than an amount holds.
static bool CabeEmValor(const QString &t, int casas) {
  int digitosInteiros = 0, decimais = -1;
  for (int i = 0; i < t.size(); ++i) {
    const QChar ch = t[i];
    if (ch == '-' && i == 0) continue;
    if (ch == ',') {
      if (decimais >= 0 || casas == 0) return false;
      decimais = 0;
    } else if (ch == '.') {
      if (decimais >= 0) return false;
    } else if (ch.isDigit()) {
      if (decimais >= 0) { if (++decimais > casas) return false; }
      else if (++digitosInteiros > 13) return false;
    } else {
      return false;
    }
  }
  return true;
}

void Tela::escreveCaractere(Campo &c, QChar ch) {
  QString t = c.texto();
  const QString &mascara = c.mascara();
  if (!mascara.isEmpty()) {
    int p = std::clamp(c.selStart, 0, static_cast<int>(mascara.size()));
    // A selection typed over is emptied first.
    for (int i = p; i < p + c.selLength && i < mascara.size(); ++i)
      if (mascara[i] == '#') t[i] = CaractereVazioMascara;
    if (p < mascara.size() && mascara[p] != '#' && ch == mascara[p]) {
      c.setTexto(t);
      c.selStart = p + 1;
      c.selLength = 0;
      return;
    }
    while (p < mascara.size() && mascara[p] != '#') ++p;
    if (p >= mascara.size() || !ch.isDigit()) return;  // refused, as the mask allows only digits there
    t[p] = ch;
    ++p;
    while (p < mascara.size() && mascara[p] != '#') ++p;  // the caret skips the mask's own characters
    c.setTexto(t);
    c.selStart = p;
    c.selLength = 0;
    return;
  }
  const int inicio = std::clamp(c.selStart, 0, static_cast<int>(t.size()));
  const int comprimento = std::clamp(c.selLength, 0, static_cast<int>(t.size()) - inicio);
  if (c.maxLength > 0 && t.size() - comprimento >= c.maxLength) return;
  if (c.tipo() == TipoCampo::Moeda) {
    t.replace(inicio, comprimento, ch);
    if (!CabeEmValor(t, c.casasDecimais)) return;
  }
  // In place: a long text typed at the end costs each character a constant
  // time, not a copy of all that came before.
  t = QString();
  c.texto_.replace(inicio, comprimento, ch);
  c.selStart = inicio + 1;
  c.selLength = 0;
  mudou(c);
  if (c.aoMudar) c.aoMudar();
}

void Tela::apagaCaractere(Campo &c, bool paraTras) {
  QString t = c.texto();
  int inicio = c.selStart, comprimento = c.selLength;
  if (comprimento == 0) {
    if (paraTras) {
      if (inicio == 0) return;
      --inicio;
    }
    comprimento = 1;
  }
  const QString &mascara = c.mascara();
  if (!mascara.isEmpty()) {
    // Positions of a mask are emptied, never removed.
    for (int i = inicio; i < inicio + comprimento && i < mascara.size(); ++i)
      if (mascara[i] == '#') t[i] = CaractereVazioMascara;
  } else {
    t.remove(inicio, comprimento);
  }
  c.setTexto(t);
  c.selStart = inicio;
  c.selLength = 0;
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
  // Marked again (back from a modal screen): its own colours are already saved.
  if (campoAnterior_ != &c) {
    if (campoAnterior_) desmarcaCampo();
    campoAnterior_ = &c;
    corFundoAnt_ = c.corFundo();
    corFrenteAnt_ = c.corFrente();
  }
  c.setCores(CorCampoAtual, 0);
  AreaTransferencia &area = app_.areaTransferencia();
  if (area.texto().startsWith("#Calc#")) {
    c.setTexto(PegaCampo(area.texto(), "#", 3));
    area.setTexto(QString());
  }
  c.selecionaTudo();
  app_.mostraAjuda(c.toolTip);
}

void Tela::desmarcaCampo() {
  if (!campoAnterior_) return;
  Campo &c = *campoAnterior_;
  c.setCores(corFundoAnt_, corFrenteAnt_);
  if (c.tag == "N") c.setTexto(FormataValor(ParaMoeda(c.texto()), 0));
  app_.mostraAjuda(QString());
  campoAnterior_ = nullptr;
}

// ---------------------------------------------------------------- Aplicacao

Aplicacao::Aplicacao(TerminalState &estado, Operator &operador, AreaTransferencia &area)
    : estado_(estado), operador_(operador), area_(area) {
  estado_.usaOperador(operador);
}

void Aplicacao::mostraAjuda(const QString &texto) {
  estado_.LbMens = texto;
  if (auto *principal = dynamic_cast<Tela *>(estado_.FormPrincipal))
    if (Campo *linha = principal->procura(QStringLiteral("LbMens"))) linha->setTexto(texto);
}

void Aplicacao::mostraMensagem(const QString &texto) {
  if (auto *principal = dynamic_cast<Tela *>(estado_.FormPrincipal))
    if (Campo *linha = principal->procura(QStringLiteral("TxtMens"))) linha->setTexto(texto);
}

void Aplicacao::trazFrente(Tela &tela) {
  if (!tela.visivel_ || telaFrente() == &tela) return;
  abertas_.removeAll(&tela);
  abertas_.prepend(&tela);
  estado_.FormAtual = &tela;
  tela.ativa();
}

Tela &Aplicacao::abreModeless(std::unique_ptr<Tela> tela) {
  recolhe();
  Tela &t = *tela;
  proprias_.push_back(std::move(tela));
  mostra(t);
  return t;
}

void Aplicacao::recolhe() { descartadas_.clear(); }

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
  if (!executaModal)
    throw std::logic_error(("modal screen with nothing to run it: " + tela.nomeTela()).toStdString());
  if (tela.visivel_) executaModal(tela);
  // Back from the modal screen: the screen behind it is active again and its
  // field takes the focus again.
  if (Tela *frente = telaFrente(); frente && frente != &tela) {
    ativa(*frente);
    frente->reganhaFoco();
  }
}

void Aplicacao::limpaAjudaDe(const Tela &tela) {
  // The help line shows the focused field's help while its screen is up.
  if (tela.focado_ && !estado_.LbMens.isEmpty() && estado_.LbMens == tela.focado_->toolTip) mostraAjuda(QString());
}

void Aplicacao::esconde(Tela &tela) {
  if (!tela.visivel_) return;
  limpaAjudaDe(tela);
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
      if (estavaVisivel) app.limpaAjudaDe(tela);
      tela.visivel_ = false;
      tela.carregada_ = false;
      app.abertas_.removeAll(&tela);
      if (estavaVisivel && app.aoEsconder) app.aoEsconder(tela);
      if (app.aoDescarregar) app.aoDescarregar(tela);
      app.descarta(tela);
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

void Aplicacao::descarta(Tela &tela) {
  for (auto it = proprias_.begin(); it != proprias_.end(); ++it) {
    if (it->get() != &tela) continue;
    descartadas_.push_back(std::move(*it));
    proprias_.erase(it);
    if (aoAguardarRecolha) aoAguardarRecolha();
    return;
  }
}

void Aplicacao::agendaPeriodica(int intervaloMs, std::function<void()> tarefa) {
  periodicas_.push_back({intervaloMs, std::move(tarefa)});
  if (aoAgendar) aoAgendar(periodicas_.back());
}

void Aplicacao::executaPeriodicas() {
  // By index: a task may schedule another.
  for (size_t i = 0; i < periodicas_.size(); ++i) {
    const auto tarefa = periodicas_[i].tarefa;
    tarefa();
  }
}
