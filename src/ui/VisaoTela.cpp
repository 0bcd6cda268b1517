#include "ui/VisaoTela.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QMenu>
#include <QProgressBar>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QHeaderView>

#include "core/Tela.h"
#include "core/Teclas.h"
#include "ui/ModeloGrade.h"

namespace {

QColor corBgr(uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

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
  janela->installEventFilter(this);
  janela->setWindowTitle(tela_.legendaTela());
  tela_.aoMudarCampo = [this](Campo &c) { if (!aplicando_) atualiza(c); };
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
  if (auto *b = qobject_cast<QAbstractButton *>(w)) {
    b->setFocusPolicy(Qt::StrongFocus);
    connect(b, &QAbstractButton::clicked, this, [this, &campo] { tela_.clica(campo.nome()); sincroniza(); });
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
  if (auto *v = qobject_cast<QTableView *>(w); v && campo.grade()) {
    auto *modelo = new ModeloGrade(*campo.grade(), v);
    v->setModel(modelo);
    // A row picked with the mouse is the grid's current row.
    connect(v->selectionModel(), &QItemSelectionModel::currentChanged, this, [this, &campo](const QModelIndex &i) {
      if (aplicando_ || !i.isValid()) return;
      Grade &g = *campo.grade();
      g.Row = g.RowSel = i.row() + g.FixedRows;
      g.Col = i.column();
    });
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->verticalHeader()->setDefaultSectionSize(20);
  }
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
    if (campo.maxLength > 0) e->setMaxLength(campo.maxLength);
    QPalette p = e->palette();
    p.setColor(QPalette::Base, corBgr(campo.corFundo()));
    p.setColor(QPalette::Text, corBgr(campo.corFrente()));
    e->setPalette(p);
    if (tela_.focado() == &campo) e->setSelection(campo.selStart, campo.selLength);
  } else if (auto *l = qobject_cast<QLabel *>(w)) {
    if (l->text() != campo.texto()) l->setText(campo.texto());
  } else if (auto *m = qobject_cast<QCheckBox *>(w)) {
    m->setChecked(campo.marcado());
    if (!campo.texto().isEmpty()) m->setText(campo.texto());
  } else if (auto *p = qobject_cast<QProgressBar *>(w)) {
    p->setMaximum(std::max(1, campo.maximo()));
    p->setValue(std::min(campo.valor(), std::max(1, campo.maximo())));
  } else if (auto *b = qobject_cast<QAbstractButton *>(w)) {
    if (!campo.texto().isEmpty() && b->text() != campo.texto()) b->setText(campo.texto());
  } else if (auto *v = qobject_cast<QTableView *>(w)) {
    if (auto *m = dynamic_cast<ModeloGrade *>(v->model())) m->recarrega();
    if (Grade *g = campo.grade()) {
      const int caractere = v->fontMetrics().averageCharWidth();
      for (int c = 0; c < g->Cols(); ++c) v->setColumnWidth(c, g->ColWidth(c) * caractere + 12);
    }
    if (Grade *g = campo.grade(); g && g->Row >= g->FixedRows)
      v->setCurrentIndex(v->model()->index(g->Row - g->FixedRows, std::max(0, g->Col)));
  }
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

Campo *VisaoTela::campoDe(QObject *objeto) const { return campos_.value(objeto, nullptr); }

bool VisaoTela::eventFilter(QObject *objeto, QEvent *evento) {
  if (!ligada_) return false;
  if (evento->type() == QEvent::FocusIn && !aplicando_ && !trocandoFoco_) {
    if (Campo *c = campoDe(objeto); c && tela_.focado() != c) {
      trocandoFoco_ = true;
      tela_.focaCampo(*c);
      trocandoFoco_ = false;
      sincroniza();
    }
    return false;
  }
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
