// Arbitrary bytes as a settings store: parsing and every typed read must never crash, and the
// text written from what was read must read back to the same text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "store/registry_store.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillmark::store;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const RegistryFile file = RegistryFile::Parse(text);

  const std::string written = file.Text();
  Check(RegistryFile::Parse(written).Text() == written);
  Check(file.KeyCount() <= kMaxRegistryEntries);
  for (const std::string& path : file.KeyPaths()) {
    Check(file.HasKey(path));
    for (const RegistryFile::Value& value : *file.Values(path)) {
      Check(file.ValueExists(path, value.name));
      try {
        Check(file.ReadString(path, value.name).size() < value.data.size() + 1);
      } catch (const RegistryError&) {
      }
      try {
        file.ReadDword(path, value.name);
        Check(value.data.size() <= 4);
      } catch (const RegistryError&) {
      }
    }
  }
  return 0;
}
