// A place that lists the serial ports the test chooses, in the form the
// system's own list has: on Linux a file-system root whose sys/class/tty and
// dev name them ("pts/3" is the entry "pts!3" and the node dev/pts/3), on
// Windows a registry key laid out as the serial device map. Its Root() is a
// port list source (TComComboBox::SetPortListSource).
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace controls_test {

class FakePortTree {
 public:
  explicit FakePortTree(const std::vector<std::string>& ports);
  ~FakePortTree();
  FakePortTree(const FakePortTree&) = delete;
  FakePortTree& operator=(const FakePortTree&) = delete;

  std::string Root() const;

 private:
  struct Place;
  std::unique_ptr<Place> place_;
};

}  // namespace controls_test
