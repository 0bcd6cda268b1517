#include "app/Replay.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QThread>

#include "app/Programa.h"
#include "core/Encerramento.h"
#include "core/EstoquePendente.h"
#include "core/OperadorRoteiro.h"
#include "core/Programas.h"
#include "core/Teclas.h"
#include "core/TerminalState.h"
#include "fiscal/Ecf.h"

namespace {

// A script line the program cannot carry out (named with its line by passo).
struct FalhaRoteiro {
  QString mensagem;
};

QString aspas(const QString &t) {
  QString e;
  e.reserve(t.size() + 2);
  for (const QChar ch : t) {
    const char16_t u = ch.unicode();
    if (ch == '\\') e += QLatin1String("\\\\");
    else if (ch == '"') e += QLatin1String("\\\"");
    else if (ch == '\r') e += QLatin1String("\\r");
    else if (ch == '\n') e += QLatin1String("\\n");
    else if (ch == '\t') e += QLatin1String("\\t");
    // Other control characters (an escape sequence, a NUL) never reach the
    // terminal that reads the transcript as they are.
    else if (u < 0x20 || (u >= 0x7F && u <= 0x9F)) e += QStringLiteral("\\x%1").arg(int(u), 2, 16, QChar('0'));
    else e += ch;
  }
  return '"' + e + '"';
}

QString hexa(uint32_t cor) { return QString("%1").arg(cor, 6, 16, QChar('0')).toUpper(); }

// The cells of a grid row whose colours differ from the grid's defaults.
QString coresDaLinha(const Grade &g, int r) {
  QStringList cores;
  for (int c = 0; c < g.Cols(); ++c) {
    const uint32_t fundo = g.corFundoCelula(r, c), frente = g.corFrenteCelula(r, c);
    if (fundo == CorFundoGrade && frente == CorFrenteGrade) continue;
    cores << QString("%1:%2/%3").arg(c).arg(hexa(fundo), hexa(frente));
  }
  return cores.isEmpty() ? QString() : "  colours " + cores.join(' ');
}

const QHash<QString, int> &nomesTeclas() {
  static const QHash<QString, int> nomes = {
      {"ENTER", tecla::Enter}, {"ESC", tecla::Esc}, {"TAB", tecla::Tab}, {"UP", tecla::Acima},
      {"DOWN", tecla::Abaixo}, {"LEFT", tecla::Esquerda}, {"RIGHT", tecla::Direita},
      {"DELETE", tecla::Delete}, {"INSERT", tecla::Insert}, {"PAUSE", tecla::Pausa},
      {"BREAK", tecla::Pausa}, {"HOME", tecla::Home}, {"END", tecla::End}, {"PAGEUP", tecla::PageUp},
      {"PAGEDOWN", tecla::PageDown}, {"BACKSPACE", tecla::Back}, {"SPACE", tecla::Espaco}};
  return nomes;
}

}  // namespace

bool Replay::interpretaTecla(const QString &texto, int &codigo, int &shift) {
  QStringList partes = texto.split('+');
  const QString nome = partes.takeLast().toUpper();
  shift = 0;
  for (const QString &m : partes) {
    const QString u = m.toUpper();
    if (u == "SHIFT") shift |= tecla::MascaraShift;
    else if (u == "CTRL") shift |= tecla::MascaraCtrl;
    else if (u == "ALT") shift |= tecla::MascaraAlt;
    else if (u == "ALTGR") shift |= tecla::MascaraAlt | tecla::MascaraAltDireita;
    else return false;
  }
  if (nomesTeclas().contains(nome)) { codigo = nomesTeclas()[nome]; return true; }
  if (nome.size() >= 2 && nome[0] == 'F') {
    bool ok = false;
    const int n = nome.mid(1).toInt(&ok);
    if (ok && n >= 1 && n <= 12) { codigo = tecla::F1 + n - 1; return true; }
  }
  if (nome.size() == 1 && (nome[0].isDigit() || (nome[0] >= 'A' && nome[0] <= 'Z'))) {
    codigo = nome[0].unicode();
    return true;
  }
  return false;
}

