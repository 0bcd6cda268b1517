#include "core/Encerramento.h"

#include <cstdlib>

namespace {
TratadorEncerramento &tratadorAtual() {
  static TratadorEncerramento t;
  return t;
}
}  // namespace

void EncerraPrograma(int codigo, const QString &motivo) {
  if (tratadorAtual()) tratadorAtual()(codigo, motivo);
  // A handler that returns still ends the run: nothing after this may run.
  if (tratadorAtual()) throw ProgramaEncerrado(motivo);
  std::exit(codigo);
}

TratadorEncerramento InstalaTratadorEncerramento(TratadorEncerramento tratador) {
  TratadorEncerramento anterior = tratadorAtual();
  tratadorAtual() = std::move(tratador);
  return anterior;
}
