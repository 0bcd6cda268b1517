#pragma once
// Test helpers of the fiscal tests: access to the recording fake libraries of build/ecf-fake.
#include <QLibrary>
#include <QList>
#include <QString>
#include <QStringList>

#include "core/Cp1252.h"
#include "fiscal/BibliotecaEcf.h"
#include "support/TestSupport.h"

using testsupport::OperadorGravador;

inline QString pastaFakes() { return testsupport::buildDir() + "/ecf-fake"; }

// One fake library, opened beside the loader's own handle (the same copy).
class FakeEcf {
 public:
  explicit FakeEcf(MarcaImpressora marca) : lib_(pastaFakes() + "/" + ArquivoBibliotecaEcf(marca)) {
    if (!lib_.load()) throw ErroBibliotecaEcf(lib_.errorString());
  }
  QStringList registro() {
    using F = const char *();
    const QString texto = cp1252::decode(QByteArray(reinterpret_cast<F *>(lib_.resolve("FakeEcf_Registro"))()));
    return texto.split('\n', Qt::SkipEmptyParts);
  }
  void limpa() { reinterpret_cast<void (*)()>(lib_.resolve("FakeEcf_Limpa"))(); }
  void defineRetorno(int r) { reinterpret_cast<void (*)(int)>(lib_.resolve("FakeEcf_DefineRetorno"))(r); }
  void defineSaidas(short a, short b, short c) {
    reinterpret_cast<void (*)(short, short, short)>(lib_.resolve("FakeEcf_DefineSaidas"))(a, b, c);
  }

 private:
  QLibrary lib_;
};
