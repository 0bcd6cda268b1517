#include "core/Trabalhador.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace {

// The jobs run in the order given, all on one thread that is not the
// caller's; a job that throws hands its error to its own future only; jobs
// still queued when the owner goes run before it is gone.
TEST(Trabalhador, RunsEveryJobInTurnOnOneThreadOfItsOwn) {
  std::vector<int> ordem;
  std::vector<std::thread::id> linhas;
  std::vector<std::future<void>> fins;
  std::atomic<bool> solta = false;
  {
    Trabalhador t;
    // The first job holds the thread until the rest are queued.
    fins.push_back(t.executa([&] {
      while (!solta) std::this_thread::yield();
      ordem.push_back(0);
      linhas.push_back(std::this_thread::get_id());
    }));
    fins.push_back(t.executa([] { throw std::runtime_error("falhou"); }));
    for (int i = 1; i <= 3; ++i)
      fins.push_back(t.executa([&, i] {
        ordem.push_back(i);
        linhas.push_back(std::this_thread::get_id());
      }));
    solta = true;
  }
  EXPECT_EQ(ordem, (std::vector<int>{0, 1, 2, 3}));
  for (const std::thread::id &id : linhas) {
    EXPECT_EQ(id, linhas.front());
    EXPECT_NE(id, std::this_thread::get_id());
  }
  EXPECT_THROW(fins[1].get(), std::runtime_error);
  EXPECT_NO_THROW(fins[4].get());
}

}  // namespace
