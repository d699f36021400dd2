#pragma once
// A child process started by a test and never left behind: killed and reaped when
// the object goes, unless the test reaped it already.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace vaultkeep::teste {

class Filho {
  public:
    Filho(const std::filesystem::path& programa, const std::vector<std::string>& args) {
        std::vector<std::string> todos{programa.string()};
        todos.insert(todos.end(), args.begin(), args.end());
        std::vector<char*> v;
        for (auto& a : todos)
            v.push_back(a.data());
        v.push_back(nullptr);
        if (::posix_spawn(&pid_, v[0], nullptr, nullptr, v.data(), environ) != 0)
            throw std::runtime_error("cannot start " + programa.string());
    }
    ~Filho() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            int st;
            ::waitpid(pid_, &st, 0);
        }
    }
    Filho(const Filho&) = delete;
    Filho& operator=(const Filho&) = delete;

    pid_t pid() const { return pid_; }

    // Waits at most `limite` for the child to end; the wait status, or -1 when it
    // is still running.
    int aguardar(std::chrono::milliseconds limite = std::chrono::seconds(10)) {
        const auto fim = std::chrono::steady_clock::now() + limite;
        for (;;) {
            int st = 0;
            if (::waitpid(pid_, &st, WNOHANG) == pid_) {
                pid_ = -1;
                return st;
            }
            if (std::chrono::steady_clock::now() >= fim)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

  private:
    pid_t pid_ = -1;
};

}  // namespace vaultkeep::teste
