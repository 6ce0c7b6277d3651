// Probe: Qt's serial port module, as its documentation shows it: a
// QSerialPort opened read-write, readyRead connected to a slot on the main
// thread's event loop that reads what is available, write() to send.
#include <QCoreApplication>
#include <QSerialPort>

#include "bench/compare/Probe.h"
#include "bench/compare/QtLoop.h"

namespace {

class QSerialPortProbe : public ProbePort {
 public:
  std::string Open(const std::string& path) override {
    FPort.setPortName(QString::fromStdString(path));
    FPort.setBaudRate(QSerialPort::Baud9600);
    FPort.setDataBits(QSerialPort::Data8);
    FPort.setParity(QSerialPort::NoParity);
    FPort.setStopBits(QSerialPort::OneStop);
    FPort.setFlowControl(QSerialPort::NoFlowControl);
    if (!FPort.open(QIODevice::ReadWrite)) return FPort.errorString().toStdString();
    QObject::connect(&FPort, &QSerialPort::readyRead, [this] {
      char buffer[4096];
      for (qint64 n; (n = FPort.read(buffer, sizeof buffer)) > 0;) {
        Deliver(reinterpret_cast<const std::uint8_t*>(buffer), static_cast<std::size_t>(n));
      }
    });
    return {};
  }
  void Close() override { FPort.close(); }
  void Write(const std::uint8_t* data, std::size_t count) override {
    FPort.write(reinterpret_cast<const char*>(data), static_cast<qint64>(count));
  }
  void RunUntilDone() override { FLoop.Run(); }
  void Done() override { FLoop.Quit(); }

 private:
  QSerialPort FPort;
  QtLoop FLoop;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication qt(argc, argv);
  QSerialPortProbe port;
  return RunProbe(port, argc, argv);
}
