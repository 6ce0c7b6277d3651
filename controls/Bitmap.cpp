#include "controls/Bitmap.h"

#include <QFile>
#include <QPainter>

// The built-in pictures are linked in as a Qt resource; a static library's
// resources are registered only when something asks for them.
static void RegisterBuiltInPictures() {
  Q_INIT_RESOURCE(leds);
}

namespace {

void EnsureBuiltInPictures() {
  static const bool registered = (RegisterBuiltInPictures(), true);
  (void)registered;
}

}  // namespace

QColor TBitmap::TransparentColor() const {
  if (FTransparentMode == tmFixed) return FTransparentColor;
  if (FImage.isNull()) return {};
  return FImage.pixelColor(0, FImage.height() - 1);
}

void TBitmap::SetTransparentColor(const QColor& value) {
  FTransparentColor = value;
  FTransparentMode = tmFixed;
}

void TBitmap::LoadFromResourceName(const std::string& name) {
  EnsureBuiltInPictures();
  QImage image(QStringLiteral(":/bitmaps/") + QString::fromStdString(name));
  if (image.isNull()) throw EResNotFound("Resource " + name + " not found");
  FImage = std::move(image);
}

void TBitmap::LoadFromFile(const std::string& path) {
  QImage image(QString::fromStdString(path));
  if (image.isNull()) throw EResNotFound("Cannot read the picture " + path);
  FImage = std::move(image);
}

void TBitmap::Draw(QPainter& painter, int x, int y) const {
  if (FImage.isNull()) return;
  if (!FTransparent) {
    painter.drawImage(x, y, FImage);
    return;
  }
  const QRgb key = TransparentColor().rgb() & RGB_MASK;
  QImage shown = FImage.convertToFormat(QImage::Format_ARGB32);
  for (int row = 0; row < shown.height(); ++row) {
    auto* line = reinterpret_cast<QRgb*>(shown.scanLine(row));
    for (int column = 0; column < shown.width(); ++column) {
      if ((line[column] & RGB_MASK) == key) line[column] = 0;
    }
  }
  painter.drawImage(x, y, shown);
}

void TBitmap::Assign(const TPersistent& source) {
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
    FImage = bitmap->FImage;
    FTransparent = bitmap->FTransparent;
    FTransparentMode = bitmap->FTransparentMode;
    FTransparentColor = bitmap->FTransparentColor;
    return;
  }
  TPersistent::Assign(source);
}