Replay::Replay(Programa &programa, OperadorRoteiro &operador, QTextStream &saida)
    : Replay(programa.app(), operador, saida, [&programa] { programa.inicia(); }) {}

Replay::Replay(Aplicacao &app, OperadorRoteiro &operador, QTextStream &saida, std::function<void()> inicia)
    : app_(app), inicia_(std::move(inicia)), operador_(operador), saida_(saida) {
  app.aoMostrar = [this](Tela &t) { escreve("open " + t.nomeTela() + " " + aspas(t.legendaTela()) + (t.modal() ? " modal" : "")); };
  app.aoDescarregar = [this](Tela &t) { escreve("close " + t.nomeTela()); };
  app.aoEsconder = [this](Tela &t) { escreve("hide " + t.nomeTela()); };
  // A modal screen takes the script's next lines until it hides.
  app.executaModal = [this](Tela &t) {
    while (t.visivel() && temMais()) passo();
  };
  operador_.aoRegistrar = [this](const EventoOperador &e) {
    if (e.tipo == EventoOperador::Tipo::Mensagem) {
      const QString titulo = e.mensagem.titulo.isEmpty() ? tituloPrograma() : e.mensagem.titulo;
      escreve("message [" + nomeIcone(e.mensagem.icone) + "] " + aspas(titulo) + " " + aspas(e.mensagem.texto) +
              " -> " + nomeResposta(e.resposta) + (e.respostaPadrao ? " (default)" : ""));
    } else {
      escreve("input " + aspas(e.entrada.titulo) + " " + aspas(e.entrada.pergunta) + " -> " +
              (e.cancelada ? QString("cancel") : aspas(e.textoResposta)) + (e.respostaPadrao ? " (default)" : ""));
    }
  };
  app_.estado().programas().observador = [this](const ProgramaIniciado &p) {
    escreve("run " + aspas(p.linhaComando) + " style=" + NomeEstiloJanela(p.estilo) + " -> " +
            (p.iniciado ? "started" : "failed"));
  };
  InstalaObservadorEcf([this](const ChamadaEcf &c) {
    QStringList args;
    for (const QString &a : c.argumentos) args << aspas(a);
    QString linha = "ecf " + c.funcao + "(" + args.join(", ") + ") = " + QString::number(c.status);
    if (!c.saidas.isEmpty()) {
      QStringList saidas;
      for (const QString &s : c.saidas) saidas << aspas(s);
      linha += " -> " + saidas.join(", ");
    }
    escreve(linha);
  });
}

void Replay::escreve(const QString &linha) {
  saida_ << linha << '\n';
  saida_.flush();
}

int Replay::executa(const QStringList &linhas) {
  linhas_ = linhas;
  proxima_ = 0;
  const TratadorEncerramento anterior =
      InstalaTratadorEncerramento([](int, const QString &motivo) { throw ProgramaEncerrado(motivo); });
  int status = 0;
  try {
    inicia_();
    while (temMais()) passo();
    escreve("end: script finished");
    registraTempo(QString("conflicts %1").arg(ConflitosEstoqueRepetidos()));
  } catch (const ProgramaEncerrado &fim) {
    escreve("end: program ended (" + fim.motivo() + ")");
  } catch (const ErroRoteiro &erro) {
    escreve(QString("error: script line %1: %2").arg(erro.linha).arg(erro.mensagem));
    status = 2;
  } catch (const std::exception &erro) {
    // A fault of the program, not of the script.
    escreve(QString("error: program fault after script line %1: %2").arg(proxima_).arg(QString::fromUtf8(erro.what())));
    status = 3;
  }
  InstalaTratadorEncerramento(anterior);
  InstalaObservadorEcf({});
  app_.estado().programas().observador = {};
  // The end line is the transcript's last: screens taken down as the
  // program object goes are not part of the run.
  app_.aoMostrar = app_.aoEsconder = app_.aoDescarregar = {};
  return status;
}

void Replay::registraTempo(const QString &linha) {
  static const QString arquivo = qEnvironmentVariable("PDV_REPLAY_TEMPOS");
  if (arquivo.isEmpty()) return;
  QFile f(arquivo);
  if (f.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) f.write((linha + '\n').toUtf8());
}

