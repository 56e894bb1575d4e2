#include "cli_runner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>

extern char** environ;

namespace bridgefw::testing {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> ChildEnvironment(const CliOptions& options) {
  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const size_t equals = text.find('=');
    if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
  }
  for (const char* name : {"BRIDGEFW_EMULATION", "PROGRAMDATA", "BRIDGEFW_FAKE_PLUGIN"}) {
    variables.erase(name);
  }
  for (const auto& [name, value] : options.env) {
    if (value) {
      variables[name] = *value;
    } else {
      variables.erase(name);
    }
  }
  std::vector<std::string> environment;
  for (const auto& [name, value] : variables) environment.push_back(name + "=" + value);
  return environment;
}

// Runs in the child after fork: never returns.
[[noreturn]] void Exec(const std::vector<std::string>& args,
                       const std::vector<std::string>& environment) {
  std::vector<char*> argv;
  static std::string program = BRIDGEFW_CLI_PATH;
  argv.push_back(program.data());
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  execve(program.c_str(), argv.data(), envp.data());
  _exit(127);
}

// Reads the child's descriptors until both end, sending the interrupts
// that are asked for; then reaps it.
CliResult Collect(pid_t pid, int outFd, int errFd, const CliOptions& options) {
  CliResult result;
  const Clock::time_point start = Clock::now();
  int interruptsLeft = options.interruptAfter.empty() ? 0 : options.interrupts;
  Clock::time_point nextInterrupt{};
  bool killed = false;
  int fds[2] = {outFd, errFd};
  std::string* sinks[2] = {&result.out, &result.err};
  while (fds[0] >= 0 || fds[1] >= 0) {
    pollfd polled[2];
    nfds_t count = 0;
    int index[2];
    for (int i = 0; i < 2; ++i) {
      if (fds[i] >= 0) {
        polled[count] = {fds[i], POLLIN, 0};
        index[count++] = i;
      }
    }
    poll(polled, count, 50);
    for (nfds_t k = 0; k < count; ++k) {
      if ((polled[k].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      char buffer[4096];
      const ssize_t got = read(fds[index[k]], buffer, sizeof buffer);
      if (got > 0) {
        sinks[index[k]]->append(buffer, static_cast<size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        close(fds[index[k]]);
        fds[index[k]] = -1;
      }
    }
    const Clock::time_point now = Clock::now();
    const std::string& watched = errFd >= 0 ? result.err : result.out;
    if (interruptsLeft > 0 && now >= nextInterrupt &&
        watched.find(options.interruptAfter) != std::string::npos) {
      kill(pid, SIGINT);
      --interruptsLeft;
      nextInterrupt = now + std::chrono::milliseconds(options.interruptSpacingMs);
    }
    if (!killed && now - start > std::chrono::seconds(options.limitSeconds)) {
      ADD_FAILURE() << "bridgefw did not end within " << options.limitSeconds << " s";
      kill(pid, SIGKILL);
      killed = true;
    }
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (interruptsLeft > 0 && !killed) {
    ADD_FAILURE() << "\"" << options.interruptAfter << "\" never appeared; " << interruptsLeft
                  << " interrupt(s) not sent";
  }
  return result;
}

}  // namespace

nlohmann::json CliResult::Json() const {
  nlohmann::json parsed = nlohmann::json::parse(out, nullptr, false);
  if (parsed.is_discarded() || !parsed.is_object()) {
    ADD_FAILURE() << "standard output is not one JSON object:\n" << Transcript();
    return nlohmann::json();
  }
  return parsed;
}

std::string CliResult::Transcript() const {
  return "exit status " + std::to_string(status) + "\n--- stdout ---\n" + out + "--- stderr ---\n" +
         err;
}

CliResult RunCli(const std::vector<std::string>& args, const CliOptions& options) {
  const std::vector<std::string> environment = ChildEnvironment(options);
  int out[2];
  int err[2];
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe: " << std::strerror(errno);
    return {};
  }
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    const int devNull = open("/dev/null", O_RDONLY);
    dup2(devNull, STDIN_FILENO);
    Exec(args, environment);
  }
  close(out[1]);
  close(err[1]);
  if (pid < 0) {
    close(out[0]);
    close(err[0]);
    ADD_FAILURE() << "fork: " << std::strerror(errno);
    return {};
  }
  return Collect(pid, out[0], err[0], options);
}

CliResult RunCliOnTerminal(const std::vector<std::string>& args, const CliOptions& options) {
  const std::vector<std::string> environment = ChildEnvironment(options);
  int terminal = -1;
  winsize size{};
  size.ws_row = 24;
  size.ws_col = 200;
  const pid_t pid = forkpty(&terminal, nullptr, nullptr, &size);
  if (pid == 0) Exec(args, environment);
  if (pid < 0) {
    ADD_FAILURE() << "forkpty: " << std::strerror(errno);
    return {};
  }
  return Collect(pid, terminal, -1, options);
}

}  // namespace bridgefw::testing
