#include "ui/VisaoTela.h"

#include <utility>
#include <QAbstractButton>
#include <QCheckBox>
#include <QMenu>
#include <QProgressBar>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QKeySequence>
#include <QLineEdit>
#include <QTableView>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QMainWindow>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <vector>

#include "core/Tela.h"
#include "core/Teclas.h"
#include "ui/ModeloGrade.h"

namespace {
constexpr uint32_t CorSomenteLeitura = 0xE0E0E0, CorSomenteLeituraFocado = 0xF0D8C0;  // 0xBBGGRR
}  // namespace

bool teclaDaTela(const QKeyEvent &e, int &codigo, int &shift) {
  shift = 0;
  const auto m = e.modifiers();
  if (m & Qt::ShiftModifier) shift |= tecla::MascaraShift;
  if (m & Qt::ControlModifier) shift |= tecla::MascaraCtrl;
  if (m & Qt::AltModifier) shift |= tecla::MascaraAlt;
  if (m & Qt::GroupSwitchModifier) shift |= tecla::MascaraAlt | tecla::MascaraAltDireita;
  const int k = e.key();
  if (k >= Qt::Key_F1 && k <= Qt::Key_F12) { codigo = tecla::F1 + (k - Qt::Key_F1); return true; }
  switch (k) {
    case Qt::Key_Return: case Qt::Key_Enter: codigo = tecla::Enter; return true;
    case Qt::Key_Escape: codigo = tecla::Esc; return true;
    case Qt::Key_Tab: codigo = tecla::Tab; return true;
    case Qt::Key_Backtab: codigo = tecla::Tab; shift |= tecla::MascaraShift; return true;
    case Qt::Key_Up: codigo = tecla::Acima; return true;
    case Qt::Key_Down: codigo = tecla::Abaixo; return true;
    case Qt::Key_Delete: codigo = tecla::Delete; return true;
    case Qt::Key_Backspace: codigo = tecla::Back; return true;
    case Qt::Key_Insert: codigo = tecla::Insert; return true;
    case Qt::Key_Pause: codigo = tecla::Pausa; return true;
    case Qt::Key_PageUp: codigo = tecla::PageUp; return true;
    case Qt::Key_PageDown: codigo = tecla::PageDown; return true;
    case Qt::Key_Home: codigo = tecla::Home; return true;
    case Qt::Key_End: codigo = tecla::End; return true;
    case Qt::Key_Left: codigo = tecla::Esquerda; return true;
    case Qt::Key_Right: codigo = tecla::Direita; return true;
    default: break;
  }
  // Alt with a digit or letter reaches the screen as a key, not as text.
  if ((shift & (tecla::MascaraAlt | tecla::MascaraCtrl)) &&
      ((k >= Qt::Key_0 && k <= Qt::Key_9) || (k >= Qt::Key_A && k <= Qt::Key_Z))) {
    codigo = k;
    return true;
  }
  return false;
}

VisaoTela::VisaoTela(Tela &tela, QWidget *janela) : QObject(nullptr), tela_(tela), janela_(janela) {
  for (QWidget *w : janela->findChildren<QWidget *>())
    if (!w->objectName().isEmpty()) widgets_.insert(w->objectName().toLower(), w);
  for (QAction *a : janela->findChildren<QAction *>())
    if (Campo *c = tela_.procura(a->objectName()))
      connect(a, &QAction::triggered, this, [this, c] { tela_.clica(c->nome()); sincroniza(); });
  for (const auto &c : tela_.campos())
    if (QWidget *w = widget(c->nome())) liga(*c, w);
  montaBarraDeStatus();
  janela->installEventFilter(this);
  janela->setWindowTitle(tela_.legendaTela());
  tela_.aoMudarCampo = [this](Campo &c) {
    if (aplicando_) return;
    atualiza(c);
    // The engine moved the focus (a field went away, a handler chose one):
    // the window follows it.
    if (tela_.focado() == &c) sincronizaFoco();
  };
  tela_.aoMudarTela = [this] { if (janela_) janela_->setWindowTitle(tela_.legendaTela()); };
  sincroniza();
}

