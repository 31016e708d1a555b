// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>

#include "pty_client.h"
#include "reply_helpers.h"
#include "sim/sim_options.h"

// Each mistake names its option in the words of the help; a missing value gets the same
// words as a wrong one.
TEST(SimOptions, ParsesAndNamesEachMistake) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--baud", "12345"}, "--baud needs a standard rate such as 9600 or 115200"},
      {{"--baud"}, "--baud needs a standard rate such as 9600 or 115200"},
      {{"--address", "G"}, "--address needs a hexadecimal value from 0 to FF"},
      {{"--card=rf", "--address=1FF"}, "--address needs a hexadecimal value from 0 to FF"},
      {{"--card", "back"}, "--card needs none, front, inside or rf"},
      {{"--link"}, "--link needs a path"},
      {{"--link=", "--no-pty"}, "--link needs a path"},
      {{"--stacker", "-1"}, "--stacker needs a card count"},
      {{"--vpcd-port", "0"}, "--vpcd-port needs a port from 1 to 65535"},
      {{"--baud", "9600", "--bogus"}, "unknown option --bogus"},
      {{"stray"}, "unknown option stray"},
      {{"--help", "--rf-card", "s60"}, "--rf-card needs none, s50, s70, ultralight, typea, typeb, s50-mixed or s70-mixed"},
      {{"--listen", "tcp://127.0.0.1:0", "--no-pty", "--link", "/tmp/x"}, "--link needs the pseudo-terminal; drop --no-pty"},
  };
  for (const auto& [args, problem] : cases) {
    sim::SimOptions o;
    std::string error;
    EXPECT_FALSE(sim::parseSimOptions(args, &o, &error)) << args[0];
    EXPECT_EQ(error, problem);
  }
  sim::SimOptions o;
  std::string error;
  ASSERT_TRUE(sim::parseSimOptions({"--baud", "57600", "--address=0B", "--card", "inside", "--stacker", "3",
                                    "--require-init", "--link", "/tmp/x"},
                                   &o, &error))
      << error;
  EXPECT_EQ(o.baud, 57600);
  EXPECT_EQ(o.card, sim::CardPos::Inside);
  sim::Reader r;
  sim::applySimOptions(o, r);
  EXPECT_EQ(r.stackerCards(), 3);
  EXPECT_TRUE(r.requireInitialize());
  EXPECT_EQ(r.address(), 0x0B);
  sim::SimOptions rf;
  ASSERT_TRUE(sim::parseSimOptions({"--card=rf", "--listen=tcp://127.0.0.1:0", "--no-pty", "-h"}, &rf, &error))
      << error;
  EXPECT_EQ(rf.spot, sim::InsideSpot::RfAntenna);
  EXPECT_EQ(rf.listenHost, "127.0.0.1");
  EXPECT_TRUE(rf.noPty && rf.help);
  const std::string usage = sim::simUsage();
  for (const char* option : {"--baud N ", "--address HEX ", "--card none|front|inside|rf", "--stacker N ",
                             "--link PATH ", "--require-init ", "--listen tcp://HOST:PORT", "--no-pty ", "--ic-card KIND ",
                             "--rf-card KIND ", "--pcsc-card ", "--vpcd-host HOST ", "--vpcd-port N ", "--vpcd-wait S ",
                             "-h,--help ", "--version "})
    EXPECT_NE(usage.find(std::string("\n  ") + option), std::string::npos) << option;
}

TEST(SimProgram, ServesOnItsLinkAndCleansUpOnSigterm) {
  const std::string link = "/tmp/kvt730-sim-test-" + std::to_string(getpid());
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    execl(KVT730_SIM_PATH, KVT730_SIM_PATH, "--card", "front", "--baud", "19200", "--address", "2", "--link",
          link.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  FILE* fromSim = fdopen(out[0], "r");
  char line[256] = {};
  ASSERT_NE(fgets(line, sizeof line, fromSim), nullptr);
  EXPECT_EQ(std::string(line).rfind("DEVICE /dev/", 0), 0u) << line;

  {
    simtest::PtyClient c(link, 19200);
    ASSERT_TRUE(c.ok());
    ASSERT_TRUE(c.send(sim::buildCommandFrame(2, '1', '0')));
    const auto got = c.readFor(13, 5000);
    ASSERT_EQ(got.size(), 13u);
    EXPECT_EQ(simtest::decodeFrame({got.begin() + 1, got.end()}, 2).status, "120");
  }

  kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  struct stat st {};
  EXPECT_NE(lstat(link.c_str(), &st), 0);
  fclose(fromSim);
}
