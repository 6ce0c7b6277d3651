// The settings store's file as it is read back, and a value written into
// it. A file that reads is written out as a text that reads to the same
// keys and values; one that does not read is refused with the line named.
// A value of any bytes under any name, in a key whose path the store
// accepts (one line), reads back exactly; other values keep theirs.
#include "fuzz/FuzzCheck.h"
#include "platform/runtime/Registry.h"
#include "platform/runtime/posix/RegistryFile.h"

namespace {

bool SameValue(const RegistryValue* a, const RegistryValue* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return a->isInteger == b->isInteger &&
         (a->isInteger ? a->number == b->number : a->text == b->text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::InputReader input(data, size);
  const std::string path = input.Text(32);
  const std::string name = input.Text(32);
  const bool isInteger = input.Byte() & 1;
  const std::string text = input.Text(64);
  const auto number = static_cast<std::int32_t>(input.Byte() << 24 | input.Byte() << 16 |
                                                input.Byte() << 8 | input.Byte());
  const std::string otherPath = input.Text(32);
  const std::string otherName = input.Text(32);
  const auto rest = input.Rest();

  RegistryFile file;
  try {
    file = RegistryFile::Parse(std::string(rest.begin(), rest.end()), "store");
  } catch (const ERegistryException& error) {
    FUZZ_CHECK(error.Message().find("'store' is damaged at line ") != std::string::npos);
    return 0;
  }
  const std::string written = file.Text();
  const RegistryFile reread = RegistryFile::Parse(written, "store");
  FUZZ_CHECK(reread.Text() == written);
  const RegistryKey* otherKey = file.Find(otherPath);
  const RegistryValue* other = otherKey ? otherKey->Find(otherName) : nullptr;
  const RegistryValue otherBefore = other ? *other : RegistryValue{};
  const RegistryKey* otherReread = reread.Find(otherPath);
  FUZZ_CHECK(SameValue(other, otherReread ? otherReread->Find(otherName) : nullptr));

  if (path.find_first_of("\r\n") != std::string::npos) return 0;  // refused by the store
  RegistryValue& value = file.Create(path).Set(name);
  value.isInteger = isInteger;
  value.text = isInteger ? "" : text;
  value.number = isInteger ? number : 0;
  const RegistryFile after = RegistryFile::Parse(file.Text(), "store");
  const RegistryKey* key = after.Find(path);
  FUZZ_CHECK(key != nullptr && after.Exists(path));
  FUZZ_CHECK(SameValue(key->Find(name), &value));
  if (other != nullptr && !(SameText(otherPath, path) && SameText(otherName, name))) {
    const RegistryKey* otherAfter = after.Find(otherPath);
    FUZZ_CHECK(SameValue(otherAfter ? otherAfter->Find(otherName) : nullptr, &otherBefore));
  }
  return 0;
}
