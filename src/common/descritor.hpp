#pragma once
// An owned POSIX file descriptor, closed when the owner goes.

#include <unistd.h>

#include <utility>

namespace vaultkeep {

class Descritor {
  public:
    explicit Descritor(int fd = -1) noexcept : fd_(fd) {}
    ~Descritor() { fechar(); }
    Descritor(Descritor&& o) noexcept : fd_(o.liberar()) {}
    Descritor& operator=(Descritor&& o) noexcept {
        if (this != &o) {
            fechar();
            fd_ = o.liberar();
        }
        return *this;
    }
    Descritor(const Descritor&) = delete;
    Descritor& operator=(const Descritor&) = delete;

    int get() const noexcept { return fd_; }
    bool valido() const noexcept { return fd_ >= 0; }

    // Gives the descriptor up without closing it.
    int liberar() noexcept { return std::exchange(fd_, -1); }

    // Closes it now; close's result (a failed close can mean lost data), or 0
    // when there was nothing to close.
    int fechar() noexcept {
        const int fd = liberar();
        return fd >= 0 ? ::close(fd) : 0;
    }

  private:
    int fd_;
};

}  // namespace vaultkeep
