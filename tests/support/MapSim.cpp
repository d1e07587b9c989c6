#include "support/MapSim.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tessary::testing {

MapSim::MapSim() {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);  // a crashed test must not leave its simulator behind
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    execl(TESSARY_MAPSIM_PATH, TESSARY_MAPSIM_PATH, "--port", "0", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  FILE* out = fdopen(fds[0], "r");
  char line[128] = {};
  bool ok = out && std::fgets(line, sizeof line, out) && std::sscanf(line, "listening on %d", &port_) == 1;
  if (out) std::fclose(out);
  if (!ok) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    throw std::runtime_error("tessary-mapsim did not start");
  }
}

MapSim::~MapSim() {
  if (ownsServiceBase_) unsetenv("TESSARY_SERVICE_BASE");
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

std::string MapSim::base() const { return "http://127.0.0.1:" + std::to_string(port_); }

void MapSim::becomeServiceBase() {
  setenv("TESSARY_SERVICE_BASE", base().c_str(), 1);
  ownsServiceBase_ = true;
}

}  // namespace tessary::testing
