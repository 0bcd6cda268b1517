#!/bin/bash
# Pictures of a cashier's day: drives the real windowed program (build/pdv)
# under Xvfb at 1024x768, keyboard only, on a fresh demo drive, and writes one
# PNG per screen into OUTDIR. No window manager is needed, and the machine's
# clock is never set (the program runs with --keep-clock).
#
#   scripts/screenshots.sh OUTDIR
#
# Needs Xvfb, xdotool and ImageMagick's import (Debian: xvfb xdotool
# imagemagick) and a built tree (build/pdv, build/pdv-admin).
set -euo pipefail

OUT=${1:?usage: scripts/screenshots.sh OUTDIR}
RAIZ=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$RAIZ/build}
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)

for programa in Xvfb xdotool import; do
  command -v "$programa" >/dev/null || { echo "screenshots.sh: $programa is missing" >&2; exit 2; }
done
[ -x "$BUILD/pdv" ] && [ -x "$BUILD/pdv-admin" ] || { echo "screenshots.sh: build first ($BUILD)" >&2; exit 2; }

TMP=$(mktemp -d /tmp/pdv-fotos.XXXXXX)
XPID=""
PPID_PDV=""
termina() {
  [ -n "$PPID_PDV" ] && kill "$PPID_PDV" 2>/dev/null || true
  [ -n "$XPID" ] && kill "$XPID" 2>/dev/null || true
  rm -rf "$TMP"
}
trap termina EXIT

# A free display number.
for n in $(seq 90 140); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { TELA=":$n"; break; }
done
Xvfb "$TELA" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XPID=$!
export DISPLAY=$TELA
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

"$BUILD/pdv-admin" init-drive "$TMP/drive" --demo >/dev/null
export PDV_DRIVE=$TMP/drive
"$BUILD/pdv" --keep-clock >"$TMP/pdv.log" 2>&1 &
PPID_PDV=$!

N=0
# foto NAME: waits for the screen to settle and saves it as NN-NAME.png.
foto() {
  sleep "${ESPERA:-1.2}"
  N=$((N + 1))
  import -window root "$OUT/$(printf %02d $N)-$1.png"
}
tecla() { for k in "$@"; do xdotool key --delay 80 "$k"; sleep "${PAUSA:-0.5}"; done; }
# abre KEY...: keys that open a screen, with time for it to come up.
abre() { PAUSA=2 tecla "$@"; }
digita() { xdotool type --delay 60 "$1"; sleep 0.3; }
vivo() { kill -0 "$PPID_PDV" 2>/dev/null || { echo "screenshots.sh: pdv ended early:" >&2; cat "$TMP/pdv.log" >&2; exit 1; }; }

ESPERA=4 foto login                       # the demo login tells operator and password
vivo
digita 1; tecla Return; digita 1234; tecla Return
foto pergunta-formas                      # start-up question: program the payment forms
tecla Return                              # Sim
foto programa-formas
tecla Return
foto abertura-do-dia
digita 300,00; tecla Return Return
ESPERA=2 foto tela-de-venda
vivo
abre F1
foto teclas-F1                            # F1: the sale screen's keys
tecla Escape
tecla F2; digita 1.; tecla Return; digita 3.; tecla Return; digita 5.; tecla Return
foto cupom-com-itens
abre F10
foto quantidade-F10
digita 2; tecla Return; digita 1.; tecla Return
abre F6
foto cancela-item-F6
tecla Escape
abre F2; digita CAF; abre Return
ESPERA=2 foto pesquisa-na-venda          # the product search opened mid-sale
abre Return                               # the row chosen: its code back in the product field
tecla Return                              # sold
abre F4
foto pagamento
abre Return; digita 1; tecla Return       # cash: the amount still open comes preset
foto pagamento-dinheiro
tecla Return Return Return
foto pagamento-gravado
abre F4
abre F7
digita 200,00; tecla Return
foto fechamento-completo                  # the change shown
abre F7
ESPERA=3 foto venda-gravada
abre F2; digita 3.; tecla Return
abre F7
foto fechamento-resumido
abre F7
sleep 2
tecla alt+1 6; abre 1
foto sangria
digita 100,00; tecla Tab; abre Return
foto sangria-feita
tecla alt+1 2; abre 1
ESPERA=2 foto leitura-x
tecla Next Next
foto leitura-x-rolada
abre Escape
tecla alt+2; abre 6
ESPERA=2 foto relatorio-do-dia
abre Escape
tecla alt+2; abre 2
foto pre-venda
abre Escape
tecla alt+2; abre 5
foto visualiza-venda
abre Escape
tecla alt+1; abre 3
foto reducao-z
tecla Tab Return                          # Não: the day stays open
vivo
echo "$N pictures in $OUT"