VisaoTela::~VisaoTela() { desliga(); }

void VisaoTela::desliga() {
  if (!ligada_) return;
  ligada_ = false;
  tela_.aoMudarCampo = nullptr;
  tela_.aoMudarTela = nullptr;
  if (janela_) janela_->removeEventFilter(this);
  for (QObject *o : campos_.keys()) o->removeEventFilter(this);
}

void VisaoTela::liga(Campo &campo, QWidget *w) {
  campos_.insert(w, &campo);
  w->installEventFilter(this);
  if (campo.tipo() == TipoCampo::Rotulo && campo.aoClicar) w->setCursor(Qt::PointingHandCursor);
  if (auto *b = qobject_cast<QAbstractButton *>(w)) {
    b->setFocusPolicy(campo.tabStop ? Qt::StrongFocus : Qt::NoFocus);
    connect(b, &QAbstractButton::clicked, this, [this, &campo, b] {
      // A mouse click whose press could not take the focus (the field being
      // left refused it and has warned) is not a click: clicking would check
      // that field again and warn twice.
      const bool doMouse = std::exchange(soltoComMouse_, nullptr) == b;
      if (doMouse && (b->focusPolicy() & Qt::ClickFocus) && b->window()->focusWidget() != b) return;
      tela_.clica(campo.nome());
      sincroniza();
    });
  }
  if (auto *e = qobject_cast<QLineEdit *>(w)) {
    if (campo.tipo() == TipoCampo::Senha) e->setEchoMode(QLineEdit::Password);
    // Cursor and selection moves made by the widget are the field's.
    connect(e, &QLineEdit::cursorPositionChanged, this, [&campo, e] {
      campo.selStart = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
      campo.selLength = static_cast<int>(e->selectedText().size());
    });
    connect(e, &QLineEdit::selectionChanged, this, [&campo, e] {
      campo.selStart = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
      campo.selLength = static_cast<int>(e->selectedText().size());
    });
  }
  if (auto *v = qobject_cast<QTableView *>(w); v && campo.grade()) ligaGrade(campo, v);
  if (auto *lista = qobject_cast<QListWidget *>(w)) {
    connect(lista, &QListWidget::currentRowChanged, this, [this, &campo](int linha) {
      if (aplicando_) return;
      tela_.focaCampo(campo);
      campo.setListIndex(linha);
      sincroniza();
    });
  }
}

void VisaoTela::ligaGrade(Campo &campo, QTableView *v) {
  Grade &g = *campo.grade();
  v->setModel(new ModeloGrade(g, v));
  v->setSelectionMode(QAbstractItemView::ContiguousSelection);
  v->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  v->verticalHeader()->setDefaultSectionSize(20);
  v->verticalHeader()->hide();
  v->horizontalHeader()->setStretchLastSection(false);  // the widest column fills the width instead
  // What the cashier does with the mouse is the grid's: current cell,
  // selected range, top row.
  connect(v->selectionModel(), &QItemSelectionModel::currentChanged, this, [this, &g](const QModelIndex &i) {
    if (aplicando_ || !i.isValid()) return;
    aplicando_ = true;
    g.setPosicao(i.row() + g.FixedRows, i.column());
    aplicando_ = false;
  });
  connect(v->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, &g, v] {
    if (aplicando_) return;
    const QModelIndexList escolhidas = v->selectionModel()->selectedIndexes();
    if (escolhidas.isEmpty()) return;
    int r0 = INT_MAX, r1 = -1, c0 = INT_MAX, c1 = -1;
    for (const QModelIndex &i : escolhidas) {
      r0 = std::min(r0, i.row()), r1 = std::max(r1, i.row());
      c0 = std::min(c0, i.column()), c1 = std::max(c1, i.column());
    }
    aplicando_ = true;
    const int atual = g.Row() - g.FixedRows;
    g.setRowSel((atual == r0 ? r1 : r0) + g.FixedRows);
    if (!g.selecaoPorLinha) g.setColSel(g.Col() == c0 ? c1 : c0);
    aplicando_ = false;
  });
  connect(v->verticalScrollBar(), &QScrollBar::valueChanged, this, [this, &campo, &g](int valor) {
    if (!aplicando_) {
      aplicando_ = true;
      g.setTopRow(valor + g.FixedRows);
      aplicando_ = false;
    }
    posicionaAncoradosDe(campo);
  });
  v->viewport()->installEventFilter(this);
}

