#include "lookup/FormPesq.h"

#include "core/Logs.h"
#include "core/Operator.h"
#include "core/Teclas.h"
#include "core/Utilidades.h"

FormPesq::FormPesq(Aplicacao &app) : Tela(app, "FormPesq", "Formulario de Pesquisa") {
  Campo &pergunta = adiciona("Pergunta", TipoCampo::Texto);
  pergunta.toolTip = QStringLiteral(" Digite a razão social da empresa (40 caracteres max). OBRIGATÓRIO.");
  Campo &grade = adiciona("Grade", TipoCampo::Grade);
  grade.tabStop = false;
  adiciona("Result", TipoCampo::Rotulo);
  adiciona("Label", TipoCampo::Rotulo)
      .setTexto(QStringLiteral("Digite Parte da informação desejada e <Enter>. Caso seja data o formato é AAAA-MM-DD. "
                               "Após a pesquisa digite F2 para pesquisar uma coluna da grade e F3 para repetir a pesquisa."));
  Campo &ativo = adiciona("Ativo", TipoCampo::Marca);
  ativo.setTexto("Prod Ativo F9 Troca");
  ativo.tabStop = false;
  adiciona("Barra", TipoCampo::Progresso);
  adiciona("Anda", TipoCampo::Rotulo);

  pergunta.navega = false;  // Enter searches
  pergunta.aoTeclarBaixo = [this](int &t, int s) { teclaPergunta(t, s); };
  grade.aoTeclarBaixo = [this](int &t, int s) { teclaGrade(t, s); };
  ajudante_ = std::make_unique<ClGrade1>(*this, grade);
  keyPreview = true;
  aoTeclarForm = [this](int &t, int) {
    if (t != tecla::F9) return;
    t = 0;
    Campo &a = campo("Ativo");
    a.setMarcado(!a.marcado());
  };
}

FormPesq::~FormPesq() = default;

void FormPesq::comTratamento(const char *rotina, const std::function<void()> &passo) {
  ExecutaComTratamento(estado(), rotina, passo);
}

void FormPesq::carrega() {
  comTratamento("Form_Load", [this] {
    TerminalState &e = estado();
    formAnterior_ = e.FormAtual;
    e.FormAtual = this;
    e.CodPesquisa.clear();
    tipo_ = TipoPesquisaDe(e.TipoPesq);
    preparaColunas();
  });
}

void FormPesq::preparaColunas() {
  Grade &g = grade("Grade");
  if (!tipo_) return;
  setLegenda(tipo_->titulo);
  QStringList layout;
  for (const ColunaPesquisa &c : tipo_->colunas) {
    const QChar marca = c.alinhamento == AlinhaCelula::Direita ? '>' : c.alinhamento == AlinhaCelula::Centro ? '^' : '<';
    layout << marca + c.cabecalho;
  }
  g.FormatString(layout.join('|'));
  for (int i = 0; i < tipo_->colunas.size(); ++i) g.setColWidth(i, tipo_->colunas[i].largura);
  g.setRow(0);
}

void FormPesq::ativa() {
  comTratamento("Form_Activate", [this] {
    if (!focado()) focaCampo("Pergunta", false);
  });
}

void FormPesq::descarrega() {
  comTratamento("Form_Unload", [this] {
    FechaRs(rsPesquisa_);
    TerminalState &e = estado();
    e.FormAtual = formAnterior_;
    e.CodCliPesq.clear();
    e.CodProPesq.clear();
  });
}

void FormPesq::teclaPergunta(int &tecla, int) {
  comTratamento("Pergunta_KeyDown", [&] {
    campo("Result").setTexto("Digitando pesquisa...");
    if (tecla == tecla::Esc) {
      tecla = 0;
      app().descarrega(*this, true);
    } else if (tecla == tecla::Enter) {
      tecla = 0;
      pesquisa();
    }
  });
}

void FormPesq::teclaGrade(int &tecla, int) {
  comTratamento("Grade_KeyDown", [&] {
    if (lendo_ && (tecla == tecla::Esc || tecla == tecla::Enter)) {
      // While the rest is still arriving: Esc stops the reading and keeps
      // the rows shown; Enter takes the current row once the reading stopped.
      devolveAoFim_ = tecla == tecla::Enter;
      interrompida_ = true;
      tecla = 0;
    } else if (tecla == tecla::Esc) {
      tecla = 0;
      limpaGrade();
      campo("Grade").tabStop = false;
      campo("Pergunta").tabStop = true;
      focaCampo("Pergunta", false);
    } else if (tecla == tecla::Enter) {
      tecla = 0;
      devolveLinha();
    }
  });
}

void FormPesq::limpaGrade() { grade("Grade").limpaCelulas(); }

