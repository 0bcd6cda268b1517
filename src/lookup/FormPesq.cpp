#include "lookup/FormPesq.h"

#include <QFile>
#include <algorithm>
#include <charconv>
#include <chrono>

#include "core/IndiceProdutos.h"
#include "core/Logs.h"
#include "core/Operator.h"
#include "core/Teclas.h"
#include "core/Cp1252.h"
#include "core/Utilidades.h"
#include "platform/Paths.h"

FormPesq::FormPesq(Aplicacao &app) : Tela(app, "FormPesq", "Formulario de Pesquisa") {
  Campo &pergunta = adiciona("Pergunta", TipoCampo::Texto);
  pergunta.toolTip = QStringLiteral(" Digite a razão social da empresa (40 caracteres max). OBRIGATÓRIO.");
  pergunta.maxLength = 40;
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

FormPesq::~FormPesq() {
  aguardaPrevia();
  aguardaLeitura(true);
}

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
  // A product is looked for by what the cashier can read off it, not by a
  // company name.
  if (tipo_->codigo == QLatin1String("Pro"))
    campo("Pergunta").toolTip =
        QStringLiteral(" Digite parte da descrição, o código interno ou o código de barras do produto (40 caracteres max).");
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
    // Closed while a read runs (the window's close box): the read stops
    // before its result set goes.
    interrompida_ = true;
    aguardaLeitura(false);
    FechaRs(rsPesquisa_);
    aguardaPrevia();
    conexaoPrevia_.reset();
    TerminalState &e = estado();
    e.FormAtual = formAnterior_;
    e.CodCliPesq.clear();
    e.CodProPesq.clear();
  });
}

