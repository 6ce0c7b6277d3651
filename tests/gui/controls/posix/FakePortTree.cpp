#include "tests/gui/controls/FakePortTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace controls_test {

struct FakePortTree::Place {
  QTemporaryDir temp;
  QDir dir{temp.path()};
};

FakePortTree::FakePortTree(const std::vector<std::string>& ports)
    : place_(std::make_unique<Place>()) {
  QDir& dir = place_->dir;
  dir.mkpath("sys/class/tty");
  for (const std::string& port : ports) {
    QString entry = QString::fromStdString(port).replace('/', '!');
    dir.mkpath("sys/class/tty/" + entry + "/device");
    const QString node = dir.path() + "/dev/" + QString::fromStdString(port);
    QDir().mkpath(QFileInfo(node).path());
    QFile file(node);
    file.open(QIODevice::WriteOnly);
  }
}

FakePortTree::~FakePortTree() = default;

std::string FakePortTree::Root() const {
  return place_->dir.path().toStdString();
}

}  // namespace controls_test
