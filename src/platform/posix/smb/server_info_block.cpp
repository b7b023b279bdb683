#include "platform/posix/smb/server_info_block.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/format.h"

namespace winreach {

namespace {

size_t AlignUp(size_t offset, size_t alignment) {
  return (offset + alignment - 1) / alignment * alignment;
}

}  // namespace

uint8_t* NewServerInfoBlock(uint32_t level, const std::vector<rpc::ServerInfoField>& fields) {
  const char* layout = rpc::ServerInfoLayout(level);
  if (layout == nullptr || std::strlen(layout) != fields.size()) return nullptr;

  // Where each field goes, as the C compiler lays out the structure: numbers
  // 4 bytes, string pointers at their natural alignment.
  std::vector<size_t> offsets;
  size_t size = 0;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].is_string != (layout[i] == 's')) return nullptr;
  }
  for (const rpc::ServerInfoField& field : fields) {
    const size_t width = field.is_string ? sizeof(wchar_t*) : sizeof(uint32_t);
    size = AlignUp(size, width);
    offsets.push_back(size);
    size += width;
  }
  size = AlignUp(size, alignof(wchar_t*));
  std::vector<std::wstring> texts;
  size_t total = size;
  for (const rpc::ServerInfoField& field : fields) {
    texts.push_back(field.is_string && field.text_present ? WideFromUtf16(field.text)
                                                          : std::wstring());
    if (field.is_string && field.text_present) total += (texts.back().size() + 1) * sizeof(wchar_t);
  }

  auto* block = static_cast<uint8_t*>(std::calloc(1, total));
  if (block == nullptr) return nullptr;
  size_t text_at = size;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (!fields[i].is_string) {
      std::memcpy(block + offsets[i], &fields[i].number, sizeof(uint32_t));
      continue;
    }
    wchar_t* text = nullptr;
    if (fields[i].text_present) {
      text = reinterpret_cast<wchar_t*>(block + text_at);
      std::memcpy(text, texts[i].c_str(), (texts[i].size() + 1) * sizeof(wchar_t));
      text_at += (texts[i].size() + 1) * sizeof(wchar_t);
    }
    std::memcpy(block + offsets[i], &text, sizeof(text));
  }
  return block;
}

void DeleteServerInfoBlock(void* block) { std::free(block); }

}  // namespace winreach