void FormPesq::teclaPergunta(int &tecla, int) {
  comTratamento("Pergunta_KeyDown", [&] {
    if (buscando_ || lendo_) {
      // A search runs: Esc stops it (the dialog stays), Enter waits for it.
      if (tecla == tecla::Esc) interrompe(false);
      if (tecla == tecla::Esc || tecla == tecla::Enter) tecla = 0;
      return;
    }
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
    if (buscando_ && (tecla == tecla::Esc || tecla == tecla::Enter)) {
      // The rows there are not this search's: Esc stops it, Enter waits.
      if (tecla == tecla::Esc) interrompe(false);
      tecla = 0;
    } else if (lendo_ && (tecla == tecla::Esc || tecla == tecla::Enter)) {
      // While the rest is still arriving: Esc stops the reading and keeps
      // the rows shown; Enter takes the current row once the reading stopped.
      interrompe(tecla == tecla::Enter);
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

void FormPesq::interrompe(bool devolver) {
  devolveAoFim_ = devolver;
  interrompida_ = true;
  if (leitura_.valid()) estado().conexao().cancelaOperacao();
  aguardaPrevia();
}

void FormPesq::aguardaPrevia() {
  if (!previaLida_.valid()) return;
  paraPrevia_ = true;
  while (previaLida_.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
    conexaoPrevia_->cancelaOperacao();
  previaLida_ = {};
}

void FormPesq::le(const std::function<void()> &leitura, const std::function<void()> &enquanto,
                  const std::function<void()> &aCadaVolta) {
  // Always on the worker, even with nothing to do meanwhile: the engine's
  // long reads (a sort over the catalogue) are done off the window's thread.
  if (!app().atendeOperador && !enquanto) app().deixaRedesenhar();
  leitura_ = leitor_.executa(leitura);
  // However this ends (an event handler may throw), the worker is done
  // before the result set is touched again.
  struct Fim {
    FormPesq &t;
    ~Fim() { t.aguardaLeitura(true); }
  } fim{*this};
  if (enquanto) enquanto();
  if (!app().atendeOperador) {
    std::exchange(leitura_, {}).get();
    return;
  }
  // The window answers while the worker waits for the server. A cancel that
  // came between two calls of the worker finds nothing running: it is sent
  // again until the worker ends.
  int voltas = 0;
  do {
    app().deixaOperadorAgir();
    if (aCadaVolta) aCadaVolta();
    if (interrompida_ && ++voltas % 10 == 0) estado().conexao().cancelaOperacao();
  } while (leitura_.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready);
  std::exchange(leitura_, {}).get();
}

void FormPesq::aguardaLeitura(bool descarta) {
  if (!leitura_.valid()) return;
  while (leitura_.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
    estado().conexao().cancelaOperacao();
  if (descarta) leitura_ = {};
}

namespace {

QString carregados(const QString &inicio, int total) {
  return inicio + QString::number(total) + " registros foram carregados.";
}

// Sets a flag while it lives.
struct Enquanto {
  bool &flag;
  explicit Enquanto(bool &f) : flag(f) { flag = true; }
  ~Enquanto() { flag = false; }
};

}  // namespace

void FormPesq::pesquisa() {
  if (!tipo_ || buscando_ || lendo_) return;
  TerminalState &e = estado();
  const QString pergunta = campo("Pergunta").texto();
  // Words the database could not compare are refused here, before any search.
  if (!cp1252::ehArmazenavel(pergunta)) {
    app().operador().avisa(cp1252::MensagemNaoArmazenavel);
    focaCampo("Pergunta", false);
    return;
  }
  campo("Result").setTexto("Aguarde pesquisando...");
  primeiroPadrao_ = "%" + PegaCampo(pergunta, " ", 1) + "%";
  e.StrSql = MontaSqlPesquisa(*tipo_, pergunta, campo("Ativo").marcado());
  FechaRs(rsPesquisa_);
  interrompida_ = devolveAoFim_ = false;
  const QString sql = e.StrSql;
  ConexaoBanco &conexao = e.conexao();
  // A read that fails: the rows shown stay, the status line says the search
  // did not end, the error goes to the handler (log and message).
  auto falhou = [&](int total) {
    FechaRs(rsPesquisa_);
    campo("Result").setTexto(carregados("Pesquisa não concluída! ", total));
    throw;
  };
  {
    const Ampulheta ampulheta(app());
    const Enquanto buscando(buscando_);
    // Whatever ends the search before its first page, the rows shown before
    // a preview come back, and a preview still being read stops.
    struct Previa {
      FormPesq &t;
      std::optional<Grade::Guardadas> antes;
      ~Previa() {
        t.aguardaPrevia();
        t.previa_ = false;
        if (antes) t.grade("Grade").devolveLinhas(std::move(*antes));
      }
    } previa{*this, std::nullopt};
    std::function<void()> enquanto, aCadaVolta;
    if (tipo_->codigo == QLatin1String("Pro") && QFile::exists(platform::hostPath(ArquivoIndiceProdutos))) {
      paraPrevia_ = false;
      if (!conexaoPrevia_) {
        conexaoPrevia_ = std::make_unique<ConexaoBanco>();
        // A preview that cannot be had at once is not worth a wait: the
        // search's end waits for its thread (an unreachable server would
        // otherwise hold the window for the whole bound of an opening).
        conexaoPrevia_->defineLimites(std::chrono::seconds(3), std::chrono::seconds(3));
      }
      previaLida_ = std::async(std::launch::async,
                               [this, pergunta, ativos = campo("Ativo").marcado()] { return lePrevia(pergunta, ativos); });
      // Shown as soon as it is read, unless the first page came first: with
      // a cashier at the window, when a turn of the wait finds it ready;
      // in a replay, waited for here.
      auto pronta = [](const auto &futuro) {
        return futuro.valid() && futuro.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
      };
      auto mostraLida = [&, pronta] {
        if (pronta(previaLida_)) mostraPrevia(std::exchange(previaLida_, {}).get(), previa.antes);
      };
      aCadaVolta = mostraLida;
      enquanto = [&, pronta, mostraLida] {
        if (app().atendeOperador) return;
        while (previaLida_.valid() && !pronta(previaLida_) && !pronta(leitura_))
          previaLida_.wait_for(std::chrono::milliseconds(2));
        if (!pronta(leitura_)) mostraLida();
      };
    }
    try {
      le([&] { rsPesquisa_.abrePaginado(sql, conexao, primeiraPagina); }, enquanto, aCadaVolta);
    } catch (const ErroBanco &erro) {
      if (!erro.cancelado()) falhou(0);
      interrompida_ = true;
    }
    aguardaPrevia();
    // The preview's work is over with the statement's first page: its
    // attachment (its own memory in the engine) is not kept for the rest of
    // the reading nor until the next search, which opens it again.
    if (conexaoPrevia_) conexaoPrevia_->fecha();
    if (!carregada()) return;  // the dialog was closed meanwhile
    if (interrompida_) {
      // Stopped before the first page: nothing of it is shown.
      FechaRs(rsPesquisa_);
      campo("Result").setTexto(carregados("Pesquisa interrompida! ", 0));
      return;
    }
    if (rsPesquisa_.RecordCount() == 0) {
      FechaRs(rsPesquisa_);
      campo("Result").setTexto("SEM REGISTROS...");
      return;
    }
    previa.antes.reset();
    previa_ = false;
    transfereLinhas(LinhasPesquisa(*tipo_, rsPesquisa_.tomaLinhas()), true, rsPesquisa_.completo());
  }
  campo("Pergunta").tabStop = false;
  Campo &g = campo("Grade");
  g.tabStop = true;
  focaCampo(g, false);

  // The rest arrives behind the first page while the grid already answers.
  // The reading thread keeps each block's rows as the server sent them; this
  // one makes them into grid cells (no value per column in between) and puts
  // them in the grid while the next block is read.
  const Enquanto lendo(lendo_);
  int total = grade("Grade").Rows() - grade("Grade").FixedRows;
  std::optional<LinhasGuardadas> lidas;
  const std::function<void()> poeNaGrade = [&] {
    LinhasCompactas celulas = LinhasPesquisa(*tipo_, *lidas);
    lidas.reset();
    total += transfereLinhas(std::move(celulas), false, false);
  };
  while (!rsPesquisa_.completo()) {
    campo("Result").setTexto("Aguarde pesquisando... " + QString::number(total) + " registros (Esc interrompe)");
    LinhasGuardadas bloco;
    try {
      le([&] { rsPesquisa_.leMais(linhasPorLeitura, bloco); }, lidas ? poeNaGrade : std::function<void()>());
    } catch (const ErroBanco &erro) {
      if (!erro.cancelado()) falhou(total);
      interrompida_ = true;
    }
    if (!carregada()) return;
    // Stopped: the block read meanwhile is left out, the rows shown stay.
    if (interrompida_) break;
    lidas = std::move(bloco);
  }
  if (!interrompida_ && lidas) poeNaGrade();
  FechaRs(rsPesquisa_);
  campo("Result").setTexto(interrompida_ ? carregados("Pesquisa interrompida! ", total)
                                         : "Concluido! " + QString::number(total) + " registros foram encontrados.");
  campo("Barra").setProgresso(1, 1);
  if (devolveAoFim_) devolveLinha();
}

QList<QVariantList> FormPesq::lePrevia(const QString &pergunta, bool somenteAtivos) {
  try {
    const auto codigos = CodigosDoIndice(platform::hostPath(ArquivoIndiceProdutos),
                                         {PalavrasPesquisa(pergunta), somenteAtivos, primeiraPagina});
    if (!codigos || codigos->isEmpty() || paraPrevia_) return {};
    if (!conexaoPrevia_->aberta()) conexaoPrevia_->abre(estado().StrConexao);
    // A hundred codes a statement (the server's cost of a list grows faster
    // than its length), one text for all of them, prepared once: a shorter
    // last list repeats its last code.
    constexpr int kPorLista = 100;
    const QString sql = MontaSqlPorCodigos(*tipo_, pergunta, somenteAtivos, kPorLista);
    QList<QVariantList> linhas;
    for (qsizetype i = 0; i < codigos->size(); i += kPorLista) {
      if (paraPrevia_) return {};
      QVariantList lista;
      for (int c : codigos->mid(i, kPorLista)) lista << c;
      while (lista.size() < kPorLista) lista << lista.last();
      Recordset rs;
      rs.abreComParametros(sql, lista, *conexaoPrevia_);
      linhas += rs.tomaLinhas();
    }
    // In the statement's order: by description as the database compares it
    // (CP1252 bytes, trailing blanks ignored), the index's order among equal
    // ones. A product renamed since the index was written goes to its place.
    qsizetype colunaBusca = 0;
    while (colunaBusca < tipo_->colunas.size() &&
           tipo_->colunas[colunaBusca].campo.compare(tipo_->colunaBusca.trimmed(), Qt::CaseInsensitive) != 0)
      ++colunaBusca;
    std::vector<std::pair<QByteArray, qsizetype>> chaves;
    chaves.reserve(linhas.size());
    for (qsizetype i = 0; i < linhas.size(); ++i) {
      QByteArray chave = cp1252::encode(linhas[i].value(colunaBusca).toString());
      while (chave.endsWith(' ')) chave.chop(1);
      chaves.emplace_back(std::move(chave), i);
    }
    std::stable_sort(chaves.begin(), chaves.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QList<QVariantList> ordenadas;
    ordenadas.reserve(linhas.size());
    for (const auto &[chave, i] : chaves) ordenadas.append(std::move(linhas[i]));
    return ordenadas;
  } catch (const ErroBanco &) {
    // A preview is never needed: the statement's rows come all the same.
    // The connection is opened again by the next one.
    conexaoPrevia_->fecha();
    return {};
  }
}

void FormPesq::mostraPrevia(QList<QVariantList> linhas, std::optional<Grade::Guardadas> &antes) {
  if (linhas.isEmpty() || interrompida_) return;
  Grade &g = grade("Grade");
  if (!antes) antes = g.guardaLinhas();
  previa_ = true;
  g.acrescentaLinhas(LinhasPesquisa(*tipo_, linhas));
  g.setPosicao(g.FixedRows, 0);
  g.setTopRow(g.FixedRows);
  app().deixaRedesenhar();
}

int FormPesq::transfereLinhas(LinhasCompactas celulas, bool primeiraPagina, bool completo) {
  const int n = celulas.linhas();
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
  barra.setProgresso(completo ? 1 : (barra.valor() + 1) % 10, completo ? 1 : 10);
  return n;
}

namespace {

// A number cell's text (amounts as the screens show them) written into `b`,
// for an amount or an integer; nothing for any other value.
std::optional<QLatin1StringView> numeroEm(const QVariant &valor, Moeda::Buffer &b) {
  const QMetaType tipo = valor.metaType();
  if (tipo == QMetaType::fromType<Moeda>()) return valor.value<Moeda>().formatadaEm(b);
  if (tipo.id() == QMetaType::Double) return Moeda::deDouble(valor.toDouble()).formatadaEm(b);
  if (tipo.id() == QMetaType::Int || tipo.id() == QMetaType::LongLong) {
    const auto fim = std::to_chars(b, b + sizeof b, valor.toLongLong()).ptr;
    return QLatin1StringView(b, fim - b);
  }
  return std::nullopt;
}

QString textoNumero(const QVariant &valor) {
  Moeda::Buffer b;
  if (const auto texto = numeroEm(valor, b)) return QString(*texto);
  return valor.toString();
}

}  // namespace

QString TextoCelulaPesquisa(const QVariant &valor, TipoCelula tipo) {
  if (valor.isNull()) return {};
  switch (tipo) {
    case TipoCelula::Data:
      return valor.toDate().isValid() ? valor.toDate().toString("dd/MM/yyyy") : valor.toString();
    case TipoCelula::Numero:
    case TipoCelula::Percentual:
      return textoNumero(valor);
    case TipoCelula::Texto:
      break;
  }
  return valor.toString().trimmed();
}

LinhasCompactas LinhasPesquisa(const TipoPesquisa &tipo, const QList<QVariantList> &linhas) {
  const int colunas = static_cast<int>(tipo.colunas.size());
  LinhasCompactas bloco(colunas);
  for (const QVariantList &linha : linhas) {
    for (int c = 0; c < colunas; ++c) {
      const QVariant &valor = c < linha.size() ? linha[c] : QVariant();
      // A text read from the database goes in without a copy of its own.
      if (tipo.colunas[c].tipo == TipoCelula::Texto && valor.metaType() == QMetaType::fromType<QString>())
        bloco.acrescenta(QStringView(*static_cast<const QString *>(valor.constData())).trimmed());
      else
        bloco.acrescenta(TextoCelulaPesquisa(valor, tipo.colunas[c].tipo));
    }
  }
  return bloco;
}

namespace {

// A row as the server sent it appended to `bloco` as grid cells.
void acrescentaLinha(LinhasCompactas &bloco, const TipoPesquisa &tipo, const LinhaLida &linha) {
  const int colunas = static_cast<int>(tipo.colunas.size());
  TextoLido texto;
  for (int c = 0; c < colunas; ++c) {
    if (c >= linha.colunas()) {
      bloco.acrescenta(QStringView());
    } else if (tipo.colunas[c].tipo == TipoCelula::Texto && linha.texto(c, texto)) {
      const char *p = texto.bytes.data();
      const qsizetype n = texto.bytes.size();
      qsizetype i = 0;
      while (i < n && static_cast<unsigned char>(p[i]) < 0x80) ++i;
      if (i == n) {
        // ASCII (most of a catalogue): its bytes are the cell's Latin-1
        // text, trimmed of what QString::trimmed takes.
        const auto branco = [](char ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r'); };
        qsizetype a = 0, z = n;
        while (a < z && branco(p[a])) ++a;
        while (z > a && branco(p[z - 1])) --z;
        bloco.acrescenta(QLatin1StringView(p + a, z - a));
      } else {
        const QString s = texto.latin1 ? QString::fromLatin1(p, n) : QString::fromUtf8(p, n);
        bloco.acrescenta(QStringView(s).trimmed());
      }
    } else {
      const QVariant valor = linha.valor(c);
      const TipoCelula tipoCelula = tipo.colunas[c].tipo;
      Moeda::Buffer b;
      std::optional<QLatin1StringView> numero;
      if (!valor.isNull() && (tipoCelula == TipoCelula::Numero || tipoCelula == TipoCelula::Percentual))
        numero = numeroEm(valor, b);
      if (numero) bloco.acrescenta(*numero);
      else bloco.acrescenta(TextoCelulaPesquisa(valor, tipoCelula));
    }
  }
}

}  // namespace

LinhasCompactas LinhasPesquisa(const TipoPesquisa &tipo, const LinhasGuardadas &linhas) {
  LinhasCompactas bloco(static_cast<int>(tipo.colunas.size()));
  for (int i = 0; i < linhas.linhas(); ++i) acrescentaLinha(bloco, tipo, linhas.linha(i));
  return bloco;
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

void AbrePesquisa(Aplicacao &app, const QString &tipoPesq, const Campo *destino) {
  TerminalState &e = app.estado();
  e.TipoPesq = tipoPesq;
  for (QString TerminalState::*codigo : {&TerminalState::CodPesquisa, &TerminalState::CodProPesq,
                                         &TerminalState::CodCliPesq, &TerminalState::CodCpgPesq,
                                         &TerminalState::CodVenPesq, &TerminalState::DadosClientePesq})
    (e.*codigo).clear();
  e.DestinoPesquisa = destino;
  FormPesq pesquisa(app);
  // However the modal run ends (the program may end inside it), the dialog is
  // unloaded before it goes: FormAtual and the screen list never keep it.
  // The opener's field took its code as the focus came back to it (the
  // engine's got-focus step after a modal screen), or no field ever will.
  struct Descarrega {
    Aplicacao &app;
    FormPesq &tela;
    ~Descarrega() {
      if (tela.carregada()) app.descarrega(tela, true);
      app.estado().DestinoPesquisa = nullptr;
    }
  } guarda{app, pesquisa};
  app.mostra(pesquisa, true);
}

bool TomaCodigoPesquisa(Campo &campo, QString TerminalState::*codigo) {
  TerminalState &e = campo.tela().estado();
  if (e.DestinoPesquisa != &campo || (e.*codigo).isEmpty()) return false;
  campo.setTexto(e.*codigo);
  (e.*codigo).clear();
  e.DestinoPesquisa = nullptr;
  return true;
}
