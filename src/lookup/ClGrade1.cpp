#include "lookup/ClGrade1.h"

#include <QFile>
#include <QSaveFile>

#include "core/Logs.h"
#include "core/Operator.h"
#include "core/Programas.h"
#include "core/Tela.h"
#include "core/Teclas.h"
#include "core/Utilidades.h"
#include "platform/Host.h"
#include "platform/Paths.h"

QString ClGrade1::TextoBusca;
int ClGrade1::LinhaAchada = 0;

ClGrade1::ClGrade1(Tela &tela, Campo &grade) : tela_(tela), campo_(grade), grade_(*grade.grade()) {
  auto anterior = campo_.aoTeclarBaixo;
  campo_.aoTeclarBaixo = [this, anterior](int &tecla, int shift) {
    trataTecla(tecla, shift);
    if (tecla != 0 && anterior) anterior(tecla, shift);
  };
  auto ganhou = campo_.aoGanharFoco;
  campo_.aoGanharFoco = [this, ganhou] {
    tela_.app().mostraAjuda(TextoAjudaGrade);
    if (ganhou) ganhou();
  };
}

void ClGrade1::trataTecla(int &tecla, int) {
  const int t = tecla;
  if (t == tecla::F8 && PegaCampo(campo_.tag, "|", 2).isEmpty()) return;
  if (t != tecla::F2 && t != tecla::F3 && t != tecla::F4 && t != tecla::F8 && t != tecla::F11) return;
  tecla = 0;
  ExecutaComTratamento(tela_.estado(), "Grade_KeyDown", [&] {
    switch (t) {
      case tecla::F2: FindGrade(); break;
      case tecla::F3: GradeNext(); break;
      case tecla::F4: MinimizaPesq(); break;
      case tecla::F8: RepeteDado(); break;
      case tecla::F11: ExportaHtml(); break;
    }
  });
}

QString ClGrade1::cabecalhoColuna() const { return grade_.FixedRows > 0 ? grade_.TextMatrix(0, grade_.Col()) : QString(); }

bool ClGrade1::procura() {
  const int inicio = std::max(LinhaAchada + 1, grade_.FixedRows);
  for (int r = inicio; r < grade_.Rows(); ++r) {
    if (grade_.TextMatrix(r, grade_.Col()).contains(TextoBusca, Qt::CaseInsensitive)) {
      LinhaAchada = r;
      grade_.setRow(r);
      if (r < grade_.TopRow() || r > grade_.TopRow() + 10) grade_.setTopRow(r);
      tela_.focaCampo(campo_);
      return true;
    }
  }
  return false;
}

void ClGrade1::FindGrade() {
  LinhaAchada = 0;
  QString resposta;
  tela_.app().operador().entrada({"PESQUISA COLUNA: " + cabecalhoColuna(), "DIGITE UMA PARTE DO DADO A SER PESQUISADO",
                                  QString(), 100, 100},
                                 resposta);
  TextoBusca = resposta;
  if (!TextoBusca.isEmpty()) procura();
}

void ClGrade1::GradeNext() {
  if (TextoBusca.isEmpty()) return;
  if (procura()) return;
  if (LinhaAchada == 0) return;
  LinhaAchada = 0;
  procura();
}

void ClGrade1::MinimizaPesq() {
  QString resposta;
  tela_.app().operador().entrada({"MINIMIZA PESQUISA POR : " + cabecalhoColuna(),
                                  QStringLiteral("DIGITE ATÉ 3 PALAVRAS DA COLUNA ") + QString::number(grade_.Col() + 1),
                                  QString(), -1, -1},
                                 resposta);
  resposta = resposta.toUpper();
  grade_.setTopRow(grade_.FixedRows);
  tela_.focaCampo(campo_);
  if (resposta.trimmed().isEmpty()) return;
  const QStringList palavras = {PegaCampo(resposta, " ", 1), PegaCampo(resposta, " ", 2), PegaCampo(resposta, " ", 3)};
  Campo *barra = tela_.procura("Barra");
  Campo *anda = tela_.procura("Anda");
  const int total = grade_.Rows() - grade_.FixedRows;
  const int coluna = grade_.Col();
  const int excluidas = grade_.mantemLinhas(
      coluna,
      [&](QAnyStringView texto) {
        const QString celula = texto.toString().toUpper();
        for (const QString &p : palavras)
          if (!celula.contains(p)) return false;
        return true;
      },
      [&](int examinadas) {
        if (barra && (examinadas % 1000 == 0 || examinadas == total)) {
          barra->setProgresso(examinadas, total);
          tela_.app().deixaRedesenhar();
        }
      });
  grade_.setRow(grade_.FixedRows);
  if (anda) anda->setTexto("Foram excluidas " + QString::number(excluidas) + " Linhas da grade !");
}

