// The main form empties the FMC route when the link to the broker closes,
// by the user or by the broker's shutting down; the next connection starts
// without a stale route.
#include <FL/Fl.H>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "kestrane/KestraneMain.h"
#include "kestrane/KestraneSettings.h"
#include "nd/Uroutes.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "tests/common/TestSupport.h"

namespace {

// A listening socket on 127.0.0.1 that accepts a client.
class Listener {
 public:
  Listener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd_, 4);
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~Listener() { ::close(fd_); }
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

void Pump(double seconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) Fl::wait(0.01);
}

class RouteDisconnect : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server";
    platform::SetMessageBoxHook([](const std::string&, const std::string&) {});
    std::error_code ec;
    std::filesystem::create_directory_symlink(testsupport::StageDir() + "/bitmaps",
                                              platform::ProgramFolder() + "bitmaps", ec);
    form = std::make_unique<TKestraneForm>();
    const char* argv[] = {"kestrane"};
    ASSERT_TRUE(form->FormCreate(1, argv));
    Pump(0.2);
  }
  void TearDown() override {
    if (!form) return;
    form->Exit1Click();
    form->FormDestroy();
    form->Finalize();
    form.reset();
    platform::SetMessageBoxHook(nullptr);
  }
  void ConnectAndSendRoute(const Listener& l) {
    BrokerHost = "127.0.0.1";
    BrokerPort = std::to_string(l.Port());
    form->Connect1Click();
    ASSERT_TRUE(form->Connected());
    form->ProcessCommand("R.01 KSEA R.a01 47 R.LastLeg 7 R.W 3\r");
    ASSERT_NE(Route, nullptr);
    ASSERT_EQ(Route->Count(), 3);
  }
  void ExpectEmptied() const {
    EXPECT_FALSE(form->Connected());
    EXPECT_EQ(Route->Count(), 0);
    EXPECT_EQ(Route->Name(1), "");
    EXPECT_EQ(Route->LatDegrees(1), -91);
    EXPECT_EQ(Route->LastLeg(), 7);
  }
  std::unique_ptr<TKestraneForm> form;
};

}  // namespace

TEST_F(RouteDisconnect, TheUsersDisconnectEmptiesTheRoute) {
  Listener l;
  ConnectAndSendRoute(l);
  form->Disconnect1Click();
  ExpectEmptied();
}

TEST_F(RouteDisconnect, TheBrokersShutdownEmptiesTheRoute) {
  Listener l;
  ConnectAndSendRoute(l);
  form->ProcessCommand("Broker is shutting down\r");
  ExpectEmptied();
}