void VisaoTela::atualizaGrade(Campo &campo, QTableView *v) {
  Grade &g = *campo.grade();
  // A column is as wide as its layout text in digits (the widest common
  // characters), and never narrower than its title.
  // The widest column (a description, as a rule) takes the width the others
  // leave, so its whole text shows without scrolling sideways when the
  // window has room for it.
  const int digito = v->fontMetrics().horizontalAdvance(QLatin1Char('0'));
  const QFontMetrics titulo(v->horizontalHeader()->font());
  std::vector<int> pixels(static_cast<size_t>(std::max(0, g.Cols())), 0);
  int larga = -1, soma = 0;
  for (int c = 0; c < g.Cols(); ++c) {
    const int largura = g.ColWidth(c);
    v->setColumnHidden(c, largura <= 0);
    if (largura <= 0) continue;
    const int px = std::max(largura * digito, titulo.horizontalAdvance(g.TextMatrix(0, c)) + 8) + 12;
    pixels[static_cast<size_t>(c)] = px;
    soma += px;
    if (larga < 0 || largura > g.ColWidth(larga)) larga = c;
  }
  // In a grid whose window marks it "larguraCede" (its widest column is one
  // the cashier seldom reads), where the others leave too little, that
  // column gives way (down to eight digits) so the columns after it stay in
  // sight.
  const int sobra = v->viewport()->width() - soma;
  const bool cede = v->property("larguraCede").toBool();
  if (larga >= 0 && (sobra > 0 || (sobra < 0 && cede)) && v->isVisible()) {
    const int minimo = std::min(titulo.horizontalAdvance(g.TextMatrix(0, larga)) + 20, 8 * digito);
    size_t l = static_cast<size_t>(larga);
    pixels[l] = std::max(std::min(pixels[l], minimo), pixels[l] + sobra);
  }
  for (int c = 0; c < g.Cols(); ++c)
    if (pixels[static_cast<size_t>(c)] > 0 && v->columnWidth(c) != pixels[static_cast<size_t>(c)])
      v->setColumnWidth(c, pixels[static_cast<size_t>(c)]);
  // Rows as tall as the grid's font needs.
  const int altura = v->fontMetrics().height() + 8;
  if (v->verticalHeader()->defaultSectionSize() != altura) v->verticalHeader()->setDefaultSectionSize(altura);
  const auto comportamento = g.selecaoPorLinha ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems;
  if (v->selectionBehavior() != comportamento) v->setSelectionBehavior(comportamento);
  auto *modelo = v->model();
  const int linhas = modelo->rowCount();
  if (linhas > 0 && g.Row() >= g.FixedRows) {
    const int r0 = std::min(g.Row(), g.RowSel()) - g.FixedRows, r1 = std::max(g.Row(), g.RowSel()) - g.FixedRows;
    const int c0 = g.selecaoPorLinha ? 0 : std::min(g.Col(), g.ColSel());
    const int c1 = g.selecaoPorLinha ? g.Cols() - 1 : std::max(g.Col(), g.ColSel());
    const QModelIndex atual = modelo->index(g.Row() - g.FixedRows, std::max(0, g.Col()));
    if (v->currentIndex() != atual) v->selectionModel()->setCurrentIndex(atual, QItemSelectionModel::NoUpdate);
    const QItemSelection selecao(modelo->index(std::clamp(r0, 0, linhas - 1), std::max(0, c0)),
                                 modelo->index(std::clamp(r1, 0, linhas - 1), std::max(0, c1)));
    if (v->selectionModel()->selection() != selecao)
      v->selectionModel()->select(selecao, QItemSelectionModel::ClearAndSelect);
  } else if (v->selectionModel()->hasSelection()) {
    v->selectionModel()->clearSelection();
  }
  QScrollBar *barra = v->verticalScrollBar();
  const int topo = g.TopRow() - g.FixedRows;
  if (barra->value() != topo && topo <= barra->maximum()) barra->setValue(topo);
  // A current row that moved (Down past the last row shown, End, PageDown)
  // is brought into sight: the screen keeps the top row above it, only the
  // view knows how many rows fit below.
  const QVariant vista = v->property("linhaAtualVista");
  if (linhas > 0 && g.Row() >= g.FixedRows && (!vista.isValid() || vista.toInt() != g.Row()))
    v->scrollTo(modelo->index(std::min(g.Row() - g.FixedRows, linhas - 1), std::max(0, g.Col())),
                QAbstractItemView::EnsureVisible);
  v->setProperty("linhaAtualVista", g.Row());
  // The top row is what the view can show: read back what it settled on.
  if (barra->value() + g.FixedRows != g.TopRow() && linhas > 0) g.setTopRow(barra->value() + g.FixedRows);
  posicionaAncoradosDe(campo);
}

