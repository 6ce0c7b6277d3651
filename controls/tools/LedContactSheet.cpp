// Draws every built-in kind of signal LED, lit and dark, as the widget
// paints itself (offscreen), enlarged so that single pixels can be seen,
// into one PNG:  led-contact-sheet OUTPUT.png [SCALE]
#include <QApplication>
#include <QGridLayout>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "controls/ComLed.h"

namespace {

constexpr const char* kKindNames[] = {"Red", "Green", "Blue", "Yellow", "Purple", "Bulb"};
constexpr int kKinds = 6;
constexpr int kCell = 25;  // the LED's own size

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: led-contact-sheet OUTPUT.png [SCALE]\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int scale = argc > 2 ? std::atoi(argv[2]) : 8;

  // One row of lit lamps over one row of dark ones, on the window colour.
  QWidget sheet;
  sheet.setAutoFillBackground(true);
  QPalette palette = sheet.palette();
  palette.setColor(QPalette::Window, QColor(212, 208, 200));
  sheet.setPalette(palette);
  auto* grid = new QGridLayout(&sheet);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  std::vector<std::unique_ptr<TComLed>> leds;
  for (int kind = 0; kind < kKinds; ++kind) {
    for (int row = 0; row < 2; ++row) {
      auto led = std::make_unique<TComLed>(nullptr, &sheet);
      led->SetKind(static_cast<TLedKind>(kind));
      led->SetState(row == 0 ? lsOn : lsOff);
      led->setFixedSize(kCell, kCell);
      grid->addWidget(led.get(), row, kind);
      leds.push_back(std::move(led));
    }
  }
  sheet.resize(kKinds * kCell, 2 * kCell);
  sheet.show();
  const QImage small = sheet.grab().toImage();

  // Enlarged pixel for pixel, with a caption band above.
  const int caption = 28;
  QImage big(small.width() * scale, small.height() * scale + caption, QImage::Format_RGB32);
  big.fill(Qt::white);
  QPainter painter(&big);
  painter.drawImage(QRect(0, caption, big.width(), small.height() * scale), small);
  painter.setPen(Qt::black);
  for (int kind = 0; kind < kKinds; ++kind) {
    painter.drawText(QRect(kind * kCell * scale, 0, kCell * scale, caption), Qt::AlignCenter,
                     kKindNames[kind]);
  }
  painter.end();
  if (!big.save(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "led-contact-sheet: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