void Replay::passo() {
  const int numero = proxima_ + 1;
  const QString linha = linhas_[proxima_++].trimmed();
  if (linha.isEmpty() || linha.startsWith('#')) return;
  const qsizetype espaco = linha.indexOf(' ');
  const QString acao = espaco < 0 ? linha : linha.left(espaco);
  const QString argumento = espaco < 0 ? QString() : linha.mid(espaco + 1);
  try {
    if (acao.compare("measure", Qt::CaseInsensitive) == 0) {
      if (argumento.trimmed().isEmpty()) throw FalhaRoteiro{"measure needs a label"};
      medindo_ = argumento.trimmed();
      return;
    }
    if (acao.compare("pause", Qt::CaseInsensitive) == 0) {
      pausa(argumento);
      return;
    }
    // A modal screen the action opens runs the next lines inside it: the
    // time is the action's, the pauses among those lines left out.
    const QString rotulo = std::exchange(medindo_, QString());
    QElapsedTimer relogio;
    relogio.start();
    const double pausadoAntes = pausadoMs_;
    aplica(acao.toLower(), argumento);
    if (!rotulo.isEmpty())
      registraTempo(rotulo + " " + QString::number(relogio.nsecsElapsed() / 1e6 - (pausadoMs_ - pausadoAntes), 'f', 3));
    // Screens unloaded during the step are deleted once it is over, as the
    // window's event loop does.
    app_.recolhe();
  } catch (const FalhaRoteiro &e) {
    throw ErroRoteiro{numero, e.mensagem};
  }
}

// "pause MIN [MAX]": the cashier's pause, MIN to MAX milliseconds at random.
void Replay::pausa(const QString &argumento) {
  const QStringList partes = argumento.split(' ', Qt::SkipEmptyParts);
  bool ok1 = false, ok2 = true;
  const int minimo = partes.value(0).toInt(&ok1);
  const int maximo = partes.size() > 1 ? partes[1].toInt(&ok2) : minimo;
  if (!ok1 || !ok2 || partes.size() > 2 || minimo < 0 || maximo < minimo || maximo > 600000)
    throw FalhaRoteiro{"pause takes milliseconds: pause MIN [MAX]"};
  const int ms = minimo == maximo ? minimo : static_cast<int>(QRandomGenerator::global()->bounded(minimo, maximo + 1));
  QElapsedTimer relogio;
  relogio.start();
  QThread::msleep(static_cast<unsigned long>(ms));
  pausadoMs_ += relogio.nsecsElapsed() / 1e6;
}

std::optional<QDateTime> Replay::relogioDoRoteiro(const QStringList &linhas, QString &erro) {
  for (const QString &bruta : linhas) {
    const QString linha = bruta.trimmed();
    if (linha.isEmpty() || linha.startsWith('#')) continue;
    if (!linha.startsWith("clock ", Qt::CaseInsensitive)) break;
    return leRelogio(linha.mid(6).trimmed(), erro);
  }
  return std::nullopt;
}

std::optional<QDateTime> Replay::leRelogio(const QString &texto, QString &erro) {
  const QDateTime quando = QDateTime::fromString(texto, Qt::ISODate);
  if (!quando.isValid() || !texto.contains('T')) {
    erro = "the clock must be a date and time like 2026-12-07T09:30:00, not \"" + texto + "\"";
    return std::nullopt;
  }
  return quando;
}