void VisaoTela::posicionaAncoradosDe(const Campo &grade) {
  for (const auto &c : tela_.campos())
    if (c->ancoraGrade() == &grade) posicionaAncorado(*c);
}

void VisaoTela::posicionaAncorado(Campo &painel) {
  QWidget *w = widget(painel.nome());
  auto *v = painel.ancoraGrade() ? qobject_cast<QTableView *>(widget(painel.ancoraGrade()->nome())) : nullptr;
  if (!w || !v || !w->parentWidget()) return;
  const Grade &g = *painel.ancoraGrade()->grade();
  const int linha = painel.linhaAncorada() - g.FixedRows;
  QRect celula = v->visualRect(v->model()->index(std::max(0, linha), 0));
  if (linha < 0 || !celula.isValid()) celula = QRect(0, 0, v->viewport()->width(), v->verticalHeader()->defaultSectionSize());
  // Just inside the grid's left edge, with its top on the row's top.
  const QPoint canto = v->viewport()->mapTo(w->parentWidget(), QPoint(celula.left() + 6, celula.top()));
  if (w->pos() != canto) w->move(canto);
  w->raise();
}

void VisaoTela::montaBarraDeStatus() {
  auto *principal = qobject_cast<QMainWindow *>(janela_.data());
  if (!principal) return;
  QStatusBar *barra = principal->statusBar();
  // Labels marked as status-bar panels in the window's file move into it, in
  // their order; the help line stretches.
  for (QWidget *w : janela_->findChildren<QWidget *>())
    if (w->property("painelStatus").toBool() && w->parentWidget() != barra)
      barra->addWidget(w, w->objectName().compare("LbMens", Qt::CaseInsensitive) == 0 ? 1 : 0);
}

