#include "content/byte_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "toolkit/code_page.h"
#include "toolkit/profile.h"

namespace tamiro {
namespace {

// The bytes of a text as a message can show them: control bytes (a NUL
// among them) as #n, so that none of them ends or garbles the message.
std::string Printable(const std::string& bytes) {
  std::string shown;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) shown += "#" + std::to_string(b);
    else shown += c;
  }
  return shown;
}

}  // namespace

TByteFile::TByteFile(const std::string& path) {
  // A folder is no file: it is not found, as a path to nothing is not.
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
    throw EFileNotFound("File \"" + path + "\" not found.");
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) throw EFileOpenFailed("File open failed: " + std::string(std::strerror(errno)));
  size_ = static_cast<long>(info.st_size);
}

TByteFile::~TByteFile() {
  if (file_) std::fclose(file_);  // an error while closing is of no interest
}

void TByteFile::FillBuffer() {
  const std::size_t r = std::fread(buffer_, 1, sizeof buffer_, file_);
  ++blockReads_;
  if (r == 0) throw EInOutError("Read beyond end of file");
  count_ = static_cast<std::uint16_t>(r);
  pos_ = 0;
}

std::uint16_t TByteFile::ReadWord() {
  const std::uint16_t low = ReadByte();
  const std::uint16_t high = ReadByte();
  return static_cast<std::uint16_t>(low | (high << 8));
}

std::string TByteFile::ReadString() {
  std::string result;
  ReadGroups(&result);
  return result;
}

void TByteFile::SkipString() { ReadGroups(nullptr); }

void TByteFile::ReadGroups(std::string* result) {
  const int n = ReadByte();
  if (result) result->reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    // A group that lies whole in the buffer is taken from it at once.
    std::uint8_t group[6];
    if (count_ - pos_ >= 6) {
      std::memcpy(group, buffer_ + pos_, 6);
      pos_ = static_cast<std::uint16_t>(pos_ + 6);
    } else {
      for (std::uint8_t& b : group) b = ReadByte();
    }
    // The first byte of a group carries nothing.
    char digits[5];
    int value = 0;
    bool plain = true;
    for (int k = 0; k < 5; ++k) {
      const char d = digits[k] = static_cast<char>(group[k + 1]);
      plain = plain && d >= '0' && d <= '9';
      value = value * 10 + (d - '0');
    }
    // Five plain digits are the rule; anything else goes through the full
    // integer conversion, which also knows signs and hexadecimal.
    if (!plain) {
      const std::string text(digits, 5);
      const auto parsed = tk::StrToInt(text);
      if (!parsed) throw EConvertError("'" + Printable(text) + "' is not a valid integer value");
      value = *parsed;
    }
    if (result) result->push_back(static_cast<char>(tk::FromUnicode(static_cast<char16_t>(value & 0xFFFF))));
  }
}

bool TByteFile::AtEnd() {
  const long position = std::ftell(file_);
  if (position < 0) throw EInOutError("I/O error " + std::to_string(errno));
  return position >= size_ && pos_ >= count_;
}

}  // namespace tamiro
