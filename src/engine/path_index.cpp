#include "engine/path_index.h"

#include <stdexcept>

namespace parvolind {
namespace {

inline unsigned char Fold(unsigned char c, bool ignore_case) {
  return (ignore_case && c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace

bool SameFileName(std::string_view a, std::string_view b, bool ignore_case) {
  if (a.size() != b.size()) return false;
  if (!ignore_case) return a == b;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(static_cast<unsigned char>(a[i]), true) !=
        Fold(static_cast<unsigned char>(b[i]), true)) {
      return false;
    }
  }
  return true;
}

PathIndex::PathIndex(const FileList& paths, size_t prefix_length, bool ignore_case)
    : paths_(paths), prefix_length_(prefix_length), ignore_case_(ignore_case) {
  if (paths.size() >= 0x7fffffffu) throw std::length_error("Zu viele Dateien");
  size_t capacity = 16;
  while (capacity < paths.size() + paths.size() / 2) capacity *= 2;
  mask_ = capacity - 1;
  slots_.assign(capacity, 0);
  tags_.assign(capacity, 0);
  removed_.assign(paths.size(), false);
  remaining_ = paths.size();
  for (size_t position = 0; position < paths.size(); ++position) {
    const uint64_t hash = Hash(KeyOf(position));
    size_t slot = hash & mask_;
    while (slots_[slot] != 0) slot = (slot + 1) & mask_;
    slots_[slot] = static_cast<uint32_t>(position + 1);
    tags_[slot] = static_cast<uint32_t>(hash >> 32);
  }
}

PathIndex::Key PathIndex::KeyOf(size_t position) const {
  std::string_view folder = paths_.FolderOf(position);
  std::string_view name = paths_.NameOf(position);
  if (prefix_length_ <= folder.size()) return {folder.substr(prefix_length_), name};
  const size_t into_name = prefix_length_ - folder.size();
  return {std::string_view(),
          into_name <= name.size() ? name.substr(into_name) : std::string_view()};
}

uint64_t PathIndex::Hash(Key key) const {
  // FNV-1a over the (folded) bytes, with a final mix so that both the low bits
  // (slot) and the high bits (tag) depend on every byte.
  uint64_t hash = 14695981039346656037ull;
  for (const std::string_view part : {key.head, key.tail}) {
    for (const char c : part) {
      hash = (hash ^ Fold(static_cast<unsigned char>(c), ignore_case_)) * 1099511628211ull;
    }
  }
  hash ^= hash >> 33;
  hash *= 0xff51afd7ed558ccdull;
  hash ^= hash >> 33;
  return hash;
}

bool PathIndex::Matches(Key stored, std::string_view key) const {
  return key.size() == stored.head.size() + stored.tail.size() &&
         SameFileName(key.substr(0, stored.head.size()), stored.head, ignore_case_) &&
         SameFileName(key.substr(stored.head.size()), stored.tail, ignore_case_);
}

size_t PathIndex::Find(std::string_view key) const {
  const uint64_t hash = Hash(Key{key, std::string_view()});
  const auto tag = static_cast<uint32_t>(hash >> 32);
  for (size_t slot = hash & mask_; slots_[slot] != 0; slot = (slot + 1) & mask_) {
    if (tags_[slot] != tag) continue;
    const size_t position = slots_[slot] - 1;
    if (removed_[position]) continue;
    if (Matches(KeyOf(position), key)) return position;
  }
  return kNotFound;
}

void PathIndex::Remove(size_t position) {
  if (!removed_[position]) {
    removed_[position] = true;
    --remaining_;
  }
}

}  // namespace parvolind