void VisaoTela::atualiza(Campo &campo) {
  QWidget *w = widget(campo.nome());
  if (!w) return;
  aplicando_ = true;
  if (auto *menu = qobject_cast<QMenu *>(w)) {
    // A menu shows through its entry in the menu bar, never as a window.
    menu->menuAction()->setEnabled(campo.enabled());
    menu->menuAction()->setVisible(campo.visible());
    aplicando_ = false;
    return;
  }
  w->setVisible(campo.visible());
  w->setEnabled(campo.enabled());
  if (!campo.toolTip.isEmpty()) w->setToolTip(campo.toolTip);
  if (auto *e = qobject_cast<QLineEdit *>(w)) {
    if (e->text() != campo.texto()) e->setText(campo.texto());
    e->setReadOnly(campo.locked);
    // Setting the length, even the same one, re-sets the widget's text: the
    // selection goes and the cursor jumps to the end, and the widget reports
    // that back as the field's selection (a selection the screen made while
    // handling a key would be gone before the next key).
    if (campo.maxLength > 0 && e->maxLength() != campo.maxLength) e->setMaxLength(campo.maxLength);
    if (campo.tipo() == TipoCampo::Moeda) e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette p = e->palette();
    // The focus colour shows on one field only: the one of the screen in
    // front (a window behind a dialog keeps its field's own colour).
    uint32_t fundo = campo.corFundo();
    if (fundo == CorCampoAtual && tela_.app().telaFrente() != &tela_) fundo = CorJanela;
    // A read-only field looks read-only: grey, a bluer grey while focused,
    // never the colour of a field being typed in.
    if (campo.locked) fundo = fundo == CorCampoAtual ? CorSomenteLeituraFocado : CorSomenteLeitura;
    p.setColor(QPalette::Base, CorQt(fundo));
    p.setColor(QPalette::Text, CorQt(campo.corFrente()));
    e->setPalette(p);
    if (tela_.focado() == &campo) {
      if (campo.selLength > 0) e->setSelection(campo.selStart, campo.selLength);
      else e->setCursorPosition(campo.selStart);
    }
  } else if (auto *lista = qobject_cast<QListWidget *>(w)) {
    QStringList atuais;
    for (int i = 0; i < lista->count(); ++i) atuais << lista->item(i)->text();
    if (atuais != campo.itens()) {
      lista->clear();
      lista->addItems(campo.itens());
    }
    if (lista->currentRow() != campo.ListIndex()) lista->setCurrentRow(campo.ListIndex());
  } else if (auto *l = qobject_cast<QLabel *>(w)) {
    if (l->text() != campo.texto()) l->setText(campo.texto());
  } else if (auto *m = qobject_cast<QCheckBox *>(w)) {
    m->setChecked(campo.marcado());
    if (m->text() != campo.texto()) m->setText(campo.texto());
  } else if (auto *p = qobject_cast<QProgressBar *>(w)) {
    p->setMaximum(std::max(1, campo.maximo()));
    p->setValue(std::min(campo.valor(), std::max(1, campo.maximo())));
  } else if (auto *b = qobject_cast<QAbstractButton *>(w)) {
    if (b->text() != campo.texto()) b->setText(campo.texto());
  } else if (auto *v = qobject_cast<QTableView *>(w); v && campo.grade()) {
    atualizaGrade(campo, v);
  }
  if (campo.ancoraGrade()) posicionaAncorado(campo);
  aplicando_ = false;
}

void VisaoTela::sincroniza() {
  if (!janela_ || !ligada_) return;
  for (const auto &c : tela_.campos()) atualiza(*c);
  sincronizaFoco();
}

void VisaoTela::sincronizaFoco() {
  Campo *c = tela_.focado();
  if (!c || !janela_ || !janela_->isVisible()) return;
  if (QWidget *w = widget(c->nome()); w && QApplication::focusWidget() != w) {
    aplicando_ = true;
    w->setFocus(Qt::OtherFocusReason);
    aplicando_ = false;
  }
}

bool VisaoTela::abreMenu(const QKeyEvent &k) const {
  if (k.modifiers() != Qt::AltModifier || !janela_) return false;
  auto *barra = janela_->findChild<QMenuBar *>();
  if (!barra) return false;
  const QKeySequence tecla(QKeyCombination(Qt::AltModifier, Qt::Key(k.key())));
  for (QAction *a : barra->actions())
    if (a->isVisible() && a->isEnabled() && QKeySequence::mnemonic(a->text()) == tecla) return true;
  return false;
}

Campo *VisaoTela::campoDe(QObject *objeto) const { return campos_.value(objeto, nullptr); }

