#pragma once
// The printer menu of the cash desk (Alt+1 of the window that holds it): the
// opening of the fiscal day, the X readings on screen and printed, the Z
// reduction, receipts and payments of accounts, the fiscal-memory readings,
// withdrawals and supplies. Every entry runs with the printer marked busy
// (no coupon opens meanwhile), the mark cleared whatever the outcome.
//
// The menu is a field of the window it is added to (its entries are the
// window's fields P01...), so the window's skin shows it in its menu bar; it
// needs nothing else of that window.
#include <functional>

class Campo;
class Tela;

class MenuFiscal {
 public:
  // Adds the menu and its entries to `janela`, after the fields it already
  // has. The menu must live as long as the window's fields.
  explicit MenuFiscal(Tela &janela);
  MenuFiscal(const MenuFiscal &) = delete;
  MenuFiscal &operator=(const MenuFiscal &) = delete;

  // The whole menu on or off (off while a coupon is open).
  void habilita(bool sim);
  bool habilitado() const;

 private:
  void criaEntradas();
  void leituraXNaTela();
  void leituraXImpressa();
  // Runs a step with the printer marked busy; the mark is cleared whatever
  // the step's outcome.
  void comImpressoraOcupada(const std::function<void()> &passo);
  void mostraComImpressoraOcupada(Tela &tela);
  // An entry's screen (the day's opening, the Z reduction, an account's
  // receipt or payment, a fiscal-memory reading), shown with the printer busy.
  template <class TelaDoMenu>
  void mostra();
  // A withdrawal or supply: what its screen left in the shared message (its
  // failure, or the drawer's) is told once more when it closes.
  template <class Movimento>
  void mostraMovimento();

  Tela &janela_;
  Campo *menu_ = nullptr;
};