void Replay::aplica(const QString &acao, const QString &argumento) {
  if (acao != "clock") ++acoesFeitas_;
  Tela *frente = app_.telaFrente();
  auto exigeTela = [&] {
    if (!frente) throw FalhaRoteiro{"no screen is open"};
    return frente;
  };
  if (acao == "type") {
    exigeTela()->digita(argumento);
  } else if (acao == "key") {
    for (const QString &nome : argumento.split(' ', Qt::SkipEmptyParts)) {
      int codigo = 0, shift = 0;
      if (!interpretaTecla(nome, codigo, shift)) throw FalhaRoteiro{"unknown key " + nome};
      Tela *tela = exigeTela();
      // The space bar in an edit field types a blank, as the keyboard does
      // (the key's own event comes with the character).
      if (codigo == tecla::Espaco && shift == 0 && tela->focado() && tela->focado()->ehEditavel())
        tela->digita(QStringLiteral(" "));
      else
        tela->teclaBaixo(codigo, shift);
      frente = app_.telaFrente();
    }
  } else if (acao == "click") {
    const QString nome = argumento.trimmed();
    if (!exigeTela()->procura(nome))
      throw FalhaRoteiro{"unknown control " + nome + " on " + frente->nomeTela()};
    frente->clica(nome);
  } else if (acao == "answer") {
    const QString b = argumento.trimmed().toLower();
    if (b == "yes") operador_.respondeMensagem(Resposta::Sim);
    else if (b == "no") operador_.respondeMensagem(Resposta::Nao);
    else if (b == "cancel") operador_.respondeMensagem(Resposta::Cancelar);
    else if (b == "ok") operador_.respondeMensagem(Resposta::Ok);
    else throw FalhaRoteiro{"unknown button " + argumento};
  } else if (acao == "input") {
    operador_.respondeEntrada(argumento);
  } else if (acao == "input-cancel") {
    operador_.cancelaEntrada();
  } else if (acao == "timers") {
    app_.executaPeriodicas();
  } else if (acao == "dump") {
    despeja();
  } else if (acao == "front") {
    // The cashier clicks another open window.
    Tela *alvo = nullptr;
    for (Tela *t : app_.telas())
      if (t->visivel() && t->nomeTela().compare(argumento.trimmed(), Qt::CaseInsensitive) == 0) alvo = t;
    if (!alvo) throw FalhaRoteiro{"no open screen " + argumento.trimmed()};
    app_.trazFrente(*alvo);
  } else if (acao == "clock") {
    // Read before the program started (relogioDoRoteiro); later it would
    // change times already shown.
    if (acoesFeitas_ > 0) throw FalhaRoteiro{"clock must come before the first action"};
    return;
  } else {
    throw FalhaRoteiro{"unknown action " + acao};
  }
}

void Replay::despeja() {
  Tela *t = app_.telaFrente();
  if (!t) {
    escreve("dump: no screen");
    return;
  }
  escreve("dump " + t->nomeTela() + " " + aspas(t->legendaTela()) +
          (t->focado() ? " focus=" + t->focado()->nome() : QString()));
  for (const auto &c : t->campos()) {
    const QString texto = c->tipo() == TipoCampo::Senha ? QString(c->texto().size(), '*') : c->texto();
    QString extra;
    if (c->tipo() == TipoCampo::Marca && c->marcado()) extra += " checked";
    if (Campo *ancora = c->ancoraGrade()) extra += QString(" over %1 row %2").arg(ancora->nome()).arg(c->linhaAncorada());
    escreve("  " + c->nome() + " " + aspas(texto) + (c->enabled() ? "" : " disabled") +
            (c->visible() ? "" : " hidden") + extra);
    if (c->tipo() == TipoCampo::Lista) {
      QStringList itens;
      for (const QString &i : c->itens()) itens << aspas(i);
      escreve(QString("    items [%1] index=%2").arg(itens.join(", ")).arg(c->ListIndex()));
    }
    if (Grade *g = c->grade()) {
      escreve(QString("    grid row=%1 col=%2 top=%3 selection=%4,%5-%6,%7")
                  .arg(g->Row()).arg(g->Col()).arg(g->TopRow())
                  .arg(qMin(g->Row(), g->RowSel())).arg(qMin(g->Col(), g->ColSel()))
                  .arg(qMax(g->Row(), g->RowSel())).arg(qMax(g->Col(), g->ColSel())));
      for (int r = 0; r < g->Rows(); ++r)
        escreve(QString("    row %1: ").arg(r) + g->linha(r).join(" | ") + coresDaLinha(*g, r));
    }
  }
  for (const QString &linha : t->estadoInterno()) escreve("  = " + linha);
}
