#!/usr/bin/env python3
"""Power cuts during sales, measured: the real program run in replay mode on a
drive of its own, killed with SIGKILL at a random moment of the run (uniform
over its duration after the login) or at one of the program's own kill points
(PDV_FALHA_EM), then started again with a plain login so it recovers. After
all runs the simulated printer's paper tape is compared with the database:
every coupon the printer closed as a sale is recorded exactly once (header,
items, fiscal summary, totals equal to the coupon's), nothing is recorded for
a coupon the printer cancelled or never closed, nothing is left pending in
the journal.

    bench/mortes.py [--kills 160] [--build build] [--drive DIR] [--seed N] [--share-points 0.25]

Takes a few minutes (about 3 s per killed run). Exit status 0 when nothing
was lost, doubled or invented, 1 otherwise (each case printed with its run).
"""
import argparse
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

LOGIN_DIA_NOVO = "type 1\nkey Enter\nanswer No\ntype 1234\nkey Enter\nkey Enter\nkey Enter\n"
LOGIN = "type 1\nkey Enter\ntype 1234\nkey Enter\n"

# The pieces a run's script is made of, each a sale of its own.
PECAS = {
    # rice and water, the summarised closing
    "resumida": "key F2\ntype 1.\nkey Enter\ntype 8.\nkey Enter\nkey F7\nkey F7\n",
    # the same paid on the payment grid, the complete closing
    "completa": "key F2\ntype 1.\nkey Enter\ntype 8.\nkey Enter\nkey F4\nkey Enter\ntype 1\nkey Enter\n"
                "key Enter\nkey Enter\nkey Enter\nkey Esc\nkey F7\nkey F7\n",
    # three items, the first cancelled (F6), then closed
    "item-cancelado": "key F2\ntype 1.\nkey Enter\ntype 8.\nkey Enter\ntype 2.\nkey Enter\n"
                      "input 1\ninput 1\nkey F6\nkey F7\nkey F7\n",
    # a sale closed and its coupon cancelled with F8
    "cupom-cancelado": "key F2\ntype 2.\nkey Enter\ntype 8.\nkey Enter\nkey F7\nkey F7\nanswer Yes\nkey F8\n",
    # pre-sales printed as coupons (only when free)
    "prevenda-101": "click P0202\ntype 101\nkey Enter\nkey F5\n",
    "prevenda-111": "click P0202\ntype 111\nkey Enter\ntype 0\nkey F5\n",
}
PONTOS = ["diario-fechando", "impressora-fechou", "diario-fechada", "banco-gravou"]


class Banco:
    """Queries through isql-fb on a drive's embedded database (a file) or a
    server's ("host/port:path") as the given user."""

    def __init__(self, arquivo, usuario="SYSDBA", senha="masterkey"):
        self.arquivo = arquivo
        self.usuario = usuario
        self.senha = senha

    def executa(self, sql):
        for tentativa in range(100):
            p = subprocess.run(["isql-fb", "-user", self.usuario, "-password", self.senha, "-q", self.arquivo],
                               input="set heading off;\n" + sql + "\ncommit;\n", capture_output=True, text=True)
            if p.returncode == 0 and "Statement failed" not in p.stderr:
                return p.stdout
            time.sleep(0.1)  # the release program's stand-in may hold the file a moment
        raise RuntimeError("isql-fb: " + p.stderr)

    def linhas(self, colunas, resto):
        expr = " || '|' || ".join("coalesce(cast(%s as varchar(40)), '<null>')" % c for c in colunas)
        out = self.executa("select 'R|' || %s %s;" % (expr, resto))
        return [l.strip()[2:].split("|") for l in out.splitlines() if l.strip().startswith("R|")]


def centavos(texto):
    """'1.234,56' or '101.2500' (as the database casts it) in cents."""
    t = texto.strip()
    if "," in t:
        t = t.replace(".", "").replace(",", ".")
    inteiro, _, frac = t.partition(".")
    frac = (frac + "00")[:2] if frac else "00"
    return int(inteiro) * 100 + int(frac) * (-1 if t.startswith("-") else 1)


