// scripted-broker: a stand-in for the simulator variable broker, for tests
// and demonstrations. See Usage() below, Scenario.h for the scenario format
// and DemoFlight.h for the demo flight.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Numbers.h"
#include "tools/scripted-broker/Broker.h"
#include "tools/scripted-broker/Scenario.h"

namespace {

int g_stopPipe[2] = {-1, -1};

void OnStopSignal(int) {
  char b = 1;
  ssize_t n = ::write(g_stopPipe[1], &b, 1);
  (void)n;
}

const char kUsage[] =
    "usage: scripted-broker [options]\n"
    "  --port N               listen on 127.0.0.1:N (default 1863; 0 picks a free port)\n"
    "  --record FILE          append every line a client sends to FILE as\n"
    "                         \"client<N> <bytes>\" (\\r \\n \\t \\\\ \\xHH escapes), and\n"
    "                         \"event client<N> connected|closed\"\n"
    "  --scenario FILE        play the timed lines of FILE to every client\n"
    "  --demo                 play the built-in demo flight (20 frames a second)\n"
    "  --shutdown-after SECS  send \"Broker is shutting down\" CR LF to every client,\n"
    "                         close the connections and exit\n"
    "  --start-on register|connect\n"
    "                         start playback to a client when it has sent a line\n"
    "                         beginning with \"register\" (default) or when it connects\n"
    "The first line on standard output is \"listening on 127.0.0.1:<port>\".\n"
    "SIGTERM or SIGINT closes every connection and ends the broker (exit code 0).\n";

int Usage(const std::string& problem) {
  if (!problem.empty()) std::fprintf(stderr, "scripted-broker: %s\n", problem.c_str());
  std::fputs(kUsage, problem.empty() ? stdout : stderr);
  return problem.empty() ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  broker::BrokerOptions options;
  std::string scenarioFile;
  std::vector<std::string> args(argv + 1, argv + argc);
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool hasValue = i + 1 < args.size();
    if (a == "--help" || a == "-h") return Usage("");
    if (a == "--demo") {
      options.demo = true;
    } else if (a == "--port" && hasValue) {
      int port = 0;
      if (!platform::ParseInt(args[++i], port) || port < 0 || port > 65535)
        return Usage("bad port " + args[i]);
      options.port = port;
    } else if (a == "--record" && hasValue) {
      options.recordFile = args[++i];
    } else if (a == "--scenario" && hasValue) {
      scenarioFile = args[++i];
    } else if (a == "--shutdown-after" && hasValue) {
      double s = 0;
      if (!platform::ParseDouble(args[++i], s) || !(s >= 0) || s > 86400)
        return Usage("bad --shutdown-after " + args[i]);
      options.shutdownAfterSeconds = s;
    } else if (a == "--start-on" && hasValue) {
      std::string when = args[++i];
      if (when != "register" && when != "connect") return Usage("bad --start-on " + when);
      options.startOnConnect = when == "connect";
    } else {
      return Usage("unknown or incomplete option " + a);
    }
  }

  std::vector<broker::Step> steps;
  if (!scenarioFile.empty()) {
    std::ifstream in(scenarioFile, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "scripted-broker: cannot read scenario %s\n", scenarioFile.c_str());
      return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!broker::ParseScenario(text.str(), steps, error)) {
      std::fprintf(stderr, "scripted-broker: scenario %s %s\n", scenarioFile.c_str(), error.c_str());
      return 2;
    }
    options.scenario = &steps;
  }

  if (::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  broker::Broker server(options);
  std::string error;
  if (!server.Listen(error)) {
    std::fprintf(stderr, "scripted-broker: %s\n", error.c_str());
    return 1;
  }
  std::printf("listening on 127.0.0.1:%d\n", server.Port());
  std::fflush(stdout);
  return server.Run(g_stopPipe[0]);
}