void ClGrade1::RepeteDado() {
  // The tag's second field names the column range ("3-5") whose values of the
  // current row are repeated on the rows below it (at most 101 values).
  const QString faixa = PegaCampo(campo_.tag, "|", 2);
  const int de = PegaCampo(faixa, "-", 1).toInt(), ate = PegaCampo(faixa, "-", 2).toInt();
  if (de < 0 || ate < de || ate >= grade_.Cols()) return;
  const int origem = grade_.Row();
  Campo *barra = tela_.procura("Barra");
  int valores = 0;
  for (int r = origem + 1; r < grade_.Rows() && valores < 101; ++r) {
    for (int c = de; c <= ate && valores < 101; ++c, ++valores) grade_.setTextMatrix(r, c, grade_.TextMatrix(origem, c));
    if (barra) barra->setProgresso(r - origem, grade_.Rows() - origem - 1);
  }
}

static QString escapa(const QString &t) { return t.toHtmlEscaped(); }

QString GradeParaHtml(const Grade &grade, const QString &titulo) {
  QString h = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\"/>\n<title>" + escapa(titulo) +
              "</title>\n</head>\n<body>\n<table border=\"1\">\n";
  auto alinhamento = [&](int c) {
    switch (grade.alinhamento(c)) {
      case AlinhamentoColuna::Direita: return QStringLiteral(" align=\"right\"");
      case AlinhamentoColuna::Centro: return QStringLiteral(" align=\"center\"");
      case AlinhamentoColuna::Esquerda: break;
    }
    return QString();
  };
  if (grade.FixedRows > 0 && grade.Rows() > 0) {
    h += "<thead>\n<tr>";
    for (int c = 0; c < grade.Cols(); ++c) h += "<th>" + escapa(grade.TextMatrix(0, c)) + "</th>";
    h += "</tr>\n</thead>\n";
  }
  h += "<tbody>\n";
  for (int r = grade.FixedRows; r < grade.Rows(); ++r) {
    h += "<tr>";
    for (int c = 0; c < grade.Cols(); ++c) h += "<td" + alinhamento(c) + ">" + escapa(grade.TextMatrix(r, c)) + "</td>";
    h += "</tr>\n";
  }
  h += "</tbody>\n</table>\n</body>\n</html>\n";
  return h;
}

void ClGrade1::ExportaHtml() {
  QSaveFile arquivo(platform::hostPath(ArquivoGradeHtml));
  const QByteArray html = GradeParaHtml(grade_, tela_.legendaTela()).toUtf8();
  if (!arquivo.open(QIODevice::WriteOnly) || arquivo.write(html) != html.size() || !arquivo.commit()) {
    tela_.app().operador().avisa(QStringLiteral("Não foi possível criar o documento C:\\KW-VELT\\GRADE.HTML: ") +
                                 arquivo.errorString());
    return;
  }
  const Resposta r = tela_.app().operador().mensagem(
      {QStringLiteral("Foi criado o seguinte Documento C:\\KW-VELT\\GRADE.HTML") + "\n" +
           QStringLiteral("Voce deseja: Abrir com Excel (SIM), Abrir em HTML (NÃO) ou sair (CANCEL)"),
       Icone::Critico, Botoes::SimNaoCancelar, Resposta::Sim, QString()});
  QString programa;
  if (r == Resposta::Sim) programa = "c:\\kw-velt\\excel.exe";
  else if (r == Resposta::Nao) programa = "c:\\kw-velt\\theworld.exe";
  if (programa.isEmpty()) {
    tela_.focaCampo(campo_);
    return;
  }
  if (!tela_.estado().programas().inicia(programa + " c:\\kw-velt\\grade.html", platform::WindowStyle::Normal))
    tela_.app().operador().avisa(QStringLiteral("Não foi possível abrir ") + programa + ".");
}