def le_bobina(arquivo):
    """The coupons on the paper tape: coo -> {estado, total, epn}. estado is
    'fechado' (closed as a sale), 'cancelado' (cancelled open or after it
    closed) or 'rasgado' (neither closed nor cancelled on the tape)."""
    with open(arquivo, encoding="utf-8", errors="replace") as f:
        linhas = f.read().split("\n")
    docs = []
    for i, l in enumerate(linhas):
        m = re.search(r"COO:(\d{6})$", l)
        if m and i + 1 < len(linhas):
            docs.append({"coo": int(m.group(1)), "titulo": linhas[i + 1].strip(), "linhas": []})
        elif docs:
            docs[-1]["linhas"].append(l)
    cupons = {}
    repetidos = []  # a COO printed on two coupons
    for d in docs:
        corpo = d["linhas"]
        if d["titulo"] == "CUPOM FISCAL":
            total = None
            epn = None
            for l in corpo:
                if l.startswith("TOTAL R$"):
                    total = centavos(l.split()[-1])
                m = re.match(r"EPN\s+:\s*(\d+)", l)
                if m:
                    epn = int(m.group(1))
            # The first end the coupon met: its footer (closed) or the
            # cancellation of the open coupon. A cancellation printed after
            # the footer belongs to a coupon whose opening never reached the
            # tape (the memory was saved, the tape not written yet).
            estado = "rasgado"
            for l in corpo:
                if "*** CUPOM FISCAL CANCELADO ***" in l:
                    estado = "cancelado"
                    break
                if l.startswith("ECF-SIM  FAB:"):
                    estado = "fechado"
                    break
            if d["coo"] in cupons:
                repetidos.append(d["coo"])
            cupons[d["coo"]] = {"estado": estado, "total": total, "epn": epn}
        elif d["titulo"] == "CUPOM FISCAL CANCELADO":
            for l in corpo:
                m = re.match(r"COO do cupom cancelado:\s+(\d+)", l)
                if m and int(m.group(1)) in cupons:
                    cupons[int(m.group(1))]["estado"] = "cancelado"
                    cupons[int(m.group(1))]["cancelado_depois"] = True
    return cupons, repetidos


