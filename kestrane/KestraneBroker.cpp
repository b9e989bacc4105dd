// The main form's broker link: connect (with the refresh it starts),
// the socket's events, the hand-off of each received line to the parsers,
// the deferred database reload, and the three ways a session ends
// (Disconnect, Exit, closing the window).
#include <FL/Fl.H>

#include <string>

#include "kestrane/Dispatch.h"
#include "kestrane/KestraneMain.h"
#include "kestrane/MenuItems.h"
#include "nd/Unavigation.h"
#include "nd/Uroutes.h"
#include "nd/Utcas.h"
#include "shared/KestraneSettings.h"
#include "shared/Udebug.h"
#include "platform/LogLimiter.h"
#include "platform/WinSockNotices.h"

using namespace kestranemenu;

namespace {

// A broker can trigger these for every line it sends: the first of a
// session, and the first after 10 s without a line of its kind, is logged
// as it is; the repeats in between once per 10 s as a count.
platform::TLogLimiter& LongLineLog() {
  static platform::TLogLimiter log([](const std::string& l) { WriteDebug(l); },
                                   platform::MoreDropped(" Broker Comm: Line without line end"));
  return log;
}
platform::TLogLimiter& LineLimitLog() {
  static platform::TLogLimiter log([](const std::string& l) { WriteDebug(l); },
                                   platform::MoreDropped(" Broker Comm: Line over the socket's line limit"));
  return log;
}
platform::TLogLimiter& DroppedLineLog() {
  static platform::TLogLimiter log([](const std::string& l) { WriteDebug(l); },
                                   platform::MoreDropped(" Broker Comm: Line dropped"));
  return log;
}

void DeferredReloadTick(void* data) { Form(data)->DeferredReloadTimer(); }

}  // namespace

void TKestraneForm::CreateBrokerSocket() {
  WSocket1 = std::make_unique<TWSocket>();
  // One readiness notice hands on what one receive brings (at most a full
  // ReceiveBuffer of lines); what is still waiting comes with the next
  // notice, on the next round of the event loop, so a broker that sends
  // faster than the lines are handled cannot keep frames, menus and the
  // quit signal from their turn. A closing link is still read to the end.
  WSocket1->ComponentOptions = {wsoNoReceiveLoop};
  WSocket1->OnDataAvailable = [this](TCustomWSocket&, std::uint16_t) { CliSocketDataAvailable(); };
  WSocket1->OnError = [this](TCustomWSocket&) { WSocket1Error(); };
  WSocket1->OnSessionClosed = [this](TCustomWSocket&, std::uint16_t) { WSocket1SessionClosed(); };
  // The socket's own line mode stays off (lines are cut in ReceiveBuffer),
  // so this never fires; should it, the unfinished line is dropped and said.
  WSocket1->OnLineLimitExceeded = [](TCustomWSocket&, std::int32_t length, bool& clearData) {
    clearData = true;
    LineLimitLog().Log(" Broker Comm: Line over the socket's line limit dropped (" + std::to_string(length) +
                       " bytes).");
  };
}

bool TKestraneForm::Connected() const { return WSocket1 && WSocket1->State() == wsConnected; }

void TKestraneForm::Connect1Click() {
  // Connect stays disabled during the wait, so a second click cannot start
  // a second connect.
  if (Connecting || !Enabled(kConnect)) return;
  WriteDebug(" File/Connect: Trying to establish Broker communication.");
  WriteDebug(" File/Connect: Using " + BrokerHost + " " + BrokerPort);
  Connecting = true;
  SetEnabled(kConnect, false);
  if (WSocket1->State() != wsConnected) {
    try {
      WSocket1->SetProto("tcp");
      WSocket1->SetPort(BrokerPort);
      WSocket1->SetAddr(BrokerHost);
      WSocket1->Connect();
    } catch (const ESocketException& e) {
      // Reported through OnError already when a handler is set.
    }
    // Wait for the outcome; the wait sleeps in the event loop.
    while (WSocket1->State() == wsConnecting) {
      platform::ProcessMessages(0.05);
      if (Terminating) {
        Connecting = false;
        return;
      }
    }
  }
  Connecting = false;
  if (WSocket1->State() == wsConnected) {
    WriteDebug(" File/Connect: Broker communication established. Successful.");
    SetEnabled(kConnect, false);
    SetEnabled(kDisconnect, true);
    WSocket1->SendText("register ND running\r\n");
    WriteDebug(" File/Connect: Broker requests sent. Trying to init ND refresh task.");
    for (const std::string& line : SubscriptionLines()) WSocket1->SendText(line);
  }
  // The broker may have gone during the sends: only a live link refreshes.
  if (WSocket1->State() == wsConnected) {
    if (DrawInBackground) {
      RefreshThreadRunning = true;
      RefreshThread = std::make_unique<platform::GuiWorker>([this](platform::GuiWorker& w) {
        while (!w.StopRequested()) {
          if (!w.Synchronize([this] { FormPaint(); })) break;
          if (!w.Synchronize([this] { SwapPage(); })) break;
        }
      });
      RefreshThread->Start();
      WriteDebug(" File/Connect: Init of ND refresh THREAD started.");
    } else {
      SetTimerEnabled(true);
      WriteDebug(" File/Connect: Init of ND refresh TIMER started.");
    }
    WriteDebug(" File/Connect: Init of ND refresh task complete.");
    SetEnabled(kBackground, false);
  } else {
    // Not connected: the menus are as they were before the attempt.
    SetEnabled(kConnect, !Enabled(kDisconnect));
  }
}

