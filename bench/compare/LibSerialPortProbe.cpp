// Probe: libserialport, as its documentation shows it: the port opened
// read-write and configured, the main thread sleeping in sp_wait on an event
// set with SP_EVENT_RX_READY, then reading what is waiting without blocking;
// writes with sp_blocking_write.
#include <libserialport.h>

#include "bench/compare/Probe.h"

namespace {

class LibSerialPortProbe : public ProbePort {
 public:
  ~LibSerialPortProbe() override { Close(); }

  std::string Open(const std::string& path) override {
    if (sp_get_port_by_name(path.c_str(), &FPort) != SP_OK) return Error("sp_get_port_by_name");
    if (sp_open(FPort, SP_MODE_READ_WRITE) != SP_OK) return Error("sp_open");
    if (sp_set_baudrate(FPort, 9600) != SP_OK || sp_set_bits(FPort, 8) != SP_OK ||
        sp_set_parity(FPort, SP_PARITY_NONE) != SP_OK || sp_set_stopbits(FPort, 1) != SP_OK ||
        sp_set_flowcontrol(FPort, SP_FLOWCONTROL_NONE) != SP_OK) {
      return Error("configuring the port");
    }
    if (sp_new_event_set(&FEvents) != SP_OK ||
        sp_add_port_events(FEvents, FPort, SP_EVENT_RX_READY) != SP_OK) {
      return Error("sp_add_port_events");
    }
    return {};
  }
  void Close() override {
    if (FEvents != nullptr) sp_free_event_set(FEvents);
    FEvents = nullptr;
    if (FPort != nullptr) {
      sp_close(FPort);
      sp_free_port(FPort);
    }
    FPort = nullptr;
  }
  void Write(const std::uint8_t* data, std::size_t count) override {
    sp_blocking_write(FPort, data, count, 1000);
  }
  void RunUntilDone() override {
    FDone = false;
    std::uint8_t buffer[4096];
    while (!FDone) {
      if (sp_wait(FEvents, 0) != SP_OK) return;
      const sp_return n = sp_nonblocking_read(FPort, buffer, sizeof buffer);
      if (n < 0) return;
      if (n > 0) Deliver(buffer, static_cast<std::size_t>(n));
    }
  }
  void Done() override { FDone = true; }

 private:
  static std::string Error(const char* what) {
    char* message = sp_last_error_message();
    std::string text = std::string(what) + ": " + (message != nullptr ? message : "failed");
    sp_free_error_message(message);
    return text;
  }

  sp_port* FPort = nullptr;
  sp_event_set* FEvents = nullptr;
  bool FDone = false;
};

}  // namespace

int main(int argc, char** argv) {
  LibSerialPortProbe port;
  return RunProbe(port, argc, argv);
}