class Execucao:
    def __init__(self, args):
        self.args = args
        self.build = os.path.abspath(args.build)
        self.pasta = tempfile.mkdtemp(prefix="pdv-mortes-") if not args.drive else None
        self.drive = os.path.abspath(args.drive) if args.drive else os.path.join(self.pasta, "drive")
        self.banco = Banco(os.path.join(self.drive, "kw-velt", "dados.fdb"))
        self.roteiro = os.path.join(os.path.dirname(self.drive), "roteiro-mortes.txt")
        self.rnd = random.Random(args.seed)
        self.log = []        # one record per run
        self.notas = []      # what recovery left and the run explains
        self.duracao = {}    # piece -> seconds after the login, un-killed
        self.fechados_memoria = {}  # coo -> total, as the memory held them after kills
        self.escolhidas = args.pieces.split(",") if args.pieces else list(PECAS)

    def roda(self, script, matar_em=None, ponto=None, desde_inicio=False):
        """One run. matar_em: seconds after the sale screen opened (after the
        start with desde_inicio) to SIGKILL it. Returns (exit status,
        transcript, killed by us, seconds after login, seconds in all)."""
        with open(self.roteiro, "w") as f:
            f.write(script)
        env = dict(os.environ, PDV_DRIVE=self.drive, QT_QPA_PLATFORM="offscreen", PDV_FALHA_EM=ponto or "")
        p = subprocess.Popen([os.path.join(self.build, "pdv"), "--replay", self.roteiro], env=env,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, bufsize=1)
        saida = []
        logado = threading.Event()
        t0 = [None]

        def le():
            for l in p.stdout:
                saida.append(l)
                if l.startswith("open PForm ") and not logado.is_set():
                    t0[0] = time.monotonic()
                    logado.set()

        partida = time.monotonic()
        leitor = threading.Thread(target=le, daemon=True)
        leitor.start()
        matou = False
        if matar_em is not None and desde_inicio:
            try:
                p.wait(matar_em)
            except subprocess.TimeoutExpired:
                p.send_signal(signal.SIGKILL)
                matou = True
        elif matar_em is not None:
            if logado.wait(60):
                restante = t0[0] + matar_em - time.monotonic()
                try:
                    p.wait(max(restante, 0))
                except subprocess.TimeoutExpired:
                    p.send_signal(signal.SIGKILL)
                    matou = True
        rc = p.wait(120)
        leitor.join(10)
        fim = time.monotonic()
        self.total = fim - partida
        return rc, "".join(saida), matou, (fim - t0[0]) if t0[0] else None

    def guarda_memoria(self):
        """After a kill: the coupon the printer's memory holds as its last one
        closed. The simulator saves its memory before it writes the paper
        tape, so a kill between the two leaves a closed coupon without its
        closing lines on the tape; the memory then says what it did."""
        with open(os.path.join(self.drive, "kw-velt", "ecf-sim", "memoria.json")) as f:
            m = json.load(f)
        u = m.get("ultimoCupom", {})
        if u.get("cancelavel") and u.get("pagamentos") and m.get("cupom", {}).get("estado") == 0:
            self.fechados_memoria[int(u["coo"])] = int(u["total"])

    def pendentes(self):
        d = os.path.join(self.drive, "kw-velt", "vendas")
        return sorted(f for f in os.listdir(d) if f.endswith(".venda")) if os.path.isdir(d) else []

    def recusadas(self):
        d = os.path.join(self.drive, "kw-velt", "vendas", "recusadas")
        return sorted(f for f in os.listdir(d) if f.endswith(".venda")) if os.path.isdir(d) else []

    def prevenda_livre(self, epn):
        r = self.banco.linhas(["StaEpn", "NfsEpn"], "from TB_VDA_CADEPN where CodEpn = %d" % epn)
        return r and r[0][0] == "0" and r[0][1] == "<null>"

    def libera_prevendas(self, corrida):
        """Pre-sales printed are made printable again (their summaries and
        the coupons they name stay on the tape and in TB_VDA_CADNOT), only
        while the journal holds nothing pending."""
        if self.pendentes():
            return
        for epn in (101, 111):
            r = self.banco.linhas(["StaEpn", "NfsEpn", "NfiEpn"], "from TB_VDA_CADEPN where CodEpn = %d" % epn)
            if r and not (r[0][0] == "0" and r[0][1] == "<null>"):
                if r[0][2] == "<null>":
                    self.notas.append("after run %d: pre-sale %d left claimed without a coupon (StaEpn %s, NfsEpn %s)"
                                      % (corrida - 1, epn, r[0][0], r[0][1]))
                self.banco.executa("update TB_VDA_CADEPN set StaEpn = 0, NfsEpn = Null, NfiEpn = Null, "
                                   "NffEpn = Null where CodEpn = %d;" % epn)

    def calibra(self):
        for nome, peca in PECAS.items():
            self.libera_prevendas(0)
            rc, t, _, depois = self.roda(LOGIN + peca)
            if rc != 0 or "end: script finished" not in t:
                sys.exit("calibration run %s failed (%d):\n%s" % (nome, rc, t))
            self.duracao[nome] = depois
            self.log.append({"corrida": 0, "pecas": [nome], "morte": None})

    def corre(self):
        a = self.args
        if os.path.exists(os.path.join(self.drive, "kw-velt", "dados.fdb")):
            sys.exit("the drive already has a database: give a new folder")
        subprocess.run([os.path.join(self.build, "pdv-admin"), "init-drive", self.drive, "--demo"], check=True,
                       capture_output=True)
        rc, t, _, _ = self.roda(LOGIN_DIA_NOVO)
        if rc != 0:
            sys.exit("first login failed:\n" + t)
        self.calibra()
        carga0 = os.getloadavg()
        inicio = time.monotonic()
        mortes_acaso = mortes_ponto = corrida = 0
        self.partidas_mortas = 0
        self.roda(LOGIN)
        self.duracao_partida = self.total
        self.partidas = [self.total]
        while mortes_acaso + mortes_ponto < a.kills:
            corrida += 1
            self.libera_prevendas(corrida)
            pecas = []
            for _ in range(2):
                nome = self.rnd.choice(self.escolhidas)
                # One pre-sale a run, while it is free (a printed pre-sale
                # leaves its screen on the number field).
                if nome.startswith("prevenda") and (any(p.startswith("prevenda") for p in pecas)
                                                    or not self.prevenda_livre(int(nome[-3:]))):
                    nome = "resumida"
                pecas.append(nome)
            script = LOGIN + "".join(PECAS[p] for p in pecas)
            ponto = None
            matar = None
            if self.rnd.random() < a.share_points:
                ponto = self.rnd.choice(PONTOS)
            else:
                matar = self.rnd.uniform(0, sum(self.duracao[p] for p in pecas))
            rc, t, matou, _ = self.roda(script, matar, ponto)
            morreu_no_ponto = ponto is not None and rc != 0 and "end: script finished" not in t
            if matou or morreu_no_ponto:
                self.guarda_memoria()
            if matou:
                mortes_acaso += 1
            elif morreu_no_ponto:
                mortes_ponto += 1
            registro = {"corrida": corrida, "pecas": pecas, "ponto": ponto, "matar_em": matar, "morto": matou,
                        "morreu_no_ponto": morreu_no_ponto, "rc": rc, "ultima": t.strip().split("\n")[-1][:160]}
            if not matou and not morreu_no_ponto and "end: script finished" not in t:
                self.notas.append("run %d ended on its own: %s" % (corrida, registro["ultima"]))
            if self.rnd.random() < a.share_double:
                # The recovering start itself cut short, at any moment of it.
                quando = self.rnd.uniform(0, self.duracao_partida)
                _, _, matou2, _ = self.roda(LOGIN, quando, desde_inicio=True)
                registro["partida_morta_em"] = quando if matou2 else None
                if matou2:
                    self.guarda_memoria()
                self.partidas_mortas += 1 if matou2 else 0
            rc2, t2, _, _ = self.roda(LOGIN)
            self.partidas.append(self.total)
            self.duracao_partida = sorted(self.partidas)[len(self.partidas) // 2]
            registro["recuperacao"] = rc2
            if rc2 != 0 or "end: script finished" not in t2:
                self.notas.append("run %d: the recovering start failed (%d): %s" % (corrida, rc2, t2[-400:]))
            avisos = [l for l in t2.split("\n") if l.startswith("message [")]
            if avisos:
                registro["avisos"] = avisos
            if self.pendentes():
                self.notas.append("run %d: pending after the recovering start: %s" % (corrida, self.pendentes()))
            self.log.append(registro)
            if a.verbose:
                print(json.dumps(registro, ensure_ascii=False), flush=True)
        self.tempo = time.monotonic() - inicio
        self.carga = (carga0, os.getloadavg())
        self.mortes = (corrida, mortes_acaso, mortes_ponto)

    def confere(self):
        fechados = perdidos = dobrados = inventados = gravados = 0
        self.rasgados = 0
        cupons, repetidos = le_bobina(os.path.join(self.drive, "kw-velt", "ecf-sim", "bobina.txt"))
        for coo, c in cupons.items():
            if c["estado"] == "rasgado" and coo in self.fechados_memoria:
                c["estado"] = "fechado"
                c["total"] = self.fechados_memoria[coo]
                self.rasgados += 1
        demo = "CodEpn < 1001"
        cab = self.banco.linhas(["CodEpn", "NfiEpn", "StaEpn", "TotEpn"],
                                "from TB_VDA_CADEPN where NfsEpn = '001' and not (%s)" % demo)
        itens = {r[0]: (int(r[1]), centavos(r[2])) for r in self.banco.linhas(
            ["CodEpnIt", "count(*)", "sum(CtoEpnIt)"], "from TB_VDA_CADEPNIT group by CodEpnIt")}
        pag = {r[0]: centavos(r[1]) for r in self.banco.linhas(["EpnPag", "sum(ValPag)"],
                                                              "from TB_VDA_EPNPAG group by EpnPag")}
        resumos = self.banco.linhas(["NumNot", "EpnNot", "ValNot"], "from TB_VDA_CADNOT where SerNot = '001'")
        por_cupom_cab = {}
        for c in cab:
            por_cupom_cab.setdefault(int(c[1]), []).append(c)
        por_cupom_res = {}
        for r in resumos:
            por_cupom_res.setdefault(int(r[0]), []).append(r)
        self.cancelados_gravados = 0
        problemas = []
        for coo, c in sorted(cupons.items()):
            cabs = por_cupom_cab.get(coo, [])
            res = por_cupom_res.get(coo, [])
            if c["estado"] == "fechado":
                fechados += 1
                if not c["epn"]:  # its footer lost with the tape: the summary names the pre-sale
                    c["epn"] = next((int(r[1]) for r in res if int(r[1]) < 1001 and not cabs), None)
                if c["epn"]:  # a pre-sale: its summary row names the coupon
                    n = len([r for r in res if int(r[1]) == c["epn"]])
                    if n == 0:
                        perdidos += 1
                        problemas.append("LOST pre-sale %d coupon %d (tape total %d)" % (c["epn"], coo, c["total"]))
                    elif n > 1:
                        dobrados += 1
                        problemas.append("DOUBLED pre-sale %d coupon %d: %s" % (c["epn"], coo, res))
                    else:
                        gravados += 1
                        r = [r for r in res if int(r[1]) == c["epn"]][0]
                        if centavos(r[2]) != c["total"]:
                            problemas.append("TOTAL pre-sale coupon %d: tape %d, summary %s" % (coo, c["total"], r[2]))
                    continue
                if not cabs:
                    perdidos += 1
                    problemas.append("LOST coupon %d (tape total %d)" % (coo, c["total"]))
                    continue
                if len(cabs) > 1 or len(res) > 1:
                    dobrados += 1
                    problemas.append("DOUBLED coupon %d: headers %s summaries %s" % (coo, cabs, res))
                    continue
                gravados += 1
                codigo, _, sta, tot = cabs[0]
                n_itens, soma = itens.get(codigo, (0, 0))
                erros = []
                if centavos(tot) != c["total"]:
                    erros.append("TotEpn %s" % tot)
                if n_itens == 0 or soma != c["total"]:
                    erros.append("%d items adding up to %d" % (n_itens, soma))
                if codigo in pag and pag[codigo] != c["total"]:
                    erros.append("payment rows adding up to %d" % pag[codigo])
                if len(res) != 1 or int(res[0][1]) != int(codigo) or centavos(res[0][2]) != c["total"]:
                    erros.append("summary %s" % res)
                if erros:
                    problemas.append("INCONSISTENT coupon %d (empenho %s, tape total %d): %s"
                                     % (coo, codigo, c["total"], "; ".join(erros)))
            elif c["estado"] == "cancelado":
                # A coupon cancelled with F8 after it closed may have been
                # recorded first (the cancellation program undoes it): once
                # at most. One cancelled while open must not be recorded.
                if c.get("cancelado_depois"):
                    if len(cabs) > 1 or len(res) > 1:
                        dobrados += 1
                        problemas.append("DOUBLED cancelled coupon %d: %s %s" % (coo, cabs, res))
                    elif cabs or res:
                        self.cancelados_gravados += 1
                elif cabs or res:
                    inventados += 1
                    problemas.append("INVENTED: coupon %d cancelled open on the printer, database %s %s"
                                     % (coo, cabs, res))
            else:
                problemas.append("TORN TAPE: coupon %d neither closed nor cancelled on the tape; database %s %s"
                                 % (coo, cabs, res))
        for coo in repetidos:
            problemas.append("TAPE: COO %d heads two coupons" % coo)
        for coo in set(por_cupom_cab) | set(por_cupom_res):
            if coo not in cupons:
                inventados += 1
                problemas.append("INVENTED: coupon %d recorded, not on the tape: %s %s"
                                 % (coo, por_cupom_cab.get(coo), por_cupom_res.get(coo)))
        self.resultado = {"fechados": fechados, "gravados": gravados, "perdidos": perdidos, "dobrados": dobrados,
                          "inventados": inventados, "problemas": problemas, "pendentes": self.pendentes(),
                          "recusadas": self.recusadas(),
                          "cancelados": sum(1 for c in cupons.values() if c["estado"] == "cancelado")}

    def relata(self):
        r = self.resultado
        corridas, acaso, ponto = self.mortes
        print("drive: %s   seed: %s   %.0f s   load average %.2f at the start, %.2f at the end (%d cores)"
              % (self.drive, self.args.seed, self.tempo, self.carga[0][0], self.carga[1][0], os.cpu_count()))
        print()
        print("| runs | kills at random | kills at points | coupons closed | recorded | lost | doubled | invented |")
        print("|---|---|---|---|---|---|---|---|")
        print("| %d | %d | %d | %d | %d | %d | %d | %d |" % (corridas, acaso, ponto, r["fechados"], r["gravados"],
                                                          r["perdidos"], r["dobrados"], r["inventados"]))
        print()
        if self.args.share_double:
            print("recovering starts killed as well: %d" % self.partidas_mortas)
        print("coupons cancelled on the printer: %d (%d cancelled with F8 after they were recorded); closed coupons "
              "whose closing lines the kill kept off the tape (known by the printer's memory): %d; journal pending "
              "at the end: %d; set aside (recusadas): %d"
              % (r["cancelados"], self.cancelados_gravados, self.rasgados, len(r["pendentes"]), len(r["recusadas"])))
        for p in r["problemas"]:
            print("  " + p)
        for n in self.notas:
            print("  note: " + n)
        with open(os.path.join(os.path.dirname(self.drive), "mortes.json"), "w") as f:
            json.dump({"corridas": self.log, "resultado": r, "notas": self.notas}, f, ensure_ascii=False, indent=1)
        print("runs logged in %s" % os.path.join(os.path.dirname(self.drive), "mortes.json"))
        return 0 if not (r["perdidos"] or r["dobrados"] or r["inventados"]) else 1


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--kills", type=int, default=160, help="killed runs to make (default 160)")
    ap.add_argument("--build", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build"))
    ap.add_argument("--drive", help="a new folder for the drive (default: a fresh temporary one)")
    ap.add_argument("--seed", type=int, default=int(time.time()))
    ap.add_argument("--share-points", type=float, default=0.25, help="share of runs killed at a kill point")
    ap.add_argument("--share-double", type=float, default=0.0,
                    help="share of runs whose recovering start is killed too, at a random moment")
    ap.add_argument("--pieces", help="the sales a run is made of, comma-separated (default: all of %s)"
                    % ",".join(PECAS))
    ap.add_argument("--verbose", action="store_true", help="print each run as it ends")
    ap.add_argument("--check", metavar="DRIVE", help="only compare the tape and the database of a drive run before")
    a = ap.parse_args()
    if not shutil.which("isql-fb"):
        sys.exit("isql-fb is needed (apt-get install firebird3.0-utils)")
    if a.check:
        a.drive = a.check
        e = Execucao(a)
        e.confere()
        r = e.resultado
        print("coupons closed %d, recorded %d, lost %d, doubled %d, invented %d, cancelled %d (%d after they were "
              "recorded), pending %d, set aside %d" % (r["fechados"], r["gravados"], r["perdidos"], r["dobrados"],
                                                      r["inventados"], r["cancelados"], e.cancelados_gravados,
                                                      len(r["pendentes"]), len(r["recusadas"])))
        for p in r["problemas"]:
            print("  " + p)
        sys.exit(0 if not (r["perdidos"] or r["dobrados"] or r["inventados"]) else 1)
    e = Execucao(a)
    e.corre()
    e.confere()
    sys.exit(e.relata())


if __name__ == "__main__":
    main()