bool VisaoTela::eventFilter(QObject *objeto, QEvent *evento) {
  if (!ligada_) return false;
  if (evento->type() == QEvent::WindowActivate && objeto == janela_) {
    // The cashier brought this window to the front.
    tela_.app().trazFrente(tela_);
    return false;
  }
  if (evento->type() == QEvent::Resize || evento->type() == QEvent::Show) {
    // A grid resized or shown: its widest column fills the new width.
    if (auto *v = qobject_cast<QTableView *>(objeto); v && campoDe(objeto) && campoDe(objeto)->grade() && !aplicando_) {
      aplicando_ = true;
      atualizaGrade(*campoDe(objeto), v);
      aplicando_ = false;
    }
    // A grid or its window resized: anchored panels follow their rows.
    for (const auto &c : tela_.campos())
      if (c->ancoraGrade()) posicionaAncorado(*c);
    return false;
  }
  if (evento->type() == QEvent::FocusIn && !aplicando_ && !trocandoFoco_) {
    // Under a message box (or another modal window) the cashier cannot pick
    // a field of this window: a focus arriving here then is Qt handing the
    // window its remembered focus widget back as windows activate, often
    // while a field's check is still showing its warning. Taken as a move,
    // it would carry the screen past the field being refused.
    if (QWidget *modal = QApplication::activeModalWidget(); modal && modal != janela_) return false;
    if (Campo *c = campoDe(objeto); c && tela_.focado() != c) {
      trocandoFoco_ = true;
      tela_.focaCampo(*c);
      trocandoFoco_ = false;
      sincroniza();
      // A click that brought the focus: the widget moves the cursor to the
      // click as the button comes up; the field's own got-focus selection
      // is put back then.
      const bool porClique = static_cast<QFocusEvent *>(evento)->reason() == Qt::MouseFocusReason;
      cliqueDeFoco_ = porClique && tela_.focado() == c ? objeto : nullptr;
      selecaoDoFoco_ = {c->selStart, c->selLength};
    }
    return false;
  }
  if (evento->type() == QEvent::MouseButtonRelease && objeto == cliqueDeFoco_) {
    cliqueDeFoco_ = nullptr;
    auto *e = qobject_cast<QLineEdit *>(objeto);
    Campo *c = campoDe(objeto);
    // Unless the cashier dragged over part of the text.
    if (e && c && tela_.focado() == c && !e->hasSelectedText()) {
      c->selStart = selecaoDoFoco_.first;
      c->selLength = selecaoDoFoco_.second;
      QTimer::singleShot(0, e, [this, e, c] {
        if (ligada_ && tela_.focado() == c && !e->hasSelectedText()) atualiza(*c);
      });
    }
  }
  if (evento->type() == QEvent::MouseButtonRelease && qobject_cast<QAbstractButton *>(objeto))
    soltoComMouse_ = objeto;  // the button's clicked signal comes from this release
  if (evento->type() == QEvent::MouseButtonRelease) {
    // A label with a click action (the sale screen's customer line).
    if (Campo *c = campoDe(objeto); c && c->tipo() == TipoCampo::Rotulo && c->aoClicar && c->enabled()) {
      tela_.clica(c->nome());
      sincroniza();
      return true;
    }
  }
  if ((evento->type() == QEvent::KeyPress || evento->type() == QEvent::ShortcutOverride) &&
      abreMenu(*static_cast<QKeyEvent *>(evento)))
    return false;  // Alt + a menu's underlined letter opens that menu
  if (evento->type() == QEvent::KeyPress) {
    auto *k = static_cast<QKeyEvent *>(evento);
    int codigo = 0, shift = 0;
    if (teclaDaTela(*k, codigo, shift)) {
      tela_.teclaBaixo(codigo, shift);
      sincroniza();
      return true;
    }
    const QString texto = k->text();
    if (!texto.isEmpty() && texto[0].isPrint() && campoDe(objeto) && campoDe(objeto)->ehEditavel()) {
      tela_.digita(texto);
      sincroniza();
      return true;
    }
    return false;
  }
  if (evento->type() == QEvent::ShortcutOverride) {
    auto *k = static_cast<QKeyEvent *>(evento);
    int codigo = 0, shift = 0;
    if (teclaDaTela(*k, codigo, shift)) {
      evento->accept();  // the screen, not a shortcut, takes it
      return true;
    }
  }
  return false;
}