void TKestraneForm::CliSocketDataAvailable() {
  auto overflow = [](std::size_t dropped) {
    LongLineLog().Log(" Broker Comm: Line longer than " + std::to_string(dropped) +
                      " bytes without line end dropped.");
  };
  // A buffer full without a line end would stall the link: drop it first.
  if (std::size_t dropped = ReceiveBuffer.DropIfFull()) overflow(dropped);
  const int n = WSocket1->Receive(ReceiveBuffer.WritePtr(), static_cast<int>(ReceiveBuffer.Free()));
  if (n <= 0) return;
  ReceiveBuffer.Commit(n);
  // Each line is out of the buffer before it is handled: a line whose
  // parsing fails is the only one lost.
  ReceiveBuffer.TakeLines([this](const std::string& line) { ProcessCommand(line); },
                          [](const std::string&, const char* what) {
                            DroppedLineLog().Log(std::string(" Broker Comm: Line dropped: ") + what);
                          },
                          overflow);
}

void TKestraneForm::ProcessCommand(const std::string& line) {
  if (line == "Broker is shutting down\r") Disconnect1Click();
  DispatchToParsers(line);
  ScheduleDeferredReload();
}

void TKestraneForm::ScheduleDeferredReload() {
  const double delay = DeferredReloadDelay();
  if (delay < 0 || ReloadTimerSet) return;
  ReloadTimerSet = true;
  Fl::add_timeout(delay, DeferredReloadTick, this);
}

void TKestraneForm::DeferredReloadTimer() {
  ReloadTimerSet = false;
  RunDeferredReload(DataFolder, DatabasesPresent);
  ScheduleDeferredReload();
}

void TKestraneForm::CancelDeferredReload() {
  Fl::remove_timeout(DeferredReloadTick, this);
  ReloadTimerSet = false;
}

void TKestraneForm::WSocket1Error() {
  WriteDebug(" WSocket Error. Disconnect TCP/IP.");
  Disconnect1Click();
}

void TKestraneForm::WSocket1SessionClosed() {
  // The broker closed the link: the session ends as Disconnect ends it.
  if (Enabled(kDisconnect)) {
    WriteDebug(" Broker Comm: Connection closed by the broker.");
    Disconnect1Click();
  }
}

void TKestraneForm::StopRefresh(const char* timerLog, const char* threadLog) {
  // The session ends: counts not yet logged are logged now.
  LongLineLog().Reset();
  DroppedLineLog().Reset();
  LineLimitLog().Reset();
  if (Tcas) Tcas->EndSession();
  if (!DrawInBackground) {
    SetTimerEnabled(false);
    WriteDebug(timerLog);
  } else if (RefreshThreadRunning) {
    RefreshThreadRunning = false;
    RefreshThread->Stop();
    WriteDebug(threadLog);
  }
}

void TKestraneForm::Disconnect1Click() {
  if (!Enabled(kDisconnect)) return;
  WriteDebug(" File/Disconnect: Trying to disconnect from Broker.");
  StopRefresh(" File/Disconnect: ND refresh TIMER stopped.",
              " File/Disconnect: ND refresh THREAD stopped.");
  SetEnabled(kConnect, true);
  SetEnabled(kDisconnect, false);
  WSocket1->Close();
  WriteDebug(" File/Disconnect: Disconnected from Broker.");
  // The next connection loads the databases again for its first position.
  EndNavigationSession();
  if (Route) Route->Clear();
  SetEnabled(kBackground, true);
  Repaint();
}

void TKestraneForm::Exit1Click() {
  WriteDebug(" File/Exit: Trying to exit program.");
  Terminating = true;
  platform::SetApplicationEnding(true);
  StopRefresh(" File/Exit: ND refresh TIMER stopped.", " File/Exit: ND refresh task stopped.");
  SetEnabled(kConnect, true);
  SetEnabled(kDisconnect, false);
  WSocket1->Close();
  WriteDebug(" File/Exit: Leaving program.");
  CaptureGeometry();
  Close();
}

void TKestraneForm::FormDestroy() {
  CancelDeferredReload();
  WriteDebug(" Alt-F4: Trying to disconnect from Broker.");
  StopRefresh(" Alt-F4: ND refresh TIMER stopped.", " Alt-FA: ND refresh THREAD stopped.");
  WSocket1->Close();
  WriteDebug(" Alt-F4: Disconnected from Broker.");
}
