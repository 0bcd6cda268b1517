#pragma once
// Loading the fiscal printer's vendor library by brand. The library is found
// by file name, in the drive's kw-velt folder first and then on the system's
// library path, and loaded once per brand for the rest of the run.
#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

enum class MarcaImpressora { Desconhecida, Bematech, Sweda, Epson };

// The configured brand text, compared exactly ("BEMATECH", "SWEDA", "EPSON").
MarcaImpressora MarcaDe(const QString &marcaEcf);

// The library's file name on this host ("libbemafi32.so", "bemafi32.dll", ...).
QString ArquivoBibliotecaEcf(MarcaImpressora marca);
// The prefix of its functions ("Bematech_FI_", "ECF_"; Epson's names are whole).
QString PrefixoFuncoesEcf(MarcaImpressora marca);

// A library that cannot be loaded, or lacks a function. The screen that made
// the call handles it; nothing is called when it is thrown.
class ErroBibliotecaEcf : public std::runtime_error {
 public:
  explicit ErroBibliotecaEcf(const QString &mensagem)
      : std::runtime_error(mensagem.toStdString()), mensagem_(mensagem) {}
  const QString &mensagem() const { return mensagem_; }

 private:
  QString mensagem_;
};

// Where a library file is looked for: the candidate paths, tried in order.
// A bare file name means the system's library path.
using LocalizadorBibliotecaEcf = std::function<QStringList(const QString &arquivo)>;

// The default: DRIVE/kw-velt/<file>, then the bare file name.
QStringList LocalizaBibliotecaNoDrive(const QString &arquivo);

// Replaces the lookup (tests point it at a fake library); returns the previous
// one. An empty function restores the default. Loaded libraries are unloaded.
LocalizadorBibliotecaEcf DefineLocalizadorBibliotecaEcf(LocalizadorBibliotecaEcf localizador);

// The address of a library function of the brand, loading the library on
// first use. Throws ErroBibliotecaEcf.
void *FuncaoBibliotecaEcf(MarcaImpressora marca, const char *nome);

// Unloads every loaded vendor library (the next call loads it again).
void DescarregaBibliotecasEcf();
