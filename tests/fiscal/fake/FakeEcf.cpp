// A recording stand-in for a vendor library: every call is logged with its
// arguments ("Bematech_FI_VendeItem|001|...", 16-bit references as "&value"),
// blank output buffers are filled with "ABC..." and 16-bit references get the
// configured values in order. Built once per brand (FAKE_MARCA 1, 2, 3).
#include <string>

#include "fiscal/FuncoesEcf.h"

namespace {

std::string registro;
int retorno = 1;
short saidas[3] = {0, 0, 0};

[[maybe_unused]] void anota(std::string &linha, char *texto) { linha += std::string("|") + (texto ? texto : "(nulo)"); }
[[maybe_unused]] void anota(std::string &linha, short valor) { linha += "|" + std::to_string(valor); }
[[maybe_unused]] void anota(std::string &linha, short *ref) { linha += "|&" + (ref ? std::to_string(*ref) : std::string("nulo")); }

[[maybe_unused]] void preenche(char *texto, int &) {
  if (!texto || !*texto) return;
  for (char *c = texto; *c; ++c)
    if (*c != ' ') return;  // an input text, not an output buffer
  for (int i = 0; texto[i]; ++i) texto[i] = char('A' + i % 26);
}
[[maybe_unused]] void preenche(short, int &) {}
[[maybe_unused]] void preenche(short *ref, int &proxima) {
  if (ref && proxima < 3) *ref = saidas[proxima++];
}

struct Registrador {
  const char *nome;
  template <class... Argumentos>
  int operator()(Argumentos... argumentos) {
    std::string linha = nome;
    (anota(linha, argumentos), ...);
    registro += linha + "\n";
    int proxima = 0;
    (preenche(argumentos, proxima), ...);
    (void)proxima;
    return retorno;
  }
};

}  // namespace

#if FAKE_MARCA == 1
#define FAKE(nome, parametros, argumentos) \
  ECF_EXPORT int ECF_CONV Bematech_FI_##nome parametros { return Registrador{"Bematech_FI_" #nome} argumentos; }
ECF_FUNCOES(FAKE)
#elif FAKE_MARCA == 2
#define FAKE(nome, parametros, argumentos) \
  ECF_EXPORT int ECF_CONV ECF_##nome parametros { return Registrador{"ECF_" #nome} argumentos; }
ECF_FUNCOES(FAKE)
#else
#define FAKE(nome, parametros, argumentos) \
  ECF_EXPORT int ECF_CONV nome parametros { return Registrador{#nome} argumentos; }
ECF_FUNCOES_EPSON(FAKE)
#endif

ECF_EXPORT const char *FakeEcf_Registro() { return registro.c_str(); }
ECF_EXPORT void FakeEcf_Limpa() {
  registro.clear();
  retorno = 1;
  saidas[0] = saidas[1] = saidas[2] = 0;
}
ECF_EXPORT void FakeEcf_DefineRetorno(int valor) { retorno = valor; }
ECF_EXPORT void FakeEcf_DefineSaidas(short a, short b, short c) {
  saidas[0] = a;
  saidas[1] = b;
  saidas[2] = c;
}
