#include "core/Trabalhador.h"

Trabalhador::~Trabalhador() {
  {
    const std::lock_guard trava(trava_);
    fim_ = true;
  }
  chegou_.notify_one();
  if (linha_.joinable()) linha_.join();
}

std::future<void> Trabalhador::executa(std::function<void()> trabalho) {
  std::packaged_task<void()> tarefa(std::move(trabalho));
  std::future<void> fim = tarefa.get_future();
  {
    const std::lock_guard trava(trava_);
    fila_.push_back(std::move(tarefa));
    if (!linha_.joinable()) linha_ = std::thread([this] { roda(); });
  }
  chegou_.notify_one();
  return fim;
}

void Trabalhador::roda() {
  std::unique_lock trava(trava_);
  for (;;) {
    chegou_.wait(trava, [this] { return fim_ || !fila_.empty(); });
    // Jobs queued before the end still run: their futures are waited on.
    if (fila_.empty()) return;
    std::packaged_task<void()> tarefa = std::move(fila_.front());
    fila_.pop_front();
    trava.unlock();
    tarefa();
    trava.lock();
  }
}
