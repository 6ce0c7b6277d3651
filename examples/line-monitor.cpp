// line-monitor: opens a serial port by name and prints what arrives on it,
// each line with the time: the received bytes in hex and the line's events
// (break, ring, modem-line changes, line errors). With --send it first
// writes the given bytes. Ctrl-C ends it.
//   line-monitor PORT [--baud RATE] [--send HEX]
#include <lineport/platform/runtime/Application.h>
#include <lineport/serial/CPort.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::atomic<bool> stopRequested{false};
extern "C" void RequestStop(int) { stopRequested = true; }

// One output line: "HH:MM:SS.mmm what".
void Print(const std::string& what) {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  const std::tm local = *std::localtime(&seconds);  // the handlers run on one thread
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                local.tm_sec, static_cast<int>(ms));
  std::cout << stamp << ' ' << what << std::endl;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  char byte[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(byte, sizeof byte, text.empty() ? "%02X" : " %02X", b);
    text += byte;
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  std::string portName, baud = "9600", send;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--baud" && i + 1 < argc) baud = argv[++i];
    else if (arg == "--send" && i + 1 < argc) send = argv[++i];
    else if (portName.empty() && arg[0] != '-') portName = arg;
    else portName.clear(), i = argc;
  }
  if (portName.empty()) {
    std::cerr << "usage: line-monitor PORT [--baud RATE] [--send HEX]\n";
    return 2;
  }

  //! [application]
  // The main thread's loop: the port's handlers run on it.
  TApplication application(std::make_unique<HeadlessBackend>());
  application.Initialize();
  //! [application]

  //! [configure]
  TComPort port(nullptr);
  port.SetPort(portName);
  port.SetBaudRate(TextToBaudRate(baud));  // an unknown rate reads as 9600
  port.SetDataBits(dbEight);
  port.Parity().SetBits(prNone);
  port.SetStopBits(sbOneStopBit);
  port.SetEvents(TComEvents::All());
  //! [configure]

  //! [events]
  port.SetOnRxChar([&port](TObject*, std::int32_t count) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    const std::int32_t read = port.Read(bytes.data(), count);
    bytes.resize(static_cast<std::size_t>(read > 0 ? read : 0));
    Print("rx " + Hex(bytes));
  });
  port.SetOnBreak([](TObject*) { Print("break"); });
  port.SetOnRing([](TObject*) { Print("ring"); });
  const auto level = [](const char* line) {
    return [line](TObject*, bool on) { Print(std::string(line) + (on ? " on" : " off")); };
  };
  port.SetOnCTSChange(level("CTS"));
  port.SetOnDSRChange(level("DSR"));
  port.SetOnRLSDChange(level("RLSD"));
  port.SetOnError([](TObject*, TComErrors errors) {
    Print("line error, flags " + std::to_string(errors.ToBits()));
  });
  port.SetOnDeviceLost([](TObject*, const EComPortExt& error) {
    Print(std::string("device lost: ") + error.what());
    stopRequested = true;
  });
  //! [events]

  //! [open]
  try {
    port.Open();
  } catch (const EComPort& error) {
    std::cerr << "line-monitor: " << error.what() << '\n';
    return 1;
  }
  Print("open " + portName + " at " + BaudRateToText(port.BaudRate()));
  //! [open]

  //! [write]
  if (!send.empty()) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < send.size(); i += 2)
      bytes.push_back(static_cast<std::uint8_t>(std::stoi(send.substr(i, 2), nullptr, 16)));
    const std::int32_t written = port.Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    Print("tx " + std::to_string(written) + " bytes");
  }
  //! [write]

  //! [run]
  // A signal handler may only set a flag; a helper thread ends the loop
  // (Terminate may be called from any thread).
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  std::thread stopper([&application] {
    while (!stopRequested) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    application.Terminate();
  });
  application.Run();
  stopper.join();
  port.Close();
  Print("closed");
  //! [run]
  return 0;
}
