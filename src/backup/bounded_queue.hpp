#pragma once
// A blocking queue with a fixed capacity, for pipelines whose memory must stay
// bounded: a producer waits while the queue is full, a consumer while it is
// empty. Closing it wakes everybody: producers give up, consumers drain what is
// left and then see the end.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace vaultkeep {

template <typename T>
class FilaLimitada {
  public:
    explicit FilaLimitada(std::size_t capacidade) : capacidade_(capacidade) {}

    // False when the queue was closed (the item is dropped).
    bool colocar(T item) {
        std::unique_lock l(m_);
        naoCheia_.wait(l, [&] { return fechada_ || itens_.size() < capacidade_; });
        if (fechada_)
            return false;
        itens_.push_back(std::move(item));
        naoVazia_.notify_one();
        return true;
    }

    // The next item, or nothing once the queue is closed and empty.
    std::optional<T> retirar() {
        std::unique_lock l(m_);
        naoVazia_.wait(l, [&] { return fechada_ || !itens_.empty(); });
        if (itens_.empty())
            return std::nullopt;
        T item = std::move(itens_.front());
        itens_.pop_front();
        naoCheia_.notify_one();
        return item;
    }

    void fechar() {
        std::lock_guard l(m_);
        fechada_ = true;
        naoCheia_.notify_all();
        naoVazia_.notify_all();
    }

  private:
    std::mutex m_;
    std::condition_variable naoCheia_, naoVazia_;
    std::deque<T> itens_;
    std::size_t capacidade_;
    bool fechada_ = false;
};

}  // namespace vaultkeep
