// TBitmap: a picture that controls draw, loaded by resource name or from a
// file, and drawn either opaque or transparent. In the automatic mode the
// transparent colour is the lower-left pixel's; a fixed colour can be set
// instead. TLedBitmap is the class of the signal LED's two glyphs.
#pragma once

#include <QColor>
#include <QImage>

#include <cstdint>
#include <string>

#include "platform/runtime/Classes.h"

class QPainter;

// Where the transparent colour comes from: the lower-left pixel, or a colour set.
enum TTransparentMode : std::uint8_t { tmAuto, tmFixed };

// A resource that the program does not contain: "Resource <name> not found".
class EResNotFound : public Exception {
 public:
  using Exception::Exception;
};

// A picture for a control, with its transparency settings.
class TBitmap : public TPersistent {
 public:
  std::string ClassName() const override { return "TBitmap"; }

  // True while there is no picture.
  bool Empty() const { return FImage.isNull(); }
  // The picture's width in pixels.
  int Width() const { return FImage.width(); }
  // The picture's height in pixels.
  int Height() const { return FImage.height(); }
  // The picture itself.
  const QImage& Image() const { return FImage; }
  void SetImage(const QImage& image) { FImage = image; }

  // Whether Draw leaves out the pixels of the transparent colour.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value) { FTransparent = value; }
  // Where the transparent colour comes from.
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode value) { FTransparentMode = value; }
  // tmAuto: the lower-left pixel's colour (none while empty); tmFixed: the
  // colour set. Setting one switches the mode to tmFixed.
  QColor TransparentColor() const;
  void SetTransparentColor(const QColor& value);

  // The picture of that name from the program's built-in pictures; raises
  // EResNotFound (and keeps the picture) when there is none.
  void LoadFromResourceName(const std::string& name);
  // A picture file (BMP, PNG, ...); raises EResNotFound naming the file
  // (and keeps the picture) when it cannot be read.
  void LoadFromFile(const std::string& path);

  // Draws the picture with its top-left corner at (x, y), leaving out the
  // pixels of the transparent colour when Transparent is on.
  void Draw(QPainter& painter, int x, int y) const;

  // Copies the picture and its transparency settings of another TBitmap.
  void Assign(const TPersistent& source) override;

 private:
  QImage FImage;
  bool FTransparent = false;
  TTransparentMode FTransparentMode = tmAuto;
  QColor FTransparentColor;
};

// One of the signal LED's two glyphs, lit or dark.
class TLedBitmap : public TBitmap {
 public:
  std::string ClassName() const override { return "TLedBitmap"; }
};
