#pragma once
// The reader of the encoded data files: a file read front to back through a
// 512-byte buffer, handing out bytes, 16-bit little-endian words and encoded
// strings. It never writes, seeks or rewinds.
//
// An encoded string is one byte n (0..255) followed by n groups of six bytes:
// one ignored byte, then five ASCII decimal digits giving the character's
// UTF-16 code unit ("00065" is A). Characters are converted to the program's
// single-byte code page.

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace tamiro {

// Input/output errors; the two kinds of open failure derive from it.
struct EInOutError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct EFileNotFound : EInOutError {
  using EInOutError::EInOutError;
};
struct EFileOpenFailed : EInOutError {
  using EInOutError::EInOutError;
};
// A text that should be a number is not.
struct EConvertError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class TByteFile {
 public:
  explicit TByteFile(const std::string& path);
  ~TByteFile();
  TByteFile(const TByteFile&) = delete;
  TByteFile& operator=(const TByteFile&) = delete;

  std::uint8_t ReadByte() {
    if (pos_ >= count_) FillBuffer();
    return buffer_[pos_++];
  }
  std::uint16_t ReadWord();
  std::string ReadString();
  // Reads past a string as ReadString reads it, failing where it would fail,
  // without converting or keeping its characters.
  void SkipString();
  bool AtEnd();

  // Number of block reads so far (the buffer is refilled once per 512 bytes).
  int BlockReads() const { return blockReads_; }

 private:
  void FillBuffer();
  void ReadGroups(std::string* result);  // the characters go to result unless it is null
  std::FILE* file_ = nullptr;
  std::uint8_t buffer_[512];
  std::uint16_t count_ = 0;
  std::uint16_t pos_ = 0;
  long size_ = 0;
  int blockReads_ = 0;
};

}  // namespace tamiro
