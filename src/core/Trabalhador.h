#pragma once
// One thread that runs the jobs given to it, one after another, for as long
// as its owner lives. For a reader that hands a long read over in many
// short jobs: a thread started for each job is not running yet while its
// starter works on (the scheduler gives the new thread a processor only when
// the starter waits), so the two never overlap; a thread that stays does.
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

class Trabalhador {
 public:
  Trabalhador() = default;
  ~Trabalhador();
  Trabalhador(const Trabalhador &) = delete;
  Trabalhador &operator=(const Trabalhador &) = delete;

  // Queues the job; its future gives its end (or what it threw).
  std::future<void> executa(std::function<void()> trabalho);

 private:
  void roda();
  std::mutex trava_;
  std::condition_variable chegou_;
  std::deque<std::packaged_task<void()>> fila_;
  bool fim_ = false;
  std::thread linha_;
};
