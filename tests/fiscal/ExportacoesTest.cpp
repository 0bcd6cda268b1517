// The simulator's three libraries export the vendors' full function lists.
#include <QLibrary>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include "fiscal/BibliotecaEcf.h"
#include "fiscal/FuncoesEcf.h"
#include "support/TestSupport.h"

namespace {

QStringList nomesEsperados(MarcaImpressora marca) {
  QStringList nomes;
#define NOME(nome, parametros, argumentos) nomes << QStringLiteral(#nome);
  if (marca == MarcaImpressora::Epson) {
    ECF_FUNCOES_EPSON(NOME)
  } else {
    ECF_FUNCOES(NOME)
    for (QString &n : nomes) n.prepend(PrefixoFuncoesEcf(marca));
  }
#undef NOME
  return nomes;
}

QString bibliotecaDoSimulador(MarcaImpressora marca) {
  return testsupport::buildDir() + "/ecf-sim/" + ArquivoBibliotecaEcf(marca);
}

const MarcaImpressora kMarcas[] = {MarcaImpressora::Bematech, MarcaImpressora::Sweda, MarcaImpressora::Epson};

TEST(ExportacoesDoSimulador, CadaNomeSeResolve) {
  EXPECT_EQ(nomesEsperados(MarcaImpressora::Bematech).size(), 35);
  for (MarcaImpressora marca : kMarcas) {
    QLibrary lib(bibliotecaDoSimulador(marca));
    ASSERT_TRUE(lib.load()) << lib.errorString().toStdString();
    for (const QString &nome : nomesEsperados(marca)) EXPECT_NE(lib.resolve(nome.toLatin1()), nullptr) << nome.toStdString();
  }
}

TEST(ExportacoesDoSimulador, NmListaAsFuncoesEMaisNada) {
  const QString nm = QStandardPaths::findExecutable("nm");
  if (nm.isEmpty()) GTEST_SKIP() << "nm not installed";
  for (MarcaImpressora marca : kMarcas) {
    QProcess p;
    p.start(nm, {"-D", "--defined-only", bibliotecaDoSimulador(marca)});
    ASSERT_TRUE(p.waitForFinished(60000));
    QStringList definidos;
    for (const QString &linha : QString::fromLatin1(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
      if (linha.section(' ', 1, 1) == "T") definidos << linha.section(' ', 2, 2);
    QStringList esperados = nomesEsperados(marca);
    definidos.sort();
    esperados.sort();
    EXPECT_EQ(definidos, esperados) << ArquivoBibliotecaEcf(marca).toStdString();
  }
}

}  // namespace