void FormPesq::pesquisa() {
  if (!tipo_ || lendo_) return;
  TerminalState &e = estado();
  campo("Result").setTexto("Aguarde pesquisando...");
  const QString pergunta = campo("Pergunta").texto();
  primeiroPadrao_ = "%" + PegaCampo(pergunta, " ", 1) + "%";
  e.StrSql = MontaSqlPesquisa(*tipo_, pergunta, campo("Ativo").marcado());
  FechaRs(rsPesquisa_);
  {
    const Ampulheta ampulheta(app());
    app().deixaRedesenhar();
    rsPesquisa_.abrePaginado(e.StrSql, e.conexao(), primeiraPagina);
    if (rsPesquisa_.RecordCount() == 0) {
      FechaRs(rsPesquisa_);
      campo("Result").setTexto("SEM REGISTROS...");
      return;
    }
    transfereLinhas(true);
  }
  campo("Pergunta").tabStop = false;
  Campo &g = campo("Grade");
  g.tabStop = true;
  focaCampo(g, false);

  // The rest arrives behind the first page while the grid already answers.
  struct Leitura {
    FormPesq &t;
    explicit Leitura(FormPesq &tela) : t(tela) { t.lendo_ = true, t.interrompida_ = false, t.devolveAoFim_ = false; }
    ~Leitura() { t.lendo_ = false; }
  } leitura(*this);
  int total = grade("Grade").Rows() - grade("Grade").FixedRows;
  while (!rsPesquisa_.completo()) {
    campo("Result").setTexto("Aguarde pesquisando... " + QString::number(total) + " registros (Esc interrompe)");
    app().deixaOperadorAgir();
    if (!carregada()) return;  // the dialog was closed meanwhile
    if (interrompida_) break;
    rsPesquisa_.leMais(linhasPorLeitura);
    total += transfereLinhas(false);
  }
  FechaRs(rsPesquisa_);
  campo("Result").setTexto(interrompida_ ? "Pesquisa interrompida! " + QString::number(total) +
                                               " registros foram carregados."
                                         : "Concluido! " + QString::number(total) + " registros foram encontrados.");
  campo("Barra").setProgresso(1, 1);
  if (devolveAoFim_) devolveLinha();
}

int FormPesq::transfereLinhas(bool primeiraPagina) {
  QList<QStringList> celulas = CelulasPesquisa(*tipo_, rsPesquisa_.tomaLinhas());
  const int n = static_cast<int>(celulas.size());
  Grade &g = grade("Grade");
  if (primeiraPagina) {
    g.substituiLinhas(std::move(celulas));
    g.setPosicao(g.FixedRows, 0);
    g.setTopRow(g.FixedRows);
  } else {
    g.acrescentaLinhas(std::move(celulas));
  }
  // The bar moves while rows keep coming; how many there will be is known
  // only at the end.
  Campo &barra = campo("Barra");
  barra.setProgresso(rsPesquisa_.completo() ? 1 : (barra.valor() + 1) % 10, rsPesquisa_.completo() ? 1 : 10);
  return n;
}

QString TextoCelulaPesquisa(const QVariant &valor, TipoCelula tipo) {
  if (valor.isNull()) return {};
  switch (tipo) {
    case TipoCelula::Data:
      return valor.toDate().isValid() ? valor.toDate().toString("dd/MM/yyyy") : valor.toString();
    case TipoCelula::Numero:
    case TipoCelula::Percentual:
      if (valor.metaType() == QMetaType::fromType<Moeda>()) return valor.value<Moeda>().formatada();
      if (valor.metaType().id() == QMetaType::Double) return Moeda::deDouble(valor.toDouble()).formatada();
      return valor.toString();
    case TipoCelula::Texto:
      break;
  }
  return valor.toString().trimmed();
}

QList<QStringList> CelulasPesquisa(const TipoPesquisa &tipo, const QList<QVariantList> &linhas) {
  const int colunas = static_cast<int>(tipo.colunas.size());
  QList<QStringList> celulas;
  celulas.reserve(linhas.size());
  for (const QVariantList &linha : linhas) {
    QStringList textos;
    textos.reserve(colunas);
    for (int c = 0; c < colunas; ++c) textos << TextoCelulaPesquisa(linha.value(c), tipo.colunas[c].tipo);
    celulas << std::move(textos);
  }
  return celulas;
}

void PreencheGradePesquisa(Grade &g, const TipoPesquisa &tipo, const QList<QVariantList> &linhas,
                           const std::function<void(int, int)> &progresso) {
  const int total = static_cast<int>(linhas.size());
  QList<QStringList> celulas;
  celulas.reserve(total);
  for (int i = 0; i < total; i += FormPesq::LinhasPorPasso) {
    celulas << CelulasPesquisa(tipo, linhas.mid(i, FormPesq::LinhasPorPasso));
    if (progresso) progresso(static_cast<int>(celulas.size()), total);
  }
  g.substituiLinhas(std::move(celulas));
  g.setPosicao(g.FixedRows, 0);
  g.setTopRow(g.FixedRows);
}

void FormPesq::devolveLinha() {
  Grade &g = grade("Grade");
  if (g.Row() < g.FixedRows || g.Row() >= g.Rows()) return;
  auto celula = [&](int n) { return g.TextMatrix(g.Row(), n - 1); };
  TerminalState &e = estado();
  e.CodPesquisa = celula(1);
  const QString &tipo = tipo_->codigo;
  if (tipo == "Cli") {
    e.DadosClientePesq = celula(1) + "|" + celula(2) + "|" + celula(10) + "|" + celula(11);
    e.CodCliPesq = celula(1) + QStringLiteral("»") + celula(2);
  } else if (tipo == "Ven") {
    e.CodVenPesq = celula(1);
  } else if (tipo == "Cpg") {
    e.CodCpgPesq = celula(1);
  } else if (tipo == "Pro") {
    e.CodProPesq = celula(1) + QStringLiteral("»") + celula(4) + QStringLiteral("» $ ") + celula(7);
    e.CodPesquisa = e.CodProPesq;
  }
  app().descarrega(*this, true);
}

void AbrePesquisa(Aplicacao &app, const QString &tipoPesq) {
  app.estado().TipoPesq = tipoPesq;
  FormPesq pesquisa(app);
  // However the modal run ends (the program may end inside it), the dialog is
  // unloaded before it goes: FormAtual and the screen list never keep it.
  struct Descarrega {
    Aplicacao &app;
    FormPesq &tela;
    ~Descarrega() {
      if (tela.carregada()) app.descarrega(tela, true);
    }
  } guarda{app, pesquisa};
  app.mostra(pesquisa, true);
}
