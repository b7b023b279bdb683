#include "platform/posix/smb/ticket_cache_principal.h"

#include <fstream>
#include <vector>

#include "platform/bytes.h"
#include "platform/posix/smb/smb_credentials.h"

namespace winreach {

namespace {

constexpr uint16_t kVersion3 = 0x0503;
constexpr uint16_t kVersion4 = 0x0504;
// Bounds no real principal comes near.
constexpr uint32_t kMaxComponents = 16;
constexpr uint32_t kMaxPart = 1024;
// The principal stands right after the file's header: the start is enough.
constexpr size_t kReadBytes = 16384;

std::optional<std::string> CountedText(ByteReader& reader) {
  const uint32_t length = reader.U32Be();
  if (!reader.ok() || length == 0 || length > kMaxPart) return std::nullopt;
  const auto bytes = reader.Bytes(length);
  if (!reader.ok()) return std::nullopt;
  std::string text(bytes.begin(), bytes.end());
  // A principal's parts hold no separators of their own and no zero.
  if (text.find_first_of(std::string("@/\0", 3)) != std::string::npos) return std::nullopt;
  return text;
}

}  // namespace

std::optional<std::string> FileCachePrincipal(std::span<const uint8_t> cache) {
  ByteReader reader(cache);
  const uint16_t version = reader.U16Be();
  if (version != kVersion3 && version != kVersion4) return std::nullopt;
  if (version == kVersion4) reader.Skip(reader.U16Be());  // the header's tags
  reader.U32Be();                                         // the name type
  const uint32_t components = reader.U32Be();
  if (!reader.ok() || components == 0 || components > kMaxComponents) return std::nullopt;
  const std::optional<std::string> realm = CountedText(reader);
  if (!realm) return std::nullopt;
  std::string principal;
  for (uint32_t i = 0; i < components; ++i) {
    const std::optional<std::string> component = CountedText(reader);
    if (!component) return std::nullopt;
    if (i != 0) principal += '/';
    principal += *component;
  }
  return principal + "@" + *realm;
}

std::optional<std::string> ProcessTicketCachePrincipal() {
  const std::optional<std::string> path = ProcessTicketCacheFile();
  if (!path) return std::nullopt;  // not a file cache
  std::ifstream file(*path, std::ios::binary);
  if (!file) return std::nullopt;
  std::vector<uint8_t> bytes(kReadBytes);
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(file.gcount()));
  return FileCachePrincipal(bytes);
}

}  // namespace winreach
